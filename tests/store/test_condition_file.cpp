// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/condition_file.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace sv {
namespace {

using testing::Sjis;
using testing::TempFolder;

TEST(ConditionFile, ReadsAFileOfAnotherInstallationAndWritesItBackByteForByte) {
    TempFolder dir;
    // Two conditions as another installation writes them: check mark, markers, blocks, a leading
    // blank in the coded text, Japanese folders and a setting name.
    const std::string bytes = Sjis("アニメ 第01話//週刊\r\n") +
                              Sjis("\x08 D:\\アニメ*|\x04\x05"
                                   "1   521\x06"
                                   "0  1022\x13"
                                   "1342421111</D:\\dl\r\n") +
                              Sjis("\"a b\" /tmp\r\n") +
                              Sjis("E:\\x\x01\x02\x03\x07\x10\x11\x18\x05"
                                   "0  1022\x06"
                                   "0  1022\x13"
                                   "0212121111\r\n");
    dir.WriteBytes("Condition.txt", bytes);
    TConditionList list;
    const ConditionLoad load = LoadConditions(dir.PathText(), list);
    EXPECT_FALSE(load.unreadable);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(0).keywordText, "アニメ 第01話//週刊");
    EXPECT_EQ(BuildListRow(list.At(0)).dest, "D:\\アニメ");
    EXPECT_TRUE(IsChecked(list.At(0).destText));

    ASSERT_TRUE(SaveConditions(dir.PathText(), list).ok());
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), bytes);
}

TEST(ConditionFile, TimeLimitBlocksSurviveTheFileAndDoNotCountAsDamage) {
    TempFolder dir;
    TConditionFields f;
    f.keywords = "mp3";
    f.destFolder = "\\d";
    f.ownSource = true;
    f.sourceFolder = "\\s";
    f.dateLimits = {TDateLimit{true, 2011, 3, 15, TimeSide::AtOrAfter},
                    TDateLimit{true, 1601, 1, 1, TimeSide::AtOrBefore}};
    f.ageLimits = {TAgeLimit{true, 0, AgeTerm::Months, TimeSide::AtOrBefore},
                   TAgeLimit{true, 99, AgeTerm::Weeks, TimeSide::AtOrAfter}};
    TSortCondition c;
    ASSERT_TRUE(ComposeCondition(f, c).ok());
    TConditionList list;
    ASSERT_TRUE(list.InsertAt(0, c).ok());
    ASSERT_TRUE(SaveConditions(dir.PathText(), list).ok());
    const std::string bytes = dir.ReadBytes("Condition.txt");
    TConditionList back;
    const ConditionLoad load = LoadConditions(dir.PathText(), back);
    EXPECT_FALSE(load.unreadable);
    EXPECT_FALSE(load.keptAside.Needed());
    EXPECT_EQ(ConditionFileDamage(bytes, back), "");
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.At(0), c);
    EXPECT_EQ(DecodeCondition(back.At(0)).ageLimits[1],
              (TAgeLimit{true, 99, AgeTerm::Weeks, TimeSide::AtOrAfter}));
}

TEST(ConditionFile, AcceptsAnyLineEndAndStopsAtAZeroByte) {
    TempFolder dir;
    dir.WriteBytes("Condition.txt", std::string("k1\rd1\nk2\r\nd2\nk3\nd3\0k4\r\nd4\r\n", 24));
    TConditionList list;
    LoadConditions(dir.PathText(), list);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(2).destText, "d3");

    dir.WriteBytes("Condition.txt", "k1\r\nd1\r\nk2");
    LoadConditions(dir.PathText(), list);
    EXPECT_EQ(list.Count(), 1) << "the odd last line is ignored";
    ASSERT_TRUE(SaveConditions(dir.PathText(), list).ok());
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), "k1\r\nd1\r\n");

    dir.WriteBytes("Condition.txt", "k1\r\nd1"); // no final line end
    LoadConditions(dir.PathText(), list);
    EXPECT_EQ(list.At(0).destText, "d1");
}

