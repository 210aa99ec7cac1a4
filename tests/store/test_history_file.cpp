// SPDX-License-Identifier: GPL-3.0-or-later
#include "doubles/scripted_message_box.h"
#include "store/history_file.h"

#include "platform/cp932.h"
#include "platform/files.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace sv {
namespace {

using testing::Sjis;
using testing::TempFolder;

TAppSettings Limited(int hundreds) {
    TAppSettings settings;
    settings.HistDel = true;
    settings.HistMax = hundreds;
    return settings;
}

// Records a run of `count` items named 0.avi, 1.avi, ...
TPendingHistory RecordRun(int count, const TAppSettings& settings) {
    TPendingHistory pending;
    for (int i = 0; i < count; ++i)
        RecordHistory(pending, "\\dest\\", std::to_string(i) + ".avi", "\\src", kMarkPlain, false, settings);
    return pending;
}

TEST(HistoryRecording, LinesAreWrittenByteForByteInFrontOfTheOldOnes) {
    TempFolder folder;
    const std::string old = Sjis("08/12/31 23:59:59\r\n  \r\nold.avi\r\nD:\\Old*C:\\Down\r\n");
    folder.WriteBytes("History.dat", "\r\n" + old + "\r\n\r\n");

    ScopedFixedClock clock({2009, 1, 23, 7, 5, 9});
    TPendingHistory pending;
    const TAppSettings settings;
    EXPECT_TRUE(
        RecordHistory(pending, "D:\\Movies\\", "clip.avi", "C:\\Down", kMarkRenamed, false, settings));
    EXPECT_TRUE(RecordHistory(pending, "D:\\", "root.avi", "C:\\Down", kMarkPlain, false, settings));
    EXPECT_TRUE(RecordHistory(pending, "ごみ箱", "dup.avi", "", kMarkDeleted, false, settings));
    EXPECT_TRUE(RecordHistory(pending, "D:\\Sets", "セット", "C:\\Down", kMarkFolder, false, settings));
    EXPECT_TRUE(RecordHistory(pending, "D:\\Movies", "a.mpg", "C:\\Down", kMarkExtChanged, false, settings));
    EXPECT_EQ(pending.recorded, 5);
    EXPECT_EQ(pending.lines[0], "09/01/23 07:05:09"); // the hour always has two digits
    EXPECT_EQ(pending.lines[1], "\u3000変");

    ASSERT_TRUE(PrependRunHistory(folder.PathText(), pending).ok());
    const std::string expected = Sjis("09/01/23 07:05:09\r\n\u3000変\r\nclip.avi\r\nD:\\Movies*C:\\Down\r\n"
                                      "09/01/23 07:05:09\r\n  \r\nroot.avi\r\nD:*C:\\Down\r\n"
                                      "09/01/23 07:05:09\r\n\u3000消\r\ndup.avi\r\nごみ箱*\r\n"
                                      "09/01/23 07:05:09\r\n\u3000Ｆ\r\nセット\r\nD:\\Sets*C:\\Down\r\n"
                                      "09/01/23 07:05:09\r\n 拡変\r\na.mpg\r\nD:\\Movies*C:\\Down\r\n") +
                                 old;
    EXPECT_EQ(folder.ReadBytes("History.dat"), expected);
}

TEST(HistoryRecording, TheLimitCountsPerRun) {
    EXPECT_EQ(HistoryLimit(TAppSettings{}), 1000000000);
    EXPECT_EQ(HistoryLimit(Limited(5)), 500);
    EXPECT_EQ(HistoryLimit(Limited(0)), 0);

    const TPendingHistory first = RecordRun(150, Limited(1));
    EXPECT_EQ(first.recorded, 100);
    ASSERT_EQ(first.lines.size(), 400U);
    EXPECT_EQ(first.lines[398], "99.avi");               // the first hundred, and only those
    EXPECT_EQ(RecordRun(150, Limited(1)).recorded, 100); // the next run starts again at 0
    EXPECT_EQ(RecordRun(150, Limited(0)).lines.size(), 0U);
    EXPECT_EQ(RecordRun(150, TAppSettings{}).recorded, 150);

    TPendingHistory pending;
    EXPECT_FALSE(RecordHistory(pending, "\\d", "x", "\\s", kMarkPlain, true, TAppSettings{}));
    EXPECT_TRUE(pending.Empty());
}

TEST(HistoryRecording, NamesTheFileCannotHoldAreWrittenAsReversibleEscapes) {
    TempFolder folder;
    TPendingHistory pending;
    RecordHistory(pending, "\\dest", "café\n😀.avi", "\\src", kMarkPlain, false, TAppSettings{});
    // A line break would shift every later record; a "?" would name another file.
    EXPECT_EQ(pending.lines[2], "caf&#xE9;&#xA;&#x1F600;.avi");
    ASSERT_TRUE(PrependRunHistory(folder.PathText(), pending).ok());
    const std::string bytes = folder.ReadBytes("History.dat");
    EXPECT_NE(bytes.find("\r\ncaf&#xE9;&#xA;&#x1F600;.avi\r\n\\dest*\\src\r\n"), std::string::npos);
}

TEST(HistoryRecording, NothingIsWrittenForAnEmptyRunOrOverAnUnreadableFile) {
    TempFolder folder;
    ASSERT_TRUE(PrependRunHistory(folder.PathText(), TPendingHistory{}).ok());
    EXPECT_FALSE(folder.Exists("History.dat"));

    ::mkdir(folder.NativeFile("History.dat").c_str(), 0700); // cannot be read as a file
    const TPendingHistory pending = RecordRun(1, TAppSettings{});
    EXPECT_FALSE(PrependRunHistory(folder.PathText(), pending).ok());
}

TEST(HistoryLoading, GroupsNonEmptyLinesFourByFour) {
    TempFolder folder;
    // Empty lines between blocks, a location line without "*", one ending in "*", and a trailing
    // partial record of two lines.
    folder.WriteBytes("History.dat",
                      Sjis("09/01/23 07:05:09\r\n\u3000変\r\nclip.avi\r\nD:\\Movies*C:\\Down\r\n"
                           "\r\n\r\n"
                           "09/01/22 10:00:00\r\n  \r\nb.avi\r\nD:\\Movies\r\n"
                           "\r\n"
                           "09/01/21 10:00:00\r\n\u3000Ｆ\r\nセット\r\nD:*\r\n"
                           "09/01/20 10:00:00\r\n  \r\n"));
    THistoryList list;
    const HistoryLoadResult result = LoadHistory(folder.PathText(), list, 1000000000);
    EXPECT_EQ(result.state, HistoryLoadState::Refreshed);
    ASSERT_EQ(list.Size(), 3U);
    EXPECT_EQ(list.entries[0],
              (THistoryEntry{"09/01/23 07:05:09", "\u3000変", "clip.avi", "D:\\Movies", "C:\\Down"}));
    EXPECT_EQ(list.entries[1].EntryDest, "D:\\Movies");
    EXPECT_EQ(list.entries[1].EntrySource, "");
    EXPECT_EQ(list.entries[2].EntryDest, "D:");
    EXPECT_EQ(list.entries[2].EntrySource, "");
    EXPECT_TRUE(list.entries[2].IsFolder());
    EXPECT_FALSE(list.entries[0].IsFolder());

    THistoryList limited;
    LoadHistory(folder.PathText(), limited, 2);
    EXPECT_EQ(limited.Size(), 2U); // the newest
    EXPECT_EQ(limited.entries[1].EntryName, "b.avi");
}

TEST(HistoryLoading, RefreshesInPlaceOrSkipsWhenTheLineCountMatches) {
    TempFolder folder;
    THistoryList list;
    EXPECT_EQ(LoadHistory(folder.PathText(), list, 1000).state, HistoryLoadState::Missing);
    list.entries.push_back(THistoryEntry{"t", "  ", "gone", "d", "s"});
    EXPECT_EQ(LoadHistory(folder.PathText(), list, 1000).state, HistoryLoadState::Missing);
    EXPECT_EQ(list.Size(), 0U);

    ScopedFixedClock clock({2009, 1, 23, 7, 5, 9});
    ASSERT_TRUE(PrependRunHistory(folder.PathText(), RecordRun(3, TAppSettings{})).ok());
    ASSERT_EQ(LoadHistory(folder.PathText(), list, 1000).state, HistoryLoadState::Refreshed);
    ASSERT_EQ(list.Size(), 3U);

    // Same number of lines: taken as unchanged, even though the list was edited.
    THistoryEntry edited = list.entries[0];
    edited.EntryName = "edited";
    list.entries.Set(0, edited);
    EXPECT_EQ(LoadHistory(folder.PathText(), list, 1000).state, HistoryLoadState::Unchanged);
    EXPECT_EQ(list.entries[0].EntryName, "edited");

    // A new run in front: the list is refilled; entries beyond the records read are dropped.
    ASSERT_TRUE(PrependRunHistory(folder.PathText(), RecordRun(1, TAppSettings{})).ok());
    list.entries.resize(7, THistoryEntry{"t", "  ", "stale", "d", "s"});
    ASSERT_EQ(LoadHistory(folder.PathText(), list, 1000).state, HistoryLoadState::Refreshed);
    ASSERT_EQ(list.Size(), 4U);
    EXPECT_EQ(list.entries[0].EntryName, "0.avi");
    EXPECT_EQ(list.entries[1].EntryName, "0.avi");
    EXPECT_EQ(list.entries[3].EntryName, "2.avi");
}

TEST(HistorySaving, WritesTheListAndAsksToClearReadOnlyMarks) {
    TempFolder folder;
    THistoryList list;
    list.entries.push_back(THistoryEntry{"09/01/23 07:05:09", "  ", "a.avi", "D:", ""});
    list.entries.push_back(THistoryEntry{"09/01/22 07:05:09", "\u3000新", "b.avi", "D:\\M", "C:\\Down"});
    ScriptedMessageBox box;
    ASSERT_TRUE(SaveHistory(folder.PathText(), "Sorvanta.ini", list, box).ok());
    EXPECT_TRUE(box.Shown().empty());
    const std::string bytes = Sjis("09/01/23 07:05:09\r\n  \r\na.avi\r\nD:*\r\n"
                                   "09/01/22 07:05:09\r\n\u3000新\r\nb.avi\r\nD:\\M*C:\\Down\r\n");
    EXPECT_EQ(folder.ReadBytes("History.dat"), bytes);
    EXPECT_EQ(HistoryFileBytes(list), bytes);

    // Read-only: No leaves the file as it was.
    folder.WriteBytes("Condition.txt", "");
    ASSERT_TRUE(ClearReadOnly(folder.PathText() + "History.dat").ok());
    ::chmod(folder.NativeFile("History.dat").c_str(), 0444);
    ::chmod(folder.NativeFile("Condition.txt").c_str(), 0444);
    list.entries.pop_back();
    box.QueueAnswer(MbAnswer::No);
    EXPECT_FALSE(SaveHistory(folder.PathText(), "Sorvanta.ini", list, box).ok());
    ASSERT_EQ(box.Shown().size(), 1U);
    const MessageBoxRequest& shown = box.Shown()[0];
    EXPECT_EQ(shown.title, "Sorvanta - ファイル書き込みエラー");
    EXPECT_EQ(shown.text,
              "履歴ファイルに書き込みできません。読み取り専用属性を外して書き込みしてみましょうか？");
    EXPECT_EQ(shown.icon, MbIcon::Error);
    EXPECT_EQ(shown.buttons, MbButtons::YesNo);
    EXPECT_EQ(folder.ReadBytes("History.dat"), bytes);
    EXPECT_EQ(list.Size(), 1U);

    // Yes clears the marks of the data files and writes.
    box.QueueAnswer(MbAnswer::Yes);
    EXPECT_TRUE(SaveHistory(folder.PathText(), "Sorvanta.ini", list, box).ok());
    EXPECT_EQ(box.Shown().size(), 2U);
    EXPECT_TRUE(box.AllAnswersUsed());
    EXPECT_EQ(folder.ReadBytes("History.dat"), Sjis("09/01/23 07:05:09\r\n  \r\na.avi\r\nD:*\r\n"));
    EXPECT_FALSE(IsReadOnly(folder.PathText() + "Condition.txt"));
}

TEST(HistorySaving, AFileReadAndWrittenAgainKeepsItsBytes) {
    TempFolder folder;
    // A damaged byte, a NEC extension character and a lone LF line end among the records.
    const std::string bytes = "09/01/23 07:05:09\r\n  \r\n\x80\xff" + Sjis("①.avi") +
                              "\r\nD:\\M*C:\\Down\n09/01/22 07:05:09\r\n  \r\nb\r\nD:*\r\n";
    folder.WriteBytes("History.dat", bytes);
    THistoryList list;
    ASSERT_EQ(LoadHistory(folder.PathText(), list, 1000).state, HistoryLoadState::Refreshed);
    ASSERT_EQ(list.Size(), 2U);
    list.entries.Reorder({1, 0}); // the window re-sorted it
    ScriptedMessageBox box;
    ASSERT_TRUE(SaveHistory(folder.PathText(), "Sorvanta.ini", list, box).ok());
    EXPECT_EQ(folder.ReadBytes("History.dat"), "09/01/22 07:05:09\r\n  \r\nb\r\nD:*\r\n"
                                               "09/01/23 07:05:09\r\n  \r\n\x80\xff" +
                                                   Sjis("①.avi") + "\r\nD:\\M*C:\\Down\r\n");
}

// A history of many megabytes, with the breaks and empty lines other tools leave, a damaged byte
// and a character in another of its codes.
std::string LongHistory(int records) {
    std::string bytes;
    for (int i = 0; i < records; ++i) {
        bytes += "26/01/02 03:04:05" + std::string(i % 97 == 0 ? "\n" : "\r\n") + (i % 5 == 0 ? "\r\n" : "");
        bytes += Sjis(i % 2 == 0 ? "\u3000変" : "  ") + (i % 89 == 0 ? "\r" : "\r\n");
        bytes += (i % 1000 == 7 ? std::string("\x80\xff") : std::string()) +
                 (i % 1000 == 8 ? std::string("\xEE\xE0") : std::string()) + Sjis("写真") +
                 std::to_string(i) + ".jpg\r\n";
        bytes += Sjis("\\home\\u\\整理済み*\\home\\u\\ダウンロード") + "\r\n";
    }
    return bytes;
}

std::string JoinedLines(std::string_view bytes) {
    std::string out;
    for (const std::string_view line : NonEmptyLines(bytes))
        out.append(line).append("\r\n");
    return out;
}

TEST(HistoryRecording, ALongHistoryStreamsThroughThePrependByteForByte) {
    TempFolder folder;
    const std::string old = LongHistory(60000);
    ASSERT_GT(old.size(), 3u << 20);
    folder.WriteBytes("History.dat", old);
    ScopedFixedClock clock({2009, 1, 23, 7, 5, 9});
    ASSERT_TRUE(PrependRunHistory(folder.PathText(), RecordRun(2, TAppSettings{})).ok());
    EXPECT_EQ(folder.ReadBytes("History.dat"), "09/01/23 07:05:09\r\n  \r\n0.avi\r\n\\dest*\\src\r\n"
                                               "09/01/23 07:05:09\r\n  \r\n1.avi\r\n\\dest*\\src\r\n" +
                                                   JoinedLines(old));
}

TEST(HistoryDamage, IsFoundAnywhereInALongHistoryAndOnlyThere) {
    TempFolder folder;
    std::string bytes = LongHistory(40000);
    folder.WriteBytes("History.dat", bytes);
    EXPECT_FALSE(KeepDamagedHistoryAside(folder.PathText()).Needed());
    EXPECT_FALSE(folder.Exists("History.dat.bak"));
    EXPECT_EQ(HistoryFileDamage(bytes), "");

    // A record near the end whose mark line is not a mark: the lines after it are shifted.
    bytes += "26/01/02 03:04:05\r\nnot a mark\r\nx.jpg\r\n\\d*\\s\r\n";
    bytes += LongHistory(3);
    folder.WriteBytes("History.dat", bytes);
    const TKeptAside kept = KeepDamagedHistoryAside(folder.PathText());
    EXPECT_TRUE(kept.Needed());
    EXPECT_EQ(folder.ReadBytes("History.dat.bak"), bytes);
    EXPECT_EQ(HistoryFileDamage(bytes), "形式の正しくない記録を含んでいます（行のずれなど）");
    // A line too few wins over the shape.
    EXPECT_EQ(HistoryFileDamage(bytes + "26/01/02 03:04:05\r\n"),
              "4 行ずつそろわない記録を含んでいます（最後の記録を読み込めません）");
}

TEST(HistoryList, KeepsTheFileBytesThroughSortingErasingAndEditing) {
    TempFolder folder;
    const std::string old = LongHistory(3000);
    folder.WriteBytes("History.dat", old);
    THistoryList list;
    ASSERT_EQ(LoadHistory(folder.PathText(), list, 1000000).state, HistoryLoadState::Refreshed);
    ASSERT_EQ(list.Size(), 3000u);
    // The character in its other code is read as the same character and written in its own.
    EXPECT_TRUE(list.otherCodes);
    EXPECT_EQ(list.entries[8].EntryName, Cp932ToUtf8("\xEE\xE0") + "写真8.jpg");
    EXPECT_EQ(list.entries.Bytes(8, HistoryField::Name), "\xFB\xFC" + Sjis("写真8.jpg"));
    EXPECT_EQ(list.entries[7].EntryName, Cp932ToUtf8("\x80\xff") + "写真7.jpg");
    EXPECT_EQ(list.entries[1].EntryDest, "\\home\\u\\整理済み");
    EXPECT_EQ(list.entries[1].EntrySource, "\\home\\u\\ダウンロード");
    EXPECT_EQ(list.entries[0].EntryMark, "\u3000変");

    std::string canonical = JoinedLines(old);
    for (auto at = canonical.find("\xEE\xE0"); at != std::string::npos; at = canonical.find("\xEE\xE0", at))
        canonical.replace(at, 2, "\xFB\xFC");
    EXPECT_EQ(HistoryFileBytes(list), canonical);

    // Reversed, every third erased, one edited: the others keep their bytes.
    std::vector<std::size_t> reversed(list.Size());
    for (std::size_t i = 0; i < reversed.size(); ++i)
        reversed[i] = reversed.size() - 1 - i;
    list.entries.Reorder(reversed);
    std::vector<std::size_t> thirds;
    for (std::size_t i = 0; i < list.Size(); i += 3)
        thirds.push_back(i);
    list.entries.EraseSorted(thirds);
    THistoryEntry edited = list.entries[0];
    edited.EntryName = "編集.jpg";
    list.entries.Set(0, edited);
    ASSERT_EQ(list.Size(), 2000u);
    const std::vector<std::string_view> lines = NonEmptyLines(canonical);
    std::string expected;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < 3000; ++i) {
        if (i % 3 == 0)
            continue;
        const std::size_t k = 2999 - i;
        const std::string name = kept++ == 0 ? Sjis("編集.jpg") : std::string(lines[4 * k + 2]);
        expected.append(lines[4 * k]).append("\r\n").append(lines[4 * k + 1]).append("\r\n");
        expected.append(name).append("\r\n").append(lines[4 * k + 3]).append("\r\n");
    }
    EXPECT_EQ(HistoryFileBytes(list), expected);
    EXPECT_EQ(list.entries[0].EntryName, "編集.jpg");
    EXPECT_FALSE(list.entries.IsFolder(0));
}

} // namespace
} // namespace sv
