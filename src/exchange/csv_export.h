// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exchange/csv_columns.h"
#include "platform/result.h"
#include "store/condition_list.h"

#include <string>
#include <string_view>
#include <vector>

namespace sv {

// The three header lines: the column titles and the meanings of the values 0 and 1.
std::vector<std::string> CsvHeaderLines();

// One condition as its 28 fields, the text columns quoted when needed; UTF-8.
std::string CsvRow(const TSortCondition& condition);

// The whole file for the first `count` conditions of the table: code page 932, CR LF after every
// line. Fails, naming the text, when a text cannot be written in code page 932.
Status CsvFileBytes(const TConditionList& list, int count, std::string& bytes);

// Writes the file at `pathText`, replacing it atomically.
Status ExportConditions(std::string_view pathText, const TConditionList& list, int count);

// The name with ".csv" appended when its last component has no extension.
std::string WithCsvExtension(std::string_view pathText);

} // namespace sv
