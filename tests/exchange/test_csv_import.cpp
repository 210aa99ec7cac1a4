// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the condition CSV back: splitting, every column check with its report line, the four
// insertion modes, the full table, undo, and files that are not what they should be.
#include "exchange/csv_export.h"
#include "exchange/csv_import.h"
#include "exchange/csv_row.h"
#include "exchange/csv_text.h"
#include "exchange_testing.h"
#include "store/condition_file.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace sv {
namespace {

using testing::CsvFile;
using testing::KeywordsOf;
using testing::Packed;
using testing::RowWith;
using testing::Simple;
using testing::Table;
using testing::TempFolder;
using Strings = std::vector<std::string>;

// Imports `bytes` as a file of a fresh folder.
struct Importer final {
    TImportOutcome Run(const std::string& bytes, ImportMode mode = ImportMode::Bottom, int selected = -1) {
        dir.WriteBytes("in.csv", bytes);
        return ImportConditions(dir.PathText() + "in.csv", mode, selected, list, state);
    }
    TempFolder dir;
    TConditionList list;
    TImportState state;
};

// The report lines one row gives.
Strings ReportOf(const std::string& row) {
    Strings report;
    ImportRow(row, 7, report);
    return report;
}

TEST(CsvSplit, QuotesBlanksControlsAndTheLineEnds) {
    EXPECT_EQ(SplitCsvLine(""), Strings{""});
    EXPECT_EQ(SplitCsvLine("a,,b,"), (Strings{"a", "", "b", ""}));
    EXPECT_EQ(SplitCsvLine(" a , b"), (Strings{" a ", " b"}));
    EXPECT_EQ(SplitCsvLine("\"a,b\",\"say \"\"hi\"\"\",c"), (Strings{"a,b", "say \"hi\"", "c"}));
    EXPECT_EQ(SplitCsvLine("a,b\"c,d"), (Strings{"a", "b\"c", "d"}));
    EXPECT_EQ(SplitCsvLine("a\tb\x01,c"), (Strings{"a", "b", "", "c"}));
    EXPECT_EQ(SplitCsvLine("\"a\tb\",c"), (Strings{"a\tb", "c"}));
    EXPECT_EQ(SplitCsvLine("\"ab\"cd,e"), (Strings{"abcd", "e"}));
    EXPECT_EQ(SplitCsvLine("\"open, to the end"), Strings{"open, to the end"});
    // A text that the reader of another implementation used as a stand-in stays as it is.
    EXPECT_EQ(SplitCsvLine("***???***???"), Strings{"***???***???"});
    for (const std::string text : {"a,b", "\"", "x\"\"y", "\t", "", " lead", "trail ", "a\x05"})
        EXPECT_EQ(SplitCsvLine(QuoteCsvField(text)), Strings{text}) << text;
}

TEST(CsvImport, ExportThenImportGivesTheSameFields) {
    std::vector<TSortCondition> conditions;
    const Strings awkward{"a,b", "say \"x\"", "\"", ",", "①髙～ｶﾅ", " lead", "trail ", "a b,\"c\""};
    for (std::size_t i = 0; i < awkward.size(); ++i) {
        TConditionFields f;
        f.checked = i % 2 == 0;
        f.settingName = awkward[i];
        f.keywords = "\"" + awkward[i] + "\" /ng";
        f.destFolder = "\\d\\" + awkward[(i + 1) % awkward.size()];
        std::erase(f.destFolder, '"');
        f.destFolder = NormaliseFolderPath(f.destFolder); // as the editor stores it
        f.sourceFolder = "\\src\\" + awkward[(i + 2) % awkward.size()];
        std::erase(f.sourceFolder, '"');
        f.ownSource = i % 3 == 0;
        f.subFolders = f.keywordOr = f.excludeOr = f.copyMode = i % 2 == 1;
        f.showOther = f.caseFold = f.widthFold = f.kanaFold = i % 2 == 0;
        f.compareOff = f.historyOff = f.extChangeOff = f.includeFolders = i % 3 != 0;
        f.size1 = {i % 2 == 0, std::to_string(i * 1234 % 10000), static_cast<SizeUnit>(i % 3),
                   static_cast<SizeRelation>((i + 1) % 3)};
        f.size2 = {i % 2 == 1, "9999", SizeUnit::KiloBytes, SizeRelation::Exactly};
        f.timestampFolder = i % 2 == 1;
        f.patternCode = "33232221" + std::to_string(i % 3 + 1);
        conditions.push_back(Packed(f));
    }
    conditions.push_back(Simple("名前の無い条件", "\\d\\a,b,c"));
    const TConditionList source = Table(conditions);

    Importer in;
    ASSERT_TRUE(ExportConditions(in.dir.PathText() + "in.csv", source, source.Count()).ok());
    in.list = Table({Simple("old")});
    const TImportOutcome outcome =
        ImportConditions(in.dir.PathText() + "in.csv", ImportMode::Replace, -1, in.list, in.state);
    ASSERT_TRUE(outcome.read.ok());
    EXPECT_EQ(outcome.MemoText(), "インポート処理が正常に完了しました。");
    ASSERT_EQ(in.list.Count(), source.Count());
    for (int i = 0; i < source.Count(); ++i) {
        TConditionFields expected = DecodeCondition(source.At(i));
        expected.size1.sizeText = std::to_string(std::stoi(expected.size1.sizeText));
        expected.size2.sizeText = std::to_string(std::stoi(expected.size2.sizeText));
        TConditionFields got = DecodeCondition(in.list.At(i));
        got.size1.sizeText = std::to_string(std::stoi(got.size1.sizeText));
        got.size2.sizeText = std::to_string(std::stoi(got.size2.sizeText));
        EXPECT_EQ(got, expected) << i;
        // The editor's order: the texts are exactly what the editor would have stored.
        EXPECT_EQ(in.list.At(i), source.At(i)) << i;
    }
}

TEST(CsvImport, OnlyFoldersAndReservedBlocksAreNotCarried) {
    TConditionFields f;
    f.keywords = "kw";
    f.destFolder = "\\d";
    f.onlyFolders = true;
    TSortCondition c = Packed(f);
    c.destText += "\x14"
                  "1200901012";
    Strings report;
    const auto back = ImportRow(CsvRow(c), 4, report);
    ASSERT_TRUE(back);
    EXPECT_FALSE(DecodeCondition(*back).onlyFolders);
    EXPECT_EQ(back->destText.find('\x14'), std::string::npos);
    EXPECT_TRUE(report.empty());
}

// The file has no columns for the time-stamp limits: clearing and importing a file exported a
// moment ago must not lose them, while an import beside the conditions adds conditions of its own.
TEST(CsvImport, ReplacedConditionsKeepTheirTimeLimits) {
    const auto limited = [](std::string_view keywords, std::string_view dest, int days) {
        TConditionFields f;
        f.settingName = "名前";
        f.keywords = keywords;
        f.destFolder = dest;
        f.ageLimits[0] = {true, days, AgeTerm::Days, TimeSide::AtOrAfter};
        return Packed(f);
    };
    const auto named = [](std::string_view keywords, std::string_view dest) {
        TConditionFields f;
        f.settingName = "名前";
        f.keywords = keywords;
        f.destFolder = dest;
        return Packed(f);
    };
    // Two conditions of one identity, each with its own limit, and one without a limit.
    const TConditionList before =
        Table({limited("mp3", "\\d\\a", 1), limited("mp3", "\\d\\a", 2), named("avi", "\\d\\b")});
    Importer in;
    ASSERT_TRUE(ExportConditions(in.dir.PathText() + "out.csv", before, before.Count()).ok());
    const std::string exported = in.dir.ReadBytes("out.csv");
    // The file lost nothing else: it reads back as the same conditions without their limits.
    in.list = before;
    ASSERT_TRUE(in.Run(exported, ImportMode::Replace).read.ok());
    ASSERT_EQ(in.list.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(in.list.At(i), before.At(i)) << i;

    // Rows of another identity, or more rows than conditions of one, have no limits to keep.
    in.list = Table({limited("mp3", "\\d\\a", 3), limited("mp3", "\\d\\other", 4)});
    ASSERT_TRUE(in.Run(exported, ImportMode::Replace).read.ok());
    ASSERT_EQ(in.list.Count(), 3);
    EXPECT_EQ(DecodeCondition(in.list.At(0)).ageLimits[0],
              (TAgeLimit{true, 3, AgeTerm::Days, TimeSide::AtOrAfter}));
    EXPECT_FALSE(DecodeCondition(in.list.At(1)).ageLimits[0].on);
    EXPECT_EQ(in.list.At(1), named("mp3", "\\d\\a"));
    // Undo brings the replaced conditions back with theirs.
    UndoImport(in.list, in.state);
    EXPECT_EQ(DecodeCondition(in.list.At(1)).ageLimits[0],
              (TAgeLimit{true, 4, AgeTerm::Days, TimeSide::AtOrAfter}));

    // Beside the conditions: nothing is replaced, so the new rows come without limits.
    for (const ImportMode mode : {ImportMode::Top, ImportMode::Bottom, ImportMode::AtCursor}) {
        in.list = before;
        ASSERT_TRUE(in.Run(exported, mode, 1).read.ok());
        ASSERT_EQ(in.list.Count(), 6);
        int limitedRows = 0;
        for (int i = 0; i < 6; ++i)
            limitedRows += DecodeCondition(in.list.At(i)).ageLimits[0].on ? 1 : 0;
        EXPECT_EQ(limitedRows, 2) << static_cast<int>(mode);
    }
}

TEST(CsvImport, EveryColumnCheckWritesItsReportLine) {
    EXPECT_EQ(ImportReportLine(7, 9, "x"), "   7行 9列： x");
    EXPECT_EQ(ImportReportLine(12345, 28, "x"), "12345行28列： x");
    EXPECT_EQ(ReportOf(RowWith(9, "\\d\\a?b")),
              Strings{"   7行 9列： フォルダ名称が異常のため、インポートできませんでした"});
    for (const char* bad : {"/", "*", "\"\"\"\"", "<", ">", "|"})
        EXPECT_EQ(ReportOf(RowWith(9, std::string("\\d") + bad)).size(), 1u) << bad;

    const auto line = [](int column, std::string_view message) {
        return ImportReportLine(7, column, message);
    };
    EXPECT_EQ(ReportOf(RowWith(1, "")), Strings{line(1, import_text::NoData)});
    EXPECT_EQ(ReportOf(RowWith(5, "x")), Strings{line(5, import_text::NotNumber)});
    EXPECT_EQ(ReportOf(RowWith(6, "1x")), Strings{line(6, import_text::NotNumber)});
    EXPECT_EQ(ReportOf(RowWith(10, "2")), Strings{line(10, import_text::RangeZeroOrOne)});
    EXPECT_EQ(ReportOf(RowWith(27, "-1")), Strings{line(27, import_text::RangeZeroOrOne)});
    EXPECT_EQ(ReportOf(RowWith(21, "3")), Strings{line(21, import_text::RangeZeroToTwo)});
    EXPECT_EQ(ReportOf(RowWith(25, "3")), Strings{line(25, import_text::RangeZeroToTwo)});
    EXPECT_EQ(ReportOf(RowWith(22, "-1")), Strings{line(22, import_text::RangeZeroToTwo)});
    EXPECT_EQ(ReportOf(RowWith(8, "")), Strings{line(8, import_text::NoData)});
    EXPECT_EQ(ReportOf(RowWith(9, "")), Strings{line(9, import_text::NoData)});
    // The first failing column ends the checks; the numbers are checked before the texts.
    EXPECT_EQ(ReportOf(RowWith(9, "") + ",extra").size(), 1u);
    EXPECT_EQ(ReportOf("x," + RowWith(9, "").substr(2)), Strings{line(1, import_text::NotNumber)});
    // Columns 2 and 28 are not range-checked as numbers; the texts 2 is free.
    EXPECT_TRUE(ReportOf(RowWith(2, "")).empty());
    EXPECT_TRUE(ReportOf(RowWith(28, "999999999")).empty());
}

TEST(CsvImport, BlanksAroundNumbersAndFlagsCountAsDescribed) {
    Strings report;
    // " 1" passes the check but a flag is on only for exactly "1".
    auto row = ImportRow(RowWith(13, " 1"), 4, report);
    ASSERT_TRUE(row);
    EXPECT_TRUE(report.empty());
    EXPECT_FALSE(DecodeCondition(*row).widthFold);
    EXPECT_TRUE(DecodeCondition(*ImportRow(RowWith(13, "1"), 4, report)).widthFold);
    EXPECT_EQ(ReportOf(RowWith(13, "1 ")), Strings{ImportReportLine(7, 13, import_text::NotNumber)});

    // Numbers are stored by their value, so a padded or signed one cannot shift a block.
    row = ImportRow(RowWith(20, "+0012"), 4, report);
    ASSERT_TRUE(row);
    EXPECT_EQ(SizeBlock(row->destText, mark::SizeBlock1), "0  1222");
    row = ImportRow(RowWith(21, " 01"), 4, report);
    ASSERT_TRUE(row);
    EXPECT_EQ(DecodeCondition(*row).size1.unit, SizeUnit::KiloBytes);
    EXPECT_EQ(DecodeDestFolder(row->destText), "\\d\\out");
    EXPECT_TRUE(report.empty());
}

TEST(CsvImport, SizeOutOfRangeIsRepairedAndTheRowStillImported) {
    Strings report;
    const auto row = ImportRow(RowWith(20, "12000"), 9, report);
    ASSERT_TRUE(row);
    EXPECT_EQ(report, Strings{"   9行20列： 数値範囲が異常のため、デフォルト値(10)に変更しました"});
    EXPECT_EQ(SizeBlock(row->destText, mark::SizeBlock1), "0  1022");

    Importer in;
    const TImportOutcome outcome = in.Run(CsvFile({RowWith(24, "-5"), RowWith(8, "second")}));
    EXPECT_EQ(in.list.Count(), 2);
    EXPECT_EQ(outcome.MemoText(), "以下の行に構文エラーがありました。\n   4行24列： "
                                  "数値範囲が異常のため、デフォルト値(10)に変更しました");
}

TEST(CsvImport, ShortRowsAreRefusedAndTouchNothing) {
    const std::string full = RowWith(1, "1");
    const Strings fields = SplitCsvLine(full);
    Strings rows;
    for (const std::size_t n : {1u, 2u, 6u, 7u, 18u, 22u, 25u}) {
        std::string row;
        for (std::size_t i = 0; i < n; ++i)
            row += (i ? "," : "") + fields[i];
        rows.push_back(row);
    }
    // 26 fields get the time-stamp defaults and are imported.
    std::string row26;
    for (std::size_t i = 0; i < 26; ++i)
        row26 += (i ? "," : "") + fields[i];
    rows.push_back(row26);

    Importer in;
    in.list = Table({Simple("keep")});
    const TImportOutcome outcome = in.Run(CsvFile(rows));
    // One refusal each; a filled-in field in a size column also gives its size warning.
    const auto refusals =
        std::count_if(outcome.report.begin(), outcome.report.end(), [](const std::string& line) {
            return line.find("インポートできませんでした") != std::string::npos;
        });
    EXPECT_EQ(refusals, static_cast<long>(rows.size()) - 1);
    ASSERT_EQ(in.list.Count(), 2);
    EXPECT_EQ(in.list.At(0), Simple("keep"));
    EXPECT_EQ(TimestampBlock(in.list.At(1).destText), "0212121111");
    EXPECT_EQ(in.list.UsedSlots(), 2);
}

TEST(CsvImport, EmptyLineQuotedCommaAndHeaderOnlyFiles) {
    Importer in;
    TImportOutcome outcome = in.Run(testing::CsvHeaderBytes());
    EXPECT_EQ(outcome.MemoText(), "インポート処理が正常に完了しました。");
    EXPECT_EQ(in.list.Count(), 0);

    outcome = in.Run(CsvFile({RowWith(8, "a"), "", RowWith(8, "\"b,c\""), RowWith(8, "b,c")}));
    EXPECT_EQ(KeywordsOf(in.list), (Strings{"a", "b,c"}));
    ASSERT_EQ(outcome.report.size(), 2u);
    EXPECT_EQ(outcome.report[0], "   5行 1列： データが存在しないため、インポートできませんでした");
    // Unquoted, the comma splits the keywords and moves every later field one column on.
    EXPECT_TRUE(outcome.report[1].starts_with("   7行10列： ")) << outcome.report[1];

    // Without header lines the first three rows are lost.
    Importer bare;
    bare.Run(RowWith(8, "1") + "\r\n" + RowWith(8, "2") + "\n" + RowWith(8, "3") + "\r" + RowWith(8, "4"));
    EXPECT_EQ(KeywordsOf(bare.list), Strings{"4"});
}

TEST(CsvImport, TheFourModesPlaceTheRowsInFileOrder) {
    const std::string file = CsvFile({RowWith(8, "n1"), RowWith(8, "n2")});
    const std::vector<TSortCondition> old{Simple("o1"), Simple("o2"), Simple("o3")};
    struct Case final {
        ImportMode mode;
        int selected;
        Strings expected;
    };
    for (const Case& c : {Case{ImportMode::Replace, 1, {"n1", "n2"}},
                          Case{ImportMode::Top, 1, {"n1", "n2", "o1", "o2", "o3"}},
                          Case{ImportMode::Bottom, 1, {"o1", "o2", "o3", "n1", "n2"}},
                          Case{ImportMode::AtCursor, 1, {"o1", "n1", "n2", "o2", "o3"}},
                          Case{ImportMode::AtCursor, 2, {"o1", "o2", "n1", "n2", "o3"}}}) {
        Importer in;
        in.list = Table(old);
        in.Run(file, c.mode, c.selected);
        EXPECT_EQ(KeywordsOf(in.list), c.expected) << static_cast<int>(c.mode);
        EXPECT_TRUE(in.state.undoPossible && in.state.changed);
    }
}

TEST(CsvImport, ModeZeroWithEveryRowRefusedEmptiesTheTableAndUndoBringsItBack) {
    Importer in;
    in.list = Table({Simple("o1"), Simple("o2")});
    const TConditionList before = in.list;
    const TImportOutcome outcome = in.Run(CsvFile({RowWith(1, "x"), RowWith(9, "")}), ImportMode::Replace);
    EXPECT_EQ(outcome.report.size(), 2u);
    EXPECT_EQ(in.list.Count(), 0);
    EXPECT_EQ(in.list.UsedSlots(), 0);

    in.state.changed = false;
    UndoImport(in.list, in.state);
    EXPECT_EQ(KeywordsOf(in.list), (Strings{"o1", "o2"}));
    EXPECT_FALSE(in.state.undoPossible);
    EXPECT_TRUE(in.state.changed);

    // An undo goes back to the table as the last import found it, not further.
    in.Run(CsvFile({RowWith(8, "a")}));
    in.Run(CsvFile({RowWith(8, "b")}));
    UndoImport(in.list, in.state);
    EXPECT_EQ(KeywordsOf(in.list), (Strings{"o1", "o2", "a"}));
}

TEST(CsvImport, AFullTableRefusesEachRowThatDoesNotFitAndKeepsEveryCondition) {
    Importer in;
    for (int i = 0; i < TConditionList::kCapacity - 1; ++i)
        in.list.Put(i, Simple("o" + std::to_string(i)));
    const TConditionList before = in.list;
    const TImportOutcome outcome =
        in.Run(CsvFile({RowWith(8, "n1"), RowWith(8, "n2"), RowWith(8, "n3")}), ImportMode::AtCursor, 5);
    EXPECT_EQ(outcome.imported, 1);
    EXPECT_EQ(
        outcome.report,
        (Strings{"   5行 1列： 振り分け条件が上限の 10000 個に達したため、インポートできませんでした",
                 "   6行 1列： 振り分け条件が上限の 10000 個に達したため、インポートできませんでした"}));
    ASSERT_EQ(in.list.Count(), TConditionList::kCapacity);
    EXPECT_EQ(Keywords(in.list.At(5).keywordText), "n1");
    for (int i = 0; i < TConditionList::kCapacity - 1; ++i)
        ASSERT_EQ(in.list.At(i < 5 ? i : i + 1), before.At(i)) << i;
}

TEST(CsvImport, TenThousandRowsAreReadAndTheNextOneIsNot) {
    Strings rows;
    for (int i = 0; i <= TConditionList::kCapacity; ++i)
        rows.push_back(RowWith(8, "k" + std::to_string(i)));
    Importer in;
    const TImportOutcome outcome = in.Run(CsvFile(rows), ImportMode::Replace);
    ASSERT_EQ(in.list.Count(), TConditionList::kCapacity);
    EXPECT_EQ(Keywords(in.list.At(9999).keywordText), "k9999");
    EXPECT_TRUE(outcome.report.empty());
    EXPECT_EQ(outcome.MemoText(),
              "インポート処理が正常に完了しました。\n（ファイルの 10003 行目より後は読み込んでいません）");
}

TEST(CsvImport, FilesThatCannotBeReadChangeNothing) {
    Importer in;
    in.list = Table({Simple("keep")});
    TImportOutcome outcome =
        ImportConditions(in.dir.PathText() + "none.csv", ImportMode::Replace, -1, in.list, in.state);
    EXPECT_FALSE(outcome.read.ok());
    outcome = ImportConditions(in.dir.PathText(), ImportMode::Replace, -1, in.list, in.state);
    EXPECT_FALSE(outcome.read.ok());
    EXPECT_EQ(KeywordsOf(in.list), Strings{"keep"});
    EXPECT_FALSE(in.state.undoPossible);
    EXPECT_FALSE(in.state.changed);
}

TEST(CsvImport, BytesThatAreNoTextAndLongLinesAreRefusedRowByRow) {
    Importer in;
    const std::string good = testing::Sjis(RowWith(8, "ok"));
    std::string bytes = testing::CsvHeaderBytes();
    bytes += testing::Sjis(RowWith(8, "a")) + "\xFF" + "\r\n"; // ends in a byte CP932 lacks
    bytes += testing::Sjis(RowWith(8, "x")) + "\r\n";
    bytes += testing::Sjis(RowWith(2, std::string("n\0m", 3))) + "\r\n";
    bytes += std::string(1024 * 1024, 'a') + "\r\n";
    bytes += good + "\r\n";
    const TImportOutcome outcome = in.Run(bytes);
    EXPECT_EQ(KeywordsOf(in.list), (Strings{"x", "ok"}));
    ASSERT_EQ(outcome.report.size(), 3u);
    EXPECT_EQ(outcome.report[0], "   4行28列： [数値]が入力されていないため、インポートできませんでした");
    // A zero byte is a control character like any other.
    EXPECT_EQ(outcome.report[1], "   6行 2列： 制御文字を含んでいるため、インポートできませんでした");
    EXPECT_EQ(outcome.report[2], "   7行 1列： 行が長すぎるため、インポートできませんでした");
}

TEST(CsvImport, AHundredMegabytesOfJunkAreReadOnlyAsFarAsTheImportGoes) {
    Importer in;
    std::mt19937 random(14);
    std::string junk(2 * 1024 * 1024, '\0');
    for (char& c : junk)
        c = static_cast<char>(random());
    in.dir.WriteBytes("junk.csv", "");
    const int fd = ::open(in.dir.NativeFile("junk.csv").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, junk.data(), junk.size()), static_cast<ssize_t>(junk.size()));
    ASSERT_EQ(::ftruncate(fd, 100LL * 1024 * 1024), 0); // the rest reads as zero bytes
    ::close(fd);
    in.list = Table({Simple("keep")});
    const TImportOutcome outcome =
        ImportConditions(in.dir.PathText() + "junk.csv", ImportMode::Bottom, -1, in.list, in.state);
    ASSERT_TRUE(outcome.read.ok());
    EXPECT_FALSE(outcome.note.empty());
    EXPECT_EQ(in.list.At(0), Simple("keep"));
    EXPECT_LE(outcome.report.size(), 10000u);
}

TEST(CsvImport, FieldsTheEditorRefusesAreRefusedRowByRow) {
    Importer in;
    in.list = Table({Simple("keep")});
    const TSortCondition kept = in.list.At(0);
    const std::string control = "制御文字を含んでいるため、インポートできませんでした";
    const TImportOutcome outcome = in.Run(CsvFile({
        RowWith(8, "\"a\x05 b\""),                    // a size block character inside quotes
        RowWith(2, "\"na\x06me\""),                   // another one in the setting name
        RowWith(4, "\"\\src\\a\x13\""),               // the time-stamp block one in a folder
        RowWith(9, "\\d\\a\x7F"),                     // DEL, which ends no field
        RowWith(8, "abc/"),                           // runs into the "//" before 名前
        RowWith(8, "a//b"),                           // would split off a setting name
        RowWith(9, "\\d\\" + std::string(2048, 'x')), // longer than the settings file reads back
        RowWith(8, "ok"),
    }));
    EXPECT_EQ(
        outcome.report,
        (Strings{ImportReportLine(4, 8, control), ImportReportLine(5, 2, control),
                 ImportReportLine(6, 4, import_text::BadFolder),
                 ImportReportLine(7, 9, import_text::BadFolder),
                 ImportReportLine(8, 8,
                                  "キーワードが / で終わり、設定名との区切りの // "
                                  "と続いてしまうため、インポートできませんでした"),
                 ImportReportLine(9, 8, "キーワードに // があるため、インポートできませんでした"),
                 ImportReportLine(
                     10, 9, "フォルダ名称が長すぎるため（2047 バイトまで）、インポートできませんでした")}));
    EXPECT_EQ(KeywordsOf(in.list), (Strings{"keep", "ok"}));
    EXPECT_EQ(in.list.At(0), kept);
    // What was taken is saved as a conditions file that reads back clean at the next start.
    ASSERT_TRUE(SaveConditions(in.dir.PathText(), in.list).ok());
    TConditionList again;
    EXPECT_FALSE(LoadConditions(in.dir.PathText(), again).keptAside.Needed());
    EXPECT_EQ(again.At(1), in.list.At(1));

    // A keyword ending in "/" without a name, and a name beginning with one, read back as given.
    const auto row = [](std::string_view keywords, std::string_view name) {
        Strings fields = SplitCsvLine(RowWith(8, keywords));
        fields[1] = name;
        std::string line;
        for (std::size_t i = 0; i < fields.size(); ++i)
            line += (i ? "," : "") + fields[i];
        return line;
    };
    Strings report;
    const auto slashKeyword = ImportRow(row("abc/", ""), 4, report);
    const auto slashName = ImportRow(row("abc", "/名前"), 4, report);
    ASSERT_TRUE(report.empty()) << report.front();
    ASSERT_TRUE(slashKeyword && slashName);
    EXPECT_EQ(Keywords(slashKeyword->keywordText), "abc/");
    EXPECT_EQ(Keywords(slashName->keywordText), "abc");
    EXPECT_EQ(SettingName(slashName->keywordText), "/名前");
}

TEST(CsvImport, FolderTextsThatWouldChangeTheConditionAreRefused) {
    // A marker character in the source folder would switch a setting on.
    EXPECT_EQ(ReportOf(RowWith(4, "\\src\\a*b")), Strings{ImportReportLine(7, 4, import_text::BadFolder)});
    EXPECT_EQ(ReportOf(RowWith(9, "\"\\d\\a\tb\"")), Strings{ImportReportLine(7, 9, import_text::BadFolder)});
    // Blanks alone are no keywords and no folder; "//" would split off a setting name.
    EXPECT_EQ(ReportOf(RowWith(8, "   ")), Strings{ImportReportLine(7, 8, import_text::NoData)});
    EXPECT_EQ(ReportOf(RowWith(9, " \u3000 ")), Strings{ImportReportLine(7, 9, import_text::NoData)});
    EXPECT_EQ(ReportOf(RowWith(8, "a//b")).size(), 1u);
    // A pattern code of another length would shift the blocks behind it.
    EXPECT_EQ(ReportOf(RowWith(28, "12")).size(), 1u);
    EXPECT_EQ(ReportOf(RowWith(28, " 21212111")).size(), 1u);
}

} // namespace
} // namespace sv