TEST(ConditionFile, EmptyAndMissingFilesGiveAnEmptyTableWithoutComplaint) {
    TempFolder dir;
    TConditionList list;
    list.Put(0, {"stale", "stale"});
    ConditionLoad load = LoadConditions(dir.PathText(), list);
    EXPECT_FALSE(load.unreadable);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.At(0).keywordText, "");

    ASSERT_TRUE(SaveConditions(dir.PathText(), list).ok());
    EXPECT_TRUE(dir.Exists("Condition.txt"));
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), "");
    load = LoadConditions(dir.PathText(), list);
    EXPECT_FALSE(load.unreadable);
    EXPECT_EQ(list.Count(), 0);
}

TEST(ConditionFile, TakesAtMostTenThousandConditionsAndSaysWhatItLeftOut) {
    TempFolder dir;
    std::string bytes;
    for (int i = 0; i < 10003; ++i)
        bytes += "k" + std::to_string(i) + "\r\nd\r\n";
    dir.WriteBytes("Condition.txt", bytes);
    TConditionList list;
    const ConditionLoad load = LoadConditions(dir.PathText(), list);
    EXPECT_EQ(list.Count(), 10000);
    EXPECT_EQ(load.ignoredLines, 6);
    EXPECT_EQ(list.At(9999).keywordText, "k9999");
}

TEST(ConditionFile, GapsAndOrphanLinesOfADamagedFileAreKeptThroughASave) {
    TempFolder dir;
    // Condition 2 has an empty coded line: the list ends before it, but nothing is dropped.
    const std::string bytes = "k1\r\nd1\r\nk2\r\n\r\nk3\r\nd3\r\n\r\nd4\r\n";
    dir.WriteBytes("Condition.txt", bytes);
    TConditionList list;
    LoadConditions(dir.PathText(), list);
    EXPECT_EQ(list.Count(), 1);
    ASSERT_TRUE(SaveConditions(dir.PathText(), list).ok());
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), bytes);
}

TEST(ConditionFile, UnreadableFileIsMovedAsideSoNoSaveOverwritesIt) {
    TempFolder dir;
    std::filesystem::create_directory(dir.NativeFile("Condition.txt"));
    dir.WriteBytes("Condition.txt/inside", "precious");
    TConditionList list;
    const ConditionLoad load = LoadConditions(dir.PathText(), list);
    EXPECT_TRUE(load.unreadable);
    EXPECT_EQ(load.movedAsideTo, dir.PathText() + "Condition.txt.bad");
    EXPECT_EQ(list.Count(), 0);
    ASSERT_TRUE(SaveConditions(dir.PathText(), list).ok());
    EXPECT_EQ(dir.ReadBytes("Condition.txt.bad/inside"), "precious");
}

TEST(ConditionFile, RandomBytesNeverCrashAndRoundTripExactly) {
    TempFolder dir;
    std::mt19937 rng(1132);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(static_cast<std::size_t>(byte(rng) * 4), '\0');
        for (char& c : bytes) {
            c = static_cast<char>(byte(rng));
            if (c == '\0' || c == '\r' || c == '\n')
                c = byte(rng) < 40 ? '\n' : 'x';
        }
        dir.WriteBytes("Condition.txt", bytes);
        TConditionList list;
        LoadConditions(dir.PathText(), list);
        for (int i = 0; i < list.Count(); ++i)
            BuildListRow(list.At(i));
        ASSERT_TRUE(SaveConditions(dir.PathText(), list).ok());
        TConditionList again;
        LoadConditions(dir.PathText(), again);
        for (int i = 0; i < list.UsedSlots(); ++i)
            ASSERT_EQ(again.At(i), list.At(i));
    }
}

TEST(ConditionFile, RefusesToWriteATextTheCodePageCannotHold) {
    TempFolder dir;
    dir.WriteBytes("Condition.txt", "old\r\nold\r\n");
    TConditionList list;
    list.Put(0, {"caf\u00e9", "D:\\x"});
    const Status s = SaveConditions(dir.PathText(), list);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.error().find("\u00e9"), std::string::npos);
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), "old\r\nold\r\n");
}

} // namespace
} // namespace sv
