// SPDX-License-Identifier: GPL-3.0-or-later
// Moves across file systems: files on the disk of the temporary folder moved into /dev/shm (a
// tmpfs, where flushing costs nothing) by TransferEntry, beside `mv` of as many files of the same
// sizes in the same run. Prints figures only; nothing here is a pass or fail.
#include "platform/file_messages.h"
#include "platform/pathtext.h"
#include "platform/transfer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void MakeFiles(const std::filesystem::path& folder, int count, std::size_t bytes) {
    std::filesystem::create_directories(folder);
    const std::string chunk(1 << 20, 'q');
    for (int i = 0; i < count; ++i) {
        const int fd =
            ::open((folder / ("f" + std::to_string(i))).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        for (std::size_t done = 0; fd >= 0 && done < bytes;) {
            const std::size_t n = std::min(chunk.size(), bytes - done);
            if (::write(fd, chunk.data(), n) != static_cast<ssize_t>(n))
                break;
            done += n;
        }
        if (fd >= 0)
            ::close(fd);
    }
    ::sync();
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

} // namespace

int main(int argc, char** argv) {
    // Default: 200 files of 1.5 MB (300 MB); "--large": 201 files, 1.2 GB.
    const bool large = argc > 1 && std::string(argv[1]) == "--large";
    const int count = large ? 201 : 200;
    const std::size_t bytes = large ? 6 * 1000 * 1000 : 1500 * 1000;
    const std::filesystem::path disk =
        std::filesystem::temp_directory_path() / ("sorvanta-bench-" + std::to_string(::getpid()));
    const std::filesystem::path shm = "/dev/shm/sorvanta-bench-" + std::to_string(::getpid());
    std::filesystem::create_directories(shm / "ours");
    std::filesystem::create_directories(shm / "mv");

    double ours = 0;
    double mv = 0;
    for (int round = 0; round < 3; ++round) {
        MakeFiles(disk / "a", count, bytes);
        auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            const std::string name = "f" + std::to_string(i);
            const auto result =
                sv::TransferEntry(sv::FromNativePath((disk / "a" / name).string()),
                                  sv::FromNativePath((shm / "ours" / name).string()), sv::TransferMode::Move);
            if (!result.ok()) {
                std::fprintf(stderr, "%s\n", sv::TransferFailureText(result).c_str());
                return 1;
            }
        }
        const double o = Seconds(start);
        MakeFiles(disk / "b", count, bytes);
        start = Clock::now();
        const std::string command =
            "mv -t '" + (shm / "mv").string() + "' '" + (disk / "b").string() + "'/f*";
        if (std::system(command.c_str()) != 0)
            return 1;
        const double m = Seconds(start);
        std::printf("round %d: TransferEntry %.3f s, mv %.3f s\n", round + 1, o, m);
        if (round == 0 || o < ours)
            ours = o;
        if (round == 0 || m < mv)
            mv = m;
        std::error_code ec;
        std::filesystem::remove_all(shm / "ours", ec);
        std::filesystem::remove_all(shm / "mv", ec);
        std::filesystem::create_directories(shm / "ours");
        std::filesystem::create_directories(shm / "mv");
    }
    std::printf(
        "%d files of %zu bytes, disk to tmpfs, best of 3: TransferEntry / mv = %.2f (goal: at most 1.2)\n",
        count, bytes, ours / mv);
    std::error_code ec;
    std::filesystem::remove_all(disk, ec);
    std::filesystem::remove_all(shm, ec);
    return 0;
}
