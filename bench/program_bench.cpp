// SPDX-License-Identifier: GPL-3.0-or-later
#include "program_bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {
namespace fs = std::filesystem;

namespace {

std::string PathText(const std::string& native) {
    std::string text = native;
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

void WriteText(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::perror(path.c_str());
        std::exit(1);
    }
    ::close(fd);
}

} // namespace

ScratchFolder::ScratchFolder(const std::string& parent) {
    std::string pattern = parent + "/sorvanta-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror(pattern.c_str());
        std::exit(1);
    }
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    RemoveAll(m_path);
}

ProgramFolder::ProgramFolder(std::string folder) : m_folder(std::move(folder)) {
    MakeFolder(m_folder);
    const char* other = std::getenv("SORVANTA_BENCH_BUILD");
    const std::string exe = other != nullptr ? std::string(other) + "/sorvanta" : SORVANTA_EXE;
    const std::string md5 = other != nullptr ? std::string(other) + "/libmd5.so" : SV_MD5_LIBRARY;
    fs::copy_file(exe, Executable(), fs::copy_options::overwrite_existing);
    fs::copy_file(md5, m_folder + "/libmd5.so", fs::copy_options::overwrite_existing);
}

void ProgramFolder::Settings(const std::string& sourceFolder, const std::string& conditionLines) const {
    WriteText(m_folder + "/Sorvanta.ini",
              "[Path]\r\nSource=" + PathText(sourceFolder) +
                  "\r\n[Condition]\r\nMakeFolder=1\r\nFileUsing=0\r\nReadOnly=1\r\n" + conditionLines);
}

void ProgramFolder::Conditions(const std::vector<std::pair<std::string, std::string>>& conditions) const {
    std::string text;
    for (const auto& [keyword, folder] : conditions)
        text += keyword + "\r\n" + PathText(folder) + "\r\n";
    WriteText(m_folder + "/Condition.txt", text);
}

ProcessFigures TimeProcess(const std::vector<std::string>& argv) {
    // A runtime folder of the benchmark's own (0700, as the program wants it), gone at exit.
    static const ScratchFolder runtimeFolder("/tmp");
    const std::string& runtime = runtimeFolder.path();
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    // A forked child's peak starts from this process's memory as it is now: the scenarios are
    // made without holding much of it.
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    ProcessFigures figures;
    figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    figures.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (figures.status != 0)
        std::fprintf(stderr, "%s ended with status %d\n", argv[0].c_str(), figures.status);
    return figures;
}

void WriteFile(const std::string& path, std::size_t bytes, unsigned seed) {
    static std::vector<char> block = [] {
        std::vector<char> b(1 << 20);
        std::mt19937 random(7);
        for (char& c : b)
            c = static_cast<char>(random());
        return b;
    }();
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    // The seed makes files of one size differ in their first bytes.
    std::size_t done = 0;
    bool first = true;
    while (done < bytes) {
        const std::size_t n = std::min(block.size(), bytes - done);
        if (first) {
            std::vector<char> head(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
            std::memcpy(head.data(), &seed, std::min(sizeof seed, n));
            if (::write(fd, head.data(), n) != static_cast<ssize_t>(n))
                std::exit(1);
            first = false;
        } else if (::write(fd, block.data(), n) != static_cast<ssize_t>(n)) {
            std::exit(1);
        }
        done += n;
    }
    ::close(fd);
}

void MakeFolder(const std::string& path) {
    fs::create_directories(path);
}

void RemoveAll(const std::string& path) {
    std::error_code error;
    fs::remove_all(path, error);
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void SyncAll() {
    ::sync();
}

double Series::Best() const {
    return m_values.empty() ? 0 : *std::min_element(m_values.begin(), m_values.end());
}

double Series::Median() const {
    if (m_values.empty())
        return 0;
    std::vector<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

bool HasFlag(int argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], flag) == 0)
            return true;
    }
    return false;
}

long FlagValue(int argc, char** argv, const char* flag, long fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], flag) == 0)
            return std::atol(argv[i + 1]);
    }
    return fallback;
}

int Rounds(int argc, char** argv, int fallback) {
    return static_cast<int>(FlagValue(argc, argv, "--rounds", fallback));
}

} // namespace bench
