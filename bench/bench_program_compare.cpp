// SPDX-License-Identifier: GPL-3.0-or-later
// "sorvanta /a" with the duplicate compare on, sorting N files into a folder of N files of the same
// size, all different, beside the same run with the compare off, each a separate process, in the
// same rounds. Prints figures only; nothing here is a pass or fail.
//   bench_program_compare [--files N] [--bytes B] [--rounds N]   (default 800 files of 16 KiB)
#include "program_bench.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    const long files = bench::FlagValue(argc, argv, "--files", 800);
    const auto bytes = static_cast<std::size_t>(bench::FlagValue(argc, argv, "--bytes", 16384));
    const int rounds = bench::Rounds(argc, argv, 5);
    const bench::ScratchFolder top("/tmp");

    struct Side final {
        bench::ProgramFolder program;
        std::string source;
        std::string dest;
    };
    auto side = [&](const std::string& name, bool compare) {
        Side s{bench::ProgramFolder(top.path() + "/" + name), top.path() + "/" + name + "-source",
               top.path() + "/" + name + "-sorted"};
        s.program.Settings(s.source, compare ? "FileComp=1\r\n" : "FileComp=0\r\n");
        s.program.Conditions({{"dat", s.dest}});
        return s;
    };
    const Side on = side("compare", true);
    const Side off = side("plain", false);
    auto prepare = [&](const Side& s) {
        bench::RemoveAll(s.source);
        bench::RemoveAll(s.dest);
        bench::MakeFolder(s.source);
        bench::MakeFolder(s.dest);
        for (long i = 0; i < files; ++i) {
            bench::WriteFile(s.dest + "/kept " + std::to_string(i) + ".dat", bytes, static_cast<unsigned>(i));
            bench::WriteFile(s.source + "/new " + std::to_string(i) + ".dat", bytes,
                             static_cast<unsigned>(files + i));
        }
        bench::SyncAll();
    };

    bench::Series ratios;
    bench::Series withCompare;
    bench::Series without;
    for (int round = 0; round < rounds; ++round) {
        prepare(on);
        const double a = bench::TimeProgram(on.program).seconds;
        if (!bench::Names(on.source).empty() ||
            bench::Names(on.dest).size() != static_cast<std::size_t>(2 * files)) {
            std::fprintf(stderr, "the run with the compare did not sort every file\n");
            return 1;
        }
        prepare(off);
        const double b = bench::TimeProgram(off.program).seconds;
        std::printf("round %d: compare on %.3f s, off %.3f s: %.2f\n", round + 1, a, b, a / b);
        std::fflush(stdout);
        ratios.Add(a / b);
        withCompare.Add(a);
        without.Add(b);
    }
    std::printf(
        "%ld files of %zu bytes into a folder of %ld: compare on / off best %.2f, median %.2f; best of each "
        "%.3f / %.3f = %.2f (goal: at most 2)\n",
        files, bytes, files, ratios.Best(), ratios.Median(), withCompare.Best(), without.Best(),
        withCompare.Best() / without.Best());
    return 0;
}
