// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/history_logic.h"
#include "platform/fileops_testing.h"
#include "platform/pathtext.h"
#include "store/byte_size.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace sv {
namespace {

using testing::TempFolder;

THistoryEntry Entry(std::string name, std::string mark = "  ", std::string dest = "\\d",
                    std::string source = "", std::string time = "26/12/08 10:00:00") {
    return {std::move(time), std::move(mark), std::move(name), std::move(dest), std::move(source)};
}

std::vector<std::string> Names(const THistoryList& list) {
    std::vector<std::string> names;
    for (const THistoryEntry& e : list.entries)
        names.push_back(e.EntryName);
    return names;
}

TEST(FormatByteSize, UnitsSwitchAtAThousandAndDecimalsAreCut) {
    EXPECT_EQ(FormatByteSize(0), "0 バイト");
    EXPECT_EQ(FormatByteSize(1023), "1023 バイト");
    EXPECT_EQ(FormatByteSize(1024), "1.00 KB");
    EXPECT_EQ(FormatByteSize(2047), "1.99 KB"); // 1.999 KB is cut, not rounded
    EXPECT_EQ(FormatByteSize(static_cast<std::uint64_t>(150.7 * 1024)), "150 KB");
    EXPECT_EQ(FormatByteSize(10 * 1024 + 512), "10.5 KB");
    EXPECT_EQ(FormatByteSize(999 * 1024), "999 KB");
    EXPECT_EQ(FormatByteSize(1000 * 1024), "0.97 MB"); // 1000 KB is already MB
    EXPECT_EQ(FormatByteSize(1000ULL * 1024 * 1024), "0.97 GB");
    EXPECT_EQ(FormatByteSize(10ULL * 1024 * 1024 * 1024), "10.0 GB"); // one decimal from 10 GB
    EXPECT_EQ(FormatByteSize(5ULL * 1024 * 1024 * 1024 * 1024), "5120.0 GB");
}

TEST(HistorySort, NameAscendsFirstOtherColumnsDescendAndEveryClickReverses) {
    THistoryList list;
    list.entries = {Entry("b.avi", "\u3000変"), Entry("A.avi", "  "), Entry("c.avi", "\u3000Ｆ"),
                    Entry("a.avi")};
    THistorySort sort;
    SortHistory(list, sort, 0);
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{"A.avi", "a.avi", "b.avi", "c.avi"})); // case-blind, stable
    SortHistory(list, sort, 0);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"c.avi", "b.avi", "A.avi", "a.avi"}));
    // "処理": the first click descends by code page bytes ("　変" 81 40 95 CF, "　Ｆ" 81 40 82 65,
    // "  " 20 20), the second ascends.
    SortHistory(list, sort, 1);
    EXPECT_EQ(list.entries.front().EntryMark, "\u3000変");
    EXPECT_EQ(list.entries.back().EntryMark, "  ");
    SortHistory(list, sort, 1);
    EXPECT_EQ(list.entries.front().EntryMark, "  ");
    EXPECT_EQ(sort.column, 1);
}

TEST(HistorySort, TrailBytesThatLookLikeLettersAreNotFolded) {
    // "ッ" is 83 62, a trail byte like "b"; folded it would sort before "ウ" (83 45).
    THistoryList list;
    list.entries = {Entry("\u30c3"), Entry("\u30a6"), Entry("ab"), Entry("a")};
    THistorySort sort;
    SortHistory(list, sort, 0);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "ab", "\u30a6", "\u30c3"}));
}

TEST(HistoryMenu, StatesFollowTheSelection) {
    const auto none = HistoryMenuStates(0, 0);
    EXPECT_FALSE(none.open || none.selection || none.list);
    const auto one = HistoryMenuStates(1, 3);
    EXPECT_TRUE(one.open && one.selection && one.list);
    const auto two = HistoryMenuStates(2, 3);
    EXPECT_FALSE(two.open);
    EXPECT_TRUE(two.selection && two.list);
}

