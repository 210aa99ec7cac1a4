// SPDX-License-Identifier: GPL-3.0-or-later
// What the check for characters in other codes costs on a large History.dat: the table walk over
// the whole file, against converting it there and back, and the history window's load with it.
//   bench_data_files [records]
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "store/history_file.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace sv;

namespace {

double Ms(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const char* stems[] = {"夏祭りの写真", "ﾃｽﾄ音楽", "会議資料（第３版）", "旅行記録_京都", "猫の動画①"};
    const char* marks[] = {"  ", "\u3000変", "\u3000Ｆ", " 拡変"};
    std::string bytes;
    for (int i = 0; i < records; ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "26/%02d/%02d %02d:%02d:%02d", 1 + i % 12, 1 + i % 28, i % 24,
                      i % 60, (i * 7) % 60);
        bytes += *Utf8ToCp932(std::string(time) + "\r\n" + marks[i % 4] + "\r\n" + stems[(i * 31) % 5] +
                              std::to_string(i * 7919 % 100000) + ".jpg\r\n\\home\\u\\整理済み\\" +
                              stems[i % 5] + "*\\home\\u\\ダウンロード\r\n");
    }
    std::printf("History.dat of %d records, %.1f MB\n", records, static_cast<double>(bytes.size()) / 1e6);

    auto start = std::chrono::steady_clock::now();
    const bool exact = IsExactCp932(bytes);
    std::printf("IsExactCp932 over the whole file: %.0f ms (%s)\n", Ms(start), exact ? "exact" : "not exact");
    start = std::chrono::steady_clock::now();
    const bool same = Utf8ToCp932Lossy(Cp932ToUtf8(bytes)) == bytes;
    std::printf("decoding and encoding it again: %.0f ms (%s)\n", Ms(start), same ? "same" : "other");

    // The history window's load: the check runs per record it reads.
    const std::string folder = std::filesystem::temp_directory_path().string() + "/sorvanta-bench-data";
    std::filesystem::create_directories(folder);
    const std::string folderText = FromNativePath(folder) + "\\";
    if (!WriteFileAtomic(folderText + "History.dat", bytes).ok())
        return 1;
    THistoryList list;
    start = std::chrono::steady_clock::now();
    (void)LoadHistory(folderText, list, 1000000000);
    std::printf("LoadHistory with the check: %.0f ms (%zu entries)\n", Ms(start), list.Size());
    start = std::chrono::steady_clock::now();
    (void)KeepDamagedHistoryAside(folderText);
    std::printf("the start's check of History.dat: %.0f ms\n", Ms(start));

    // Raw bytes that are no characters in the last record: the walk converts only their piece.
    const std::string stray = bytes + "26/12/08 10:00:00\r\n  \r\nA\xEE\xEE\xEF.jpg\r\n\\d*\\s\r\n";
    start = std::chrono::steady_clock::now();
    const bool strayExact = IsExactCp932(stray);
    std::printf("IsExactCp932 with raw bytes in the last record: %.0f ms (%s)\n", Ms(start),
                strayExact ? "exact" : "not exact");
    std::filesystem::remove_all(folder);
    return 0;
}
