// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_export.h"

#include "exchange/csv_columns.h"
#include "exchange/csv_text.h"
#include "platform/cp932.h"
#include "platform/file_messages.h"
#include "platform/files.h"
#include "platform/pathtext.h"

namespace sv {
namespace {

std::string Join(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += fields[i];
    }
    return line;
}

} // namespace

std::vector<std::string> CsvHeaderLines() {
    std::vector<std::string> titles, zeros, ones;
    for (const TCsvColumnLayout& c : kCsvColumnLayouts) {
        titles.emplace_back(c.title);
        zeros.emplace_back(c.zero);
        ones.emplace_back(c.one);
    }
    return {Join(titles), Join(zeros), Join(ones)};
}

std::string CsvRow(const TSortCondition& condition) {
    const TConditionFields f = DecodeCondition(condition);
    std::vector<std::string> fields(kCsvColumns);
    const auto at = [&](CsvColumn column) -> std::string& {
        return fields[static_cast<std::size_t>(ColumnNumber(column)) - 1];
    };
    for (const auto& [column, flag] : kCsvFlagColumns)
        at(column) = f.*flag ? "1" : "0";
    // The text columns are quoted when needed, the source folder too, so that any folder name
    // reads back as it was.
    at(CsvColumn::SettingName) = QuoteCsvField(f.settingName);
    at(CsvColumn::SourceFolder) = QuoteCsvField(f.sourceFolder);
    at(CsvColumn::Keywords) = QuoteCsvField(f.keywords);
    at(CsvColumn::DestFolder) = QuoteCsvField(f.destFolder);
    for (const TCsvSizeColumns& size : kCsvSizeColumns) {
        const TSizeLimit& limit = f.*size.limit;
        at(size.on) = limit.on ? "1" : "0";
        // A size that is not a number is written as the default, as every other reader takes it.
        at(size.size) = std::to_string(SizeNumber(limit.sizeText).value_or(10));
        at(size.unit) = std::to_string(static_cast<int>(limit.unit));
        at(size.relation) = std::to_string(static_cast<int>(limit.relation));
    }
    // The flag character as its block holds it: a damaged one makes the import refuse the row
    // instead of guessing.
    at(CsvColumn::TimestampFolder) = TimestampBlock(condition.destText).substr(0, 1);
    at(CsvColumn::PatternCode) = f.patternCode;
    return Join(fields);
}

Status CsvFileBytes(const TConditionList& list, int count, std::string& bytes) {
    bytes.clear();
    std::vector<std::string> lines = CsvHeaderLines();
    for (int i = 0; i < count && i < TConditionList::kCapacity; ++i)
        lines.push_back(CsvRow(list.At(i)));
    for (const std::string& line : lines) {
        const auto encoded = Utf8ToCp932(line);
        if (!encoded)
            return Status::Fail("「" + line + "」の文字 " + FirstUnencodableChar(line) +
                                " は書き込めません。");
        bytes += *encoded;
        bytes += "\r\n";
    }
    return {};
}

Status ExportConditions(std::string_view pathText, const TConditionList& list, int count) {
    std::string bytes;
    if (Status s = CsvFileBytes(list, count, bytes); !s)
        return s;
    return FailureStatus(WriteFileAtomic(pathText, bytes));
}

std::string WithCsvExtension(std::string_view pathText) {
    const std::string_view name = LastComponent(pathText);
    std::string out(pathText);
    if (name.find('.') == std::string_view::npos)
        out += ".csv";
    return out;
}

} // namespace sv