TEST(HistoryItems, MissingCleanUpDeleteAndMoveBack) {
    TempFolder dir;
    std::filesystem::create_directories(dir.NativeFile("d/set"));
    std::filesystem::create_directories(dir.NativeFile("src"));
    dir.WriteBytes("d/here.avi", "here");
    const std::string d = dir.PathText() + "d";
    const THistoryEntry file = Entry("here.avi", "  ", d, dir.PathText() + "src");
    const THistoryEntry gone = Entry("gone.avi", "  ", d);
    const THistoryEntry folder = Entry("set", "\u3000Ｆ", d);
    const THistoryEntry folderGone = Entry("nothere", "\u3000Ｆ", d);
    const THistoryEntry fileNamedLikeFolder = Entry("set", "  ", d); // a file entry whose path is a folder
    EXPECT_FALSE(HistoryItemMissing(file));
    EXPECT_TRUE(HistoryItemMissing(gone));
    EXPECT_FALSE(HistoryItemMissing(folder));
    EXPECT_TRUE(HistoryItemMissing(folderGone));
    EXPECT_TRUE(HistoryItemMissing(fileNamedLikeFolder));
    EXPECT_EQ(CleanupQuestion(99), "99 個の項目が整理されます。よろしいですか？");
    EXPECT_EQ(CleanupQuestion(100), "100 個もの項目が整理されます。本当によろしいですか？");

    THistoryList list;
    list.entries = {file, folder, gone};
    // Delete passes over the folder and the missing file.
    EXPECT_EQ(DeleteHistoryFiles(Disk(), list, {1, 2}, false), 0);
    EXPECT_TRUE(dir.Exists("d/set"));
    EraseHistoryEntries(list, {2, 0, 2});
    ASSERT_EQ(list.entries.size(), 1u);
    EXPECT_EQ(list.entries[0].EntryName, "set");

    // Move back: to its source; onto a taken name nothing moves; an empty source uses the main one.
    dir.WriteBytes("src/here.avi", "other");
    EXPECT_EQ(MoveHistoryItemBack(Disk(), file, "", false, nullptr), MoveBackResult::PassedOver);
    EXPECT_EQ(dir.ReadBytes("d/here.avi"), "here");
    EXPECT_EQ(dir.ReadBytes("src/here.avi"), "other");
    std::filesystem::remove(dir.NativeFile("src/here.avi"));
    EXPECT_EQ(MoveHistoryItemBack(Disk(), file, "", false, nullptr), MoveBackResult::Moved);
    EXPECT_EQ(dir.ReadBytes("src/here.avi"), "here");
    EXPECT_EQ(MoveHistoryItemBack(Disk(), file, "", false, nullptr),
              MoveBackResult::PassedOver); // gone meanwhile
    EXPECT_EQ(MoveHistoryItemBack(Disk(), folder, dir.PathText() + "src", false, nullptr),
              MoveBackResult::Moved);
    EXPECT_TRUE(std::filesystem::is_directory(dir.NativeFile("src/set")));
    EXPECT_EQ(MoveHistoryItemBack(Disk(), gone, dir.PathText() + "nowhere", false, nullptr),
              MoveBackResult::PassedOver);
}

TEST(HistoryItems, MoveBackAcrossFileSystemsCopiesThenRemoves) {
    testing::OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    TempFolder dir;
    std::filesystem::create_directories(other.Native("d"));
    {
        std::ofstream out(other.Native("d/clip.avi"), std::ios::binary);
        out << std::string(3 * 1024 * 1024, 'c');
    }
    const THistoryEntry entry = Entry("clip.avi", "  ", other.PathText("d"), dir.PathText() + "");
    EXPECT_EQ(MoveHistoryItemBack(Disk(), entry, "", false, nullptr), MoveBackResult::Moved);
    EXPECT_EQ(std::filesystem::file_size(dir.NativeFile("clip.avi")), 3u * 1024 * 1024);
    EXPECT_FALSE(std::filesystem::exists(other.Native("d/clip.avi")));
}

TEST(HistoryStatus, OneAndSeveralEntries) {
    TempFolder dir;
    dir.WriteBytes("a.avi", std::string(2048, 'x'));
    dir.WriteBytes("b.avi", std::string(1024, 'x'));
    const std::string d = dir.PathText();
    THistoryList list;
    list.entries = {Entry("a.avi", "  ", d.substr(0, d.size() - 1)),
                    Entry("b.avi", "  ", d.substr(0, d.size() - 1)), Entry("c.avi", "  ", "\\nowhere"),
                    Entry("f", "\u3000Ｆ", "\\nowhere")};
    const THistoryStatus one = HistoryStatusForOne(list.entries[0]);
    EXPECT_EQ(one.panel0.size(), 17u); // "yy/mm/dd hh:nn:ss"
    EXPECT_EQ(one.panel1, "2.00 KB");
    EXPECT_EQ(one.panel2.rfind("振り分け先ドライブ（/", 0), 0u) << one.panel2;
    EXPECT_NE(one.panel2.find("） 空きディスク領域: "), std::string::npos);
    EXPECT_EQ(HistoryStatusForOne(list.entries[2]).panel0, "ファイルがありません");
    EXPECT_EQ(HistoryStatusForOne(list.entries[3]).panel0, "フォルダがありません");
    const THistoryStatus several = HistoryStatusForSeveral(list, {0, 1, 2});
    EXPECT_EQ(several.panel0, "3 個の項目を選択");
    EXPECT_EQ(several.panel1, "3.00 KB");
    EXPECT_EQ(HistoryCountText(4), "4 個の項目");
}

TEST(HistoryFind, WholeNameCaseBlindFromTheNextEntryRoundTheEnd) {
    THistoryList list;
    list.entries = {Entry("Clip.avi"), Entry("other"), Entry("clip.AVI")};
    EXPECT_EQ(FindHistoryEntry(list, "clip.avi", std::nullopt), 0u);
    EXPECT_EQ(FindHistoryEntry(list, "clip.avi", 0), 2u);
    EXPECT_EQ(FindHistoryEntry(list, "clip.avi", 2), 0u);
    EXPECT_FALSE(FindHistoryEntry(list, "clip", std::nullopt));
}

} // namespace
} // namespace sv
