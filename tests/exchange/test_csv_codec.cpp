// SPDX-License-Identifier: GPL-3.0-or-later
// The CSV columns against the store's one condition codec: each setting in its own column, in
// both directions, and the import storing exactly what the editor would store.
#include "exchange/csv_export.h"
#include "exchange/csv_row.h"
#include "exchange/csv_text.h"
#include "exchange_testing.h"

#include <gtest/gtest.h>

#include <random>

namespace sv {
namespace {

using testing::Packed;

TConditionFields Base() {
    TConditionFields f;
    f.keywords = "kw";
    f.destFolder = "\\d";
    return f;
}

TSortCondition Imported(const std::string& row) {
    std::vector<std::string> report;
    const auto condition = ImportRow(row, 4, report);
    EXPECT_TRUE(condition.has_value()) << row << (report.empty() ? "" : "\n" + report[0]);
    return condition.value_or(TSortCondition{});
}

// The file's column numbers are written out here, not taken from the program's table, so that a
// setting put into another column (in the export, the import or both) is caught.
struct FlagColumn final {
    int column;
    bool TConditionFields::*flag;
};
const FlagColumn kFlags[] = {
    {1, &TConditionFields::checked},          {3, &TConditionFields::ownSource},
    {5, &TConditionFields::subFolders},       {6, &TConditionFields::keywordOr},
    {7, &TConditionFields::excludeOr},        {10, &TConditionFields::copyMode},
    {11, &TConditionFields::showOther},       {12, &TConditionFields::caseFold},
    {13, &TConditionFields::widthFold},       {14, &TConditionFields::kanaFold},
    {15, &TConditionFields::compareOff},      {16, &TConditionFields::historyOff},
    {17, &TConditionFields::extChangeOff},    {18, &TConditionFields::includeFolders},
    {27, &TConditionFields::timestampFolder},
};

TEST(CsvCodec, EachFlagHasItsOwnColumnBothWays) {
    for (const FlagColumn& tested : kFlags) {
        SCOPED_TRACE(tested.column);
        TConditionFields f = Base();
        f.*tested.flag = true;
        const std::string row = CsvRow(Packed(f));
        const std::vector<std::string> fields = SplitCsvLine(row);
        ASSERT_EQ(fields.size(), 28u);
        for (const FlagColumn& other : kFlags)
            EXPECT_EQ(fields[static_cast<std::size_t>(other.column) - 1],
                      other.column == tested.column ? "1" : "0")
                << "column " << other.column;
        // And read back into that setting alone.
        const TConditionFields back = DecodeCondition(Imported(row));
        for (const FlagColumn& other : kFlags)
            EXPECT_EQ(back.*other.flag, other.column == tested.column) << "column " << other.column;
    }
}

TEST(CsvCodec, SizeLimitsKeepTheirColumnsAndStoredNumbers) {
    TConditionFields f = Base();
    f.size1 = {true, "123", SizeUnit::KiloBytes, SizeRelation::AtMost};
    f.size2 = {false, "7", SizeUnit::Bytes, SizeRelation::Exactly};
    const std::string row = CsvRow(Packed(f));
    const std::vector<std::string> fields = SplitCsvLine(row);
    EXPECT_EQ(std::vector<std::string>(fields.begin() + 18, fields.begin() + 26),
              (std::vector<std::string>{"1", "123", "1", "1", "0", "7", "0", "0"}));
    const TConditionFields back = DecodeCondition(Imported(row));
    EXPECT_TRUE(back.size1.on);
    EXPECT_EQ(SizeNumber(back.size1.sizeText), 123);
    EXPECT_EQ(back.size1.unit, SizeUnit::KiloBytes);
    EXPECT_EQ(back.size1.relation, SizeRelation::AtMost);
    EXPECT_FALSE(back.size2.on);
    EXPECT_EQ(SizeNumber(back.size2.sizeText), 7);
    EXPECT_EQ(back.size2.unit, SizeUnit::Bytes);
    EXPECT_EQ(back.size2.relation, SizeRelation::Exactly);

    // A damaged unit or relation digit is written as it is stored, and the import refuses the row
    // rather than guessing what it meant.
    const TSortCondition damaged{"kw", "\\d\x05"
                                       "1  1279"};
    const std::vector<std::string> written = SplitCsvLine(CsvRow(damaged));
    EXPECT_EQ(written[20], "7");
    EXPECT_EQ(written[21], "9");
    std::vector<std::string> report;
    EXPECT_FALSE(ImportRow(CsvRow(damaged), 9, report).has_value());
    ASSERT_EQ(report.size(), 1u);
    EXPECT_TRUE(report[0].starts_with("   9行21列： ")) << report[0];
}

// The file holds neither the time-limit rows nor "folders only"; everything else the editor can
// store comes back from a row as the very bytes the editor stores.
TEST(CsvCodec, AnImportedRowIsStoredExactlyAsTheEditorStoresItsSettings) {
    std::mt19937 random(3201);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const std::vector<std::string> texts = {"", "a", "映画 ｶﾅ", "x y", "①"};
    for (int round = 0; round < 2000; ++round) {
        TConditionFields f;
        for (const FlagColumn& flag : kFlags)
            f.*flag.flag = pick(0, 1) == 1;
        f.settingName = texts[static_cast<std::size_t>(pick(0, 4))];
        f.keywords = "k" + texts[static_cast<std::size_t>(pick(0, 4))];
        f.destFolder = "\\d\\" + texts[static_cast<std::size_t>(pick(0, 4))];
        f.sourceFolder = pick(0, 1) ? "\\s\\" + texts[static_cast<std::size_t>(pick(0, 4))] : "";
        for (TSizeLimit* limit : {&f.size1, &f.size2})
            *limit = {pick(0, 1) == 1, std::to_string(pick(0, 9999)), static_cast<SizeUnit>(pick(0, 2)),
                      static_cast<SizeRelation>(pick(0, 2))};
        f.patternCode = std::to_string(pick(100000000, 999999999));
        const TSortCondition stored = Packed(f);
        ASSERT_EQ(Imported(CsvRow(stored)), stored) << CsvRow(stored);
    }
}

} // namespace
} // namespace sv
