// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_row.h"

#include "exchange/csv_columns.h"
#include "exchange/csv_text.h"
#include "platform/text.h"
#include "store/condition_text.h"

#include <array>

namespace sv {
namespace {

constexpr std::string_view kBadText = "文字コードが異常のため、インポートできませんでした";
constexpr std::string_view kBadPattern =
    "パターンコードが異常のため、インポートできませんでした（正常値：9桁の数字）";
constexpr std::string_view kDoubleSlash = "キーワードに // があるため、インポートできませんでした";
constexpr std::string_view kControlChar = "制御文字を含んでいるため、インポートできませんでした";
constexpr std::string_view kFolderTooLong =
    "フォルダ名称が長すぎるため（2047 バイトまで）、インポートできませんでした";
constexpr std::string_view kSlashBeforeName =
    "キーワードが / で終わり、設定名との区切りの // と続いてしまうため、インポートできませんでした";

std::string RightAligned(int value, std::size_t width) {
    std::string text = std::to_string(value);
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

// A whole number: leading blanks and a sign allowed, nothing after the digits. Values too large
// for any column are held at a bound that every range check refuses.
std::optional<long long> WholeNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    if (pos == text.size())
        return std::nullopt;
    long long value = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = std::min(value * 10 + (c - '0'), 1'000'000'000'000LL);
    }
    return negative ? -value : value;
}

// What the import says about a text the store would not keep as it is: the editor refuses the same
// texts.
std::string_view FaultText(TextFault fault, bool folder) {
    switch (fault) {
    case TextFault::None:
        return {};
    case TextFault::ControlChar:
        return folder ? import_text::BadFolder : kControlChar;
    case TextFault::FolderMarker:
        return import_text::BadFolder;
    case TextFault::DoubleSlash:
        return kDoubleSlash;
    case TextFault::Unstorable:
        return kBadText;
    case TextFault::TooLong:
        return kFolderTooLong;
    }
    return {};
}

} // namespace

std::string ImportReportLine(int lineNumber, int column, std::string_view message) {
    return RightAligned(lineNumber, 4) + "行" + RightAligned(column, 2) + "列： " + std::string(message);
}

std::optional<TSortCondition> ImportRow(std::string_view line, int lineNumber,
                                        std::vector<std::string>& report) {
    std::vector<std::string> fields = SplitCsvLine(line);
    // A row of fewer columns gets the time-stamp columns' defaults.
    if (fields.size() < static_cast<std::size_t>(ColumnNumber(CsvColumn::TimestampFolder)))
        fields.emplace_back("0");
    if (fields.size() < static_cast<std::size_t>(ColumnNumber(CsvColumn::PatternCode)))
        fields.emplace_back(kDefaultPattern);
    const auto refuse = [&](CsvColumn column, std::string_view message) {
        report.push_back(ImportReportLine(lineNumber, ColumnNumber(column), message));
        return std::nullopt;
    };
    const auto field = [&](CsvColumn column) -> const std::string& {
        return fields[static_cast<std::size_t>(ColumnNumber(column)) - 1];
    };

    std::array<long long, kCsvColumns + 1> value{};
    for (const TCsvColumnLayout& layout : kCsvColumnLayouts) {
        const CsvColumn column = layout.column;
        if (layout.value == CsvValue::Text)
            continue;
        // A short row runs out of fields before its checks do; it is refused as a whole.
        if (static_cast<std::size_t>(ColumnNumber(column)) > fields.size())
            return refuse(column, import_text::NoData);
        const std::string& text = field(column);
        const auto number = WholeNumber(text);
        if (!number)
            return refuse(column, text.empty() ? import_text::NoData : import_text::NotNumber);
        long long v = *number;
        switch (layout.value) {
        case CsvValue::Size:
            if (v < 0 || v > 9999) {
                report.push_back(
                    ImportReportLine(lineNumber, ColumnNumber(column), import_text::SizeRepaired));
                v = 10;
            }
            break;
        case CsvValue::Choice:
            if (v < 0 || v > 2)
                return refuse(column, import_text::RangeZeroToTwo);
            break;
        case CsvValue::Pattern:
            // Any other length would shift the blocks behind it in the coded text.
            if (text.size() != 9 || text.find_first_not_of("0123456789") != std::string::npos)
                return refuse(column, kBadPattern);
            break;
        case CsvValue::Flag:
        case CsvValue::Text:
            if (v < 0 || v > 1)
                return refuse(column, import_text::RangeZeroOrOne);
            break;
        }
        value[static_cast<std::size_t>(ColumnNumber(column))] = v;
    }
    const auto number = [&](CsvColumn column) {
        return value[static_cast<std::size_t>(ColumnNumber(column))];
    };

    const std::string& keywords = field(CsvColumn::Keywords);
    const std::string& dest = field(CsvColumn::DestFolder);
    const std::string& source = field(CsvColumn::SourceFolder);
    const std::string& name = field(CsvColumn::SettingName);
    if (keywords.empty())
        return refuse(CsvColumn::Keywords, import_text::NoData);
    if (dest.empty())
        return refuse(CsvColumn::DestFolder, import_text::NoData);
    if (const TextFault fault = CheckFolderText(dest).fault; fault != TextFault::None)
        return refuse(CsvColumn::DestFolder, FaultText(fault, true));
    // Blanks alone would leave a condition without keywords or without a destination.
    if (Trim(keywords).empty())
        return refuse(CsvColumn::Keywords, import_text::NoData);
    if (const TextFault fault = CheckKeywordText(keywords).fault; fault != TextFault::None)
        return refuse(CsvColumn::Keywords, FaultText(fault, false));
    if (DecodeDestFolder(dest).empty())
        return refuse(CsvColumn::DestFolder, import_text::NoData);
    // The source folder follows the markers in the coded text: a marker character in it would
    // change the condition's settings.
    if (const TextFault fault = CheckFolderText(source).fault; fault != TextFault::None)
        return refuse(CsvColumn::SourceFolder, FaultText(fault, true));
    if (const TextFault fault = CheckSettingNameText(name).fault; fault != TextFault::None)
        return refuse(CsvColumn::SettingName, FaultText(fault, false));
    if (SlashRunsIntoName(keywords, name))
        return refuse(CsvColumn::Keywords, kSlashBeforeName);

    // A flag is on only for the text "1" itself; "01" or " 1" passed the range check but stay off.
    const auto is1 = [&](CsvColumn column) { return field(column) == "1"; };
    TConditionFields f;
    for (const auto& [column, flag] : kCsvFlagColumns)
        f.*flag = is1(column);
    f.settingName = name;
    f.sourceFolder = source;
    f.keywords = keywords;
    // As written: the codec keeps a folder text as it stands.
    f.destFolder = dest;
    for (const TCsvSizeColumns& size : kCsvSizeColumns) {
        TSizeLimit& limit = f.*size.limit;
        limit.on = is1(size.on);
        limit.sizeText = std::to_string(number(size.size));
        limit.unit = static_cast<SizeUnit>(number(size.unit));
        limit.relation = static_cast<SizeRelation>(number(size.relation));
    }
    f.timestampFolder = is1(CsvColumn::TimestampFolder);
    f.patternCode = field(CsvColumn::PatternCode);

    TSortCondition condition;
    // The checks above refuse everything the codec would; should they ever miss a case, the row is
    // refused all the same rather than stored in a form that does not read back.
    if (const Status composed = ComposeCondition(f, condition); !composed)
        return refuse(CsvColumn::Checked, composed.error());
    return condition;
}

} // namespace sv
