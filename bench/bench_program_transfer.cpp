// SPDX-License-Identifier: GPL-3.0-or-later
// "sorvanta /a" moving files from the disk to /dev/shm (a tmpfs) beside `mv` of the same files, each
// a separate process, in the same rounds. The run's work is the run less a run of the same program
// folder that finds nothing to sort. Prints figures only; nothing here is a pass or fail.
//   bench_program_transfer [--large] [--rounds N]
//   default: 150 files of 1 MiB and one of 150 MiB (300 MiB); --large: 200 files of 6 MiB (1.2 GiB)
#include "program_bench.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const bool large = bench::HasFlag(argc, argv, "--large");
    const int rounds = bench::Rounds(argc, argv, 5);
    std::vector<std::size_t> sizes;
    if (large) {
        sizes.assign(200, std::size_t{6} << 20);
    } else {
        sizes.assign(150, std::size_t{1} << 20);
        sizes.push_back(std::size_t{150} << 20);
    }
    const bench::ScratchFolder disk("/tmp");
    const bench::ScratchFolder shm("/dev/shm");
    const std::string source = disk.path() + "/source";
    const std::string mvSource = disk.path() + "/mv-source";
    const std::string dest = shm.path() + "/sorted";
    const std::string mvDest = shm.path() + "/mv";
    const bench::ProgramFolder program(disk.path() + "/program");
    program.Settings(source);
    program.Conditions({{"dat", dest}});

    auto fill = [&](const std::string& folder) {
        bench::RemoveAll(folder);
        bench::MakeFolder(folder);
        for (std::size_t i = 0; i < sizes.size(); ++i)
            bench::WriteFile(folder + "/f" + std::to_string(i) + ".dat", sizes[i], static_cast<unsigned>(i));
        bench::SyncAll();
    };

    bench::Series ratios;
    bench::Series runs;
    bench::Series empties;
    bench::Series mvs;
    for (int round = 0; round < rounds; ++round) {
        bench::RemoveAll(dest);
        bench::RemoveAll(source);
        bench::MakeFolder(source);
        const double empty = bench::TimeProgram(program).seconds;

        fill(source);
        const double run = bench::TimeProgram(program).seconds;
        if (bench::Names(source).size() != 0 || bench::Names(dest).size() != sizes.size()) {
            std::fprintf(stderr, "the run did not move every file\n");
            return 1;
        }

        fill(mvSource);
        bench::RemoveAll(mvDest);
        bench::MakeFolder(mvDest);
        std::vector<std::string> mv = {"mv", "-t", mvDest};
        for (const std::string& name : bench::Names(mvSource))
            mv.push_back(mvSource + "/" + name);
        const double moved = bench::TimeProcess(mv).seconds;

        const double ratio = (run - empty) / moved;
        std::printf("round %d: /a %.3f s, /a with nothing to sort %.3f s, mv %.3f s: run work / mv = %.2f\n",
                    round + 1, run, empty, moved, ratio);
        std::fflush(stdout);
        ratios.Add(ratio);
        runs.Add(run);
        empties.Add(empty);
        mvs.Add(moved);
    }
    std::printf(
        "%zu files, disk to tmpfs: run work / mv best %.2f, median %.2f; best of each: (%.3f - %.3f) / "
        "%.3f = %.2f (goal: at most 1.2)\n",
        sizes.size(), ratios.Best(), ratios.Median(), runs.Best(), empties.Best(), mvs.Best(),
        (runs.Best() - empties.Best()) / mvs.Best());
    return 0;
}
