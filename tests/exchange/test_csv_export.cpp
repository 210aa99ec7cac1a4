// SPDX-License-Identifier: GPL-3.0-or-later
// The condition CSV as the export writes it, and the recent-file list both dialogs keep.
#include "exchange/csv_export.h"
#include "exchange/csv_text.h"
#include "exchange/recent_files.h"
#include "exchange_testing.h"
#include "platform/files.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace sv {
namespace {

using testing::Packed;
using testing::Sjis;
using testing::TempFolder;

std::vector<std::string> Fields(const std::string& row) {
    return SplitCsvLine(row);
}

TEST(CsvExport, HeaderLinesHaveTwentyEightColumnsAndAnEmptyListWritesOnlyThem) {
    const std::vector<std::string> header = CsvHeaderLines();
    ASSERT_EQ(header.size(), 3u);
    for (const std::string& line : header)
        EXPECT_EQ(Fields(line).size(), 28u) << line;
    EXPECT_TRUE(header[0].starts_with("1)チェック,2)設定名,3)元フォルダ選択,4)適用フォルダ,"));
    EXPECT_TRUE(header[0].ends_with(",27)タイムスタンプ,28)パターンコード"));
    EXPECT_TRUE(
        header[1].starts_with("0:なし,,0:メイン画面で設定,,0:対象としない,0:AND,0:AND,,,0:振り分け(移動),"));
    EXPECT_TRUE(header[1].ends_with(",0:フォルダ作成しない,"));
    EXPECT_TRUE(header[2].ends_with(",1:以下の/2:以上の,1:フォルダ作成する,"));

    TempFolder dir;
    ASSERT_TRUE(ExportConditions(dir.PathText() + "empty.csv", TConditionList(), 0).ok());
    EXPECT_EQ(dir.ReadBytes("empty.csv"), Sjis(header[0] + "\r\n" + header[1] + "\r\n" + header[2] + "\r\n"));
}

TEST(CsvExport, RowHoldsEveryFieldAndQuotesOnlyTextsThatNeedIt) {
    TConditionFields f;
    f.checked = true;
    f.settingName = "a,\"b\"";
    f.keywords = "abc def";
    f.destFolder = "\\d\\x,y";
    f.sourceFolder = "\\src";
    f.ownSource = true;
    f.copyMode = true;
    f.kanaFold = true;
    f.size1 = {true, "5", SizeUnit::Bytes, SizeRelation::AtMost};
    f.timestampFolder = true;
    f.patternCode = "332221111";
    const std::vector<std::string> row = Fields(CsvRow(Packed(f)));
    ASSERT_EQ(row.size(), 28u);
    EXPECT_EQ(row, (std::vector<std::string>{"1",       "a,\"b\"",  "1",  "\\src", "0", "0", "0",
                                             "abc def", "\\d\\x,y", "1",  "0",     "0", "0", "1",
                                             "0",       "0",        "0",  "0",     "1", "5", "0",
                                             "1",       "0",        "10", "2",     "2", "1", "332221111"}));
    // The text as written: the name quoted with its quotes doubled; the folder with a comma too.
    const std::string text = CsvRow(Packed(f));
    EXPECT_NE(text.find(",\"a,\"\"b\"\"\","), std::string::npos) << text;
    EXPECT_NE(text.find(",\"\\d\\x,y\","), std::string::npos) << text;

    f.settingName = "plain name";
    EXPECT_TRUE(CsvRow(Packed(f)).starts_with("1,plain name,1,\\src,"));
}

TEST(CsvExport, MissingOrDamagedBlocksExportTheirDefaults) {
    // No blocks at all, and a size of four blanks.
    EXPECT_TRUE(CsvRow({"kw", "\\d\\out"}).ends_with(",0,10,2,2,0,10,2,2,0,212121111"));
    EXPECT_TRUE(CsvRow({"kw", "\\d\\out\x05"
                              "1    12"})
                    .ends_with(",1,10,1,2,0,10,2,2,0,212121111"));
    // Not ticked: character 8 counts only as the first character.
    EXPECT_TRUE(CsvRow({"kw", "\\d\\out\x08"}).starts_with("0,"));
}

TEST(CsvExport, NameGetsCsvOnlyWithoutAnExtension) {
    EXPECT_EQ(WithCsvExtension("D:\\conds"), "D:\\conds.csv");
    EXPECT_EQ(WithCsvExtension("D:\\conds.txt"), "D:\\conds.txt");
    EXPECT_EQ(WithCsvExtension("\\home\\u\\a.b\\conds"), "\\home\\u\\a.b\\conds.csv");
}

TEST(CsvExport, WritesCodePage932AndReplacesTheFileWhole) {
    TempFolder dir;
    TConditionFields f;
    f.keywords = "①髙～ｶﾅ";
    f.destFolder = "\\d\\～①";
    const TConditionList list = testing::Table({Packed(f), testing::Simple("b")});
    dir.WriteBytes("out.csv", "old content that is longer than nothing");
    ASSERT_TRUE(ExportConditions(dir.PathText() + "out.csv", list, 1).ok());
    const std::string bytes = dir.ReadBytes("out.csv");
    EXPECT_EQ(bytes, testing::CsvHeaderBytes() + Sjis(CsvRow(list.At(0))) + "\r\n");
    EXPECT_NE(bytes.find("\x87\x40"), std::string::npos); // ① in code page 932

    // A folder of that name cannot be replaced: the failure is told and nothing is left behind.
    std::filesystem::create_directory(dir.NativeFile("taken.csv"));
    EXPECT_FALSE(ExportConditions(dir.PathText() + "taken.csv", list, 2).ok());
    EXPECT_TRUE(std::filesystem::is_directory(dir.NativeFile("taken.csv")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Native()), {}), 2);
    EXPECT_FALSE(ExportConditions(dir.PathText() + "missing\\x.csv", list, 2).ok());
}

TEST(RecentFiles, KeepANameOnceAtTheTopAndAtMostTen) {
    TRecentSlots slots;
    std::vector<std::string> items;
    for (int i = 0; i < 12; ++i)
        items = UpdateRecentFiles(items, "\\f" + std::to_string(i) + ".csv", slots);
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(items.front(), "\\f11.csv");
    EXPECT_EQ(items.back(), "\\f2.csv");

    items = UpdateRecentFiles(items, "\\f5.csv", slots);
    EXPECT_EQ(items.size(), 10u);
    EXPECT_EQ(items[0], "\\f5.csv");
    EXPECT_EQ(std::count(items.begin(), items.end(), "\\f5.csv"), 1);
    EXPECT_EQ(slots[0], "\\f5.csv");
    EXPECT_EQ(slots[1], "\\f11.csv");

    // Empty entries go, the name is trimmed, an exact copy lower down goes; case counts.
    items = UpdateRecentFiles({"", "\\a.csv", "", "\\A.csv", "\\a.csv"}, "  \\a.csv ", slots);
    EXPECT_EQ(items, (std::vector<std::string>{"\\a.csv", "\\A.csv"}));
    EXPECT_EQ(slots[2], "");
    EXPECT_EQ(RecentItems(slots), items);
}

TEST(RecentFiles, NamesTheSettingsFileCannotHoldAreTold) {
    EXPECT_EQ(RecentNameProblem("\\d\\条件①.csv"), "");
    EXPECT_NE(RecentNameProblem("\\d\\caf\xC3\xA9.csv").find("「é」"), std::string::npos);
    EXPECT_NE(RecentNameProblem(std::string(3000, 'a')), "");
}

} // namespace
} // namespace sv
