// SPDX-License-Identifier: GPL-3.0-or-later
// Hashing a 1 GiB file through the digest library, the worker and its wait, and a whole compare
// of a 1 GiB source against a same-size identical destination file (both digests and the
// byte-for-byte check), each beside md5sum of the same file in the same run. The file is read
// from the page cache by all of them. Prints figures only; nothing here is a pass or fail.
//   bench_md5 [folder] [MiB]
#include "engine/calc_md5.h"
#include "engine/duplicate_compare.h"
#include "platform/pathtext.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;

class NullRunUi final : public sv::RunUi {
public:
    void SetTopmost() override {}
    void BeginRun(bool) override {}
    void FinishRun() override {}
    void SetCaption(std::string_view) override {}
    void SetStatus(std::string_view) override {}
    void SetCountLabel(std::string_view) override {}
    void SetProgress(int) override { ++progressSteps; }
    void AddResultRow(const sv::TReportEntry&) override {}
    void AddNote(std::string_view) override {}
    void Repaint() override {}
    void LetEventsThrough() override { ++eventRounds; }
    bool CancelRequested() const override { return false; }
    void EnableCancel() override {}
    void PerformCancel() override {}
    sv::TransferProgress* TransferProgressWindow() override { return nullptr; }
    long eventRounds = 0;
    long progressSteps = 0;
};

template <typename F> double Median(F&& f) {
    std::vector<double> seconds;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Clock::now();
        f();
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

std::string Md5sum(const std::string& native) {
    const std::string command = "md5sum '" + native + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    char digest[33] = {};
    if (pipe == nullptr)
        return {};
    const std::size_t n = std::fread(digest, 1, 32, pipe);
    ::pclose(pipe);
    return std::string(digest, n);
}

void WriteRandom(const std::string& native, std::uint64_t bytes) {
    std::mt19937_64 random(20240601);
    std::vector<std::uint64_t> block(1 << 17);
    std::ofstream out(native, std::ios::binary);
    for (std::uint64_t done = 0; done < bytes;) {
        for (auto& word : block)
            word = random();
        const std::uint64_t n = std::min<std::uint64_t>(bytes - done, block.size() * sizeof block[0]);
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
        done += n;
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path base = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::uint64_t mebibytes = argc > 2 ? std::stoull(argv[2]) : 1024;
    const std::filesystem::path folder = base / "sorvanta_bench_md5";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "src");
    std::filesystem::create_directories(folder / "dst");
    const std::string source = (folder / "src" / "movie.avi").string();
    const std::string dest = (folder / "dst" / "old.avi").string();
    WriteRandom(source, mebibytes << 20);
    std::filesystem::copy_file(source, dest);

    sv::DigestLibrary library(SV_MD5_LIBRARY);
    if (!library.EnsureLoaded()) {
        std::fprintf(stderr, "cannot load %s\n", SV_MD5_LIBRARY);
        return 1;
    }
    const std::string sourceText = sv::FromNativePath(source);
    const std::string destFolderText = sv::FromNativePath((folder / "dst").string());

    // Warm the page cache for every reader alike.
    const std::string expected = Md5sum(source);
    (void)Md5sum(dest);

    std::string digest;
    const double md5sum = Median([&] { digest = Md5sum(source); });
    std::atomic<bool> never{false};
    const double worker =
        Median([&] { digest = sv::ThreadCalcMD5(library, sv::Disk(), sourceText, never, [](int) {}); });
    const bool workerRight = digest == expected;
    NullRunUi ui;
    const double hashFile =
        Median([&] { digest = sv::HashFile(ui, library, sv::Disk(), sourceText, sv::HashedFile::Source); });
    const bool hashFileRight = digest == expected;
    sv::CompareResult result = sv::CompareResult::NotIdentical;
    const double compare = Median([&] {
        sv::THashCache cache;
        result =
            sv::CompareWithDestination(ui, library, sv::Disk(), cache, sourceText, destFolderText).result;
    });

    const double mib = static_cast<double>(mebibytes);
    std::printf("file: %llu MiB of random bytes in %s\n", static_cast<unsigned long long>(mebibytes),
                folder.c_str());
    std::printf("md5sum                       %7.3f s  %7.1f MiB/s\n", md5sum, mib / md5sum);
    std::printf("ThreadCalcMD5 body (library) %7.3f s  %7.1f MiB/s  throughput x%.2f of md5sum%s\n", worker,
                mib / worker, md5sum / worker, workerRight ? "" : "  WRONG DIGEST");
    std::printf("HashFile (worker + wait)     %7.3f s  %7.1f MiB/s  throughput x%.2f of md5sum%s\n", hashFile,
                mib / hashFile, md5sum / hashFile, hashFileRight ? "" : "  WRONG DIGEST");
    std::printf("whole compare, identical     %7.3f s  = %.2f x the md5sum time (two digests and a byte "
                "check)%s\n",
                compare, compare / md5sum, result == sv::CompareResult::Identical ? "" : "  NOT IDENTICAL");
    std::printf("wait loop: %ld event rounds, %ld progress steps over %d HashFile and %d compare rounds\n",
                ui.eventRounds, ui.progressSteps, kRounds, kRounds);
    std::filesystem::remove_all(folder);
    return 0;
}
