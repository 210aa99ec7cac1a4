// SPDX-License-Identifier: GPL-3.0-or-later
// "sorvanta /a" with a long History.dat beside the same run with an empty one, each a separate
// process, in the same rounds: what the history costs a run that sorts 10 files, and a start that
// sorts nothing, in time and in peak memory. Prints figures only; nothing here is a pass or fail.
//   bench_program_history [--records N] [--rounds N]   (default 1 000 000 records, about 102 MB)
#include "program_bench.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Records like the ones years of sorting leave: about 102 bytes each.
void WriteHistory(const std::string& path, long records) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(records) * 104);
    // Action marks in code page 932: plain, renamed, folder, plain.
    const char* marks[] = {"  ", "\x81\x40\x95\xcf", "\x81\x40\x82\x65", "  "};
    for (long i = 0; i < records; ++i) {
        char line[200];
        std::snprintf(line, sizeof line,
                      "%02ld/%02ld/%02ld %02ld:%02ld:%02ld\r\n%s\r\nholiday photo %07ld.jpg\r\n"
                      "\\home\\user\\Pictures\\sorted\\%ld*\\home\\user\\Downloads\r\n",
                      20 + i % 7, 1 + i % 12, 1 + i % 28, i % 24, i % 60, (i * 7) % 60, marks[i % 4], i,
                      i % 97);
        bytes += line;
    }
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        std::exit(1);
    ::close(fd);
}

} // namespace

int main(int argc, char** argv) {
    const long records = bench::FlagValue(argc, argv, "--records", 1000000);
    const int rounds = bench::Rounds(argc, argv, 5);
    const bench::ScratchFolder top("/tmp");
    const std::string pristine = top.path() + "/History.long";
    // Made in a child, so that this process stays small: the programs it starts are forked from it.
    if (const pid_t maker = ::fork(); maker == 0) {
        WriteHistory(pristine, records);
        ::_exit(0);
    } else {
        int status = 0;
        ::waitpid(maker, &status, 0);
    }
    std::printf("History.dat of %ld records: %.1f MB\n", records,
                static_cast<double>(std::filesystem::file_size(pristine)) / 1e6);

    struct Side final {
        bench::ProgramFolder program;
        std::string source;
    };
    auto side = [&](const std::string& name) {
        Side s{bench::ProgramFolder(top.path() + "/" + name), top.path() + "/" + name + "-source"};
        s.program.Settings(s.source);
        s.program.Conditions({{"dat", top.path() + "/" + name + "-sorted"}});
        return s;
    };
    const Side longSide = side("long");
    const Side emptySide = side("empty");
    auto prepare = [&](const Side& s, bool longHistory, int files) {
        const std::string history = s.program.folder() + "/History.dat";
        bench::RemoveAll(history);
        bench::RemoveAll(history + ".lastrun");
        if (longHistory)
            std::filesystem::copy_file(pristine, history);
        bench::RemoveAll(s.source);
        bench::MakeFolder(s.source);
        for (int i = 0; i < files; ++i)
            bench::WriteFile(s.source + "/new " + std::to_string(i) + ".dat", 1000, static_cast<unsigned>(i));
        bench::SyncAll();
    };

    for (const int files : {10, 0}) {
        bench::Series extraSeconds;
        bench::Series extraMiB;
        bench::Series longSeconds;
        bench::Series emptySeconds;
        for (int round = 0; round < rounds; ++round) {
            prepare(longSide, true, files);
            const bench::ProcessFigures withLong = bench::TimeProgram(longSide.program);
            prepare(emptySide, false, files);
            const bench::ProcessFigures withEmpty = bench::TimeProgram(emptySide.program);
            std::printf("%d files, round %d: long history %.3f s %.0f MiB, empty history %.3f s %.0f MiB\n",
                        files, round + 1, withLong.seconds, withLong.peakMiB, withEmpty.seconds,
                        withEmpty.peakMiB);
            std::fflush(stdout);
            extraSeconds.Add(withLong.seconds - withEmpty.seconds);
            extraMiB.Add(withLong.peakMiB - withEmpty.peakMiB);
            longSeconds.Add(withLong.seconds);
            emptySeconds.Add(withEmpty.seconds);
        }
        std::printf(
            "/a sorting %d files: the long history costs %.3f s (median %.3f; best of each %.3f - %.3f) "
            "and %.0f MiB more (goal: at most 0.3 s and 64 MB)\n",
            files, extraSeconds.Best(), extraSeconds.Median(), longSeconds.Best(), emptySeconds.Best(),
            extraMiB.Median());
    }
    return 0;
}
