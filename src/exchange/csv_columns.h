// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/condition.h"

#include <array>
#include <string_view>

namespace sv {

// The columns of the condition CSV, numbered as the file and the import's report lines count them.
enum class CsvColumn : int {
    Checked = 1,
    SettingName,
    OwnSource,
    SourceFolder,
    SubFolders,
    KeywordOr,
    ExcludeOr,
    Keywords,
    DestFolder,
    CopyMode,
    ShowOther,
    CaseFold,
    WidthFold,
    KanaFold,
    CompareOff,
    HistoryOff,
    ExtChangeOff,
    IncludeFolders,
    Size1On,
    Size1,
    Size1Unit,
    Size1Relation,
    Size2On,
    Size2,
    Size2Unit,
    Size2Relation,
    TimestampFolder,
    PatternCode,
};

inline constexpr int kCsvColumns = 28;
// Column titles, then the meanings of the values 0 and 1; the import skips them whatever they hold.
inline constexpr int kCsvHeaderLines = 3;

constexpr int ColumnNumber(CsvColumn column) {
    return static_cast<int>(column);
}

// What a column holds, and so how the import checks it.
enum class CsvValue {
    Flag,    // 0 or 1
    Text,    // any text the condition may hold there
    Size,    // 0 to 9999; another number is repaired to 10
    Choice,  // a unit or a relation: 0 to 2
    Pattern, // the nine digits of the time-stamp pattern
};

struct TCsvColumnLayout final {
    CsvColumn column;
    CsvValue value;
    std::string_view title; // header line 1
    std::string_view zero;  // header line 2
    std::string_view one;   // header line 3
};

// Every column in file order.
extern const std::array<TCsvColumnLayout, kCsvColumns> kCsvColumnLayouts;

// The 0/1 columns that stand for one flag of a condition each (the time-stamp column aside: it is
// written as its block holds it).
struct TCsvFlagColumn final {
    CsvColumn column;
    bool TConditionFields::*flag;
};
extern const std::array<TCsvFlagColumn, 14> kCsvFlagColumns;

// The four columns of a size limit: ticked, size, unit, relation.
struct TCsvSizeColumns final {
    CsvColumn on;
    CsvColumn size;
    CsvColumn unit;
    CsvColumn relation;
    TSizeLimit TConditionFields::*limit;
};
extern const std::array<TCsvSizeColumns, 2> kCsvSizeColumns;

} // namespace sv
