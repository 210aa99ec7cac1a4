// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/condition.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

// One line of the import report: the file line number right-aligned in 4 characters, "行", the
// column number right-aligned in 2 characters, "列： " and the message.
std::string ImportReportLine(int lineNumber, int column, std::string_view message);

namespace import_text {
inline constexpr std::string_view NoData = "データが存在しないため、インポートできませんでした";
inline constexpr std::string_view NotNumber = "[数値]が入力されていないため、インポートできませんでした";
inline constexpr std::string_view SizeRepaired = "数値範囲が異常のため、デフォルト値(10)に変更しました";
inline constexpr std::string_view RangeZeroToTwo =
    "数値範囲が異常のため、インポートできませんでした（正常値：0 ～ 2）";
inline constexpr std::string_view RangeZeroOrOne =
    "数値範囲が異常のため、インポートできませんでした（正常値：0 or 1）";
inline constexpr std::string_view BadFolder = "フォルダ名称が異常のため、インポートできませんでした";
} // namespace import_text

// Checks one data row (a line of the file, decoded from code page 932) column by
// column and converts it into the two texts of a condition in the editor's order. Every rejection
// and every repaired size adds a report line; a rejected row gives nothing.
std::optional<TSortCondition> ImportRow(std::string_view line, int lineNumber,
                                        std::vector<std::string>& report);

} // namespace sv
