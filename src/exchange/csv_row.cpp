// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_row.h"

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

bool IsTextColumn(int column) {
    return column == 2 || column == 4 || column == 8 || column == 9;
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

std::string SizeBlockText(char blockChar, const std::string& limit, long long size, long long unit,
                          long long relation) {
    std::string block(1, blockChar);
    block += limit == "1" ? '1' : '0';
    const std::string sizeText = std::to_string(size);
    block.append(4 - sizeText.size(), ' ');
    block += sizeText;
    block += static_cast<char>('0' + unit);
    block += static_cast<char>('0' + relation);
    return block;
}

} // namespace

std::string ImportReportLine(int lineNumber, int column, std::string_view message) {
    return RightAligned(lineNumber, 4) + "行" + RightAligned(column, 2) + "列： " + std::string(message);
}

std::optional<TSortCondition> ImportRow(std::string_view line, int lineNumber,
                                        std::vector<std::string>& report) {
    std::vector<std::string> fields = SplitCsvLine(line);
    if (fields.size() < 27)
        fields.emplace_back("0");
    if (fields.size() < 28)
        fields.emplace_back("212121111");
    const auto refuse = [&](int column, std::string_view message) {
        report.push_back(ImportReportLine(lineNumber, column, message));
        return std::nullopt;
    };
    const auto field = [&](int column) -> const std::string& {
        return fields[static_cast<std::size_t>(column) - 1];
    };

    std::array<long long, 29> value{};
    for (int column = 1; column <= 28; ++column) {
        if (IsTextColumn(column))
            continue;
        // A short row runs out of fields before its checks do; it is refused as a whole.
        if (static_cast<std::size_t>(column) > fields.size())
            return refuse(column, import_text::NoData);
        const std::string& text = field(column);
        const auto number = WholeNumber(text);
        if (!number)
            return refuse(column, text.empty() ? import_text::NoData : import_text::NotNumber);
        long long v = *number;
        if (column == 20 || column == 24) {
            if (v < 0 || v > 9999) {
                report.push_back(ImportReportLine(lineNumber, column, import_text::SizeRepaired));
                v = 10;
            }
        } else if (column == 21 || column == 22 || column == 25 || column == 26) {
            if (v < 0 || v > 2)
                return refuse(column, import_text::RangeZeroToTwo);
        } else if (column == 28) {
            // Any other length would shift the blocks behind it in the coded text.
            if (text.size() != 9 || text.find_first_not_of("0123456789") != std::string::npos)
                return refuse(column, kBadPattern);
        } else if (v < 0 || v > 1) {
            return refuse(column, import_text::RangeZeroOrOne);
        }
        value[static_cast<std::size_t>(column)] = v;
    }

    const std::string& keywords = field(8);
    const std::string& dest = field(9);
    const std::string& source = field(4);
    const std::string& name = field(2);
    if (keywords.empty())
        return refuse(8, import_text::NoData);
    if (dest.empty())
        return refuse(9, import_text::NoData);
    if (const TextFault fault = CheckFolderText(dest).fault; fault != TextFault::None)
        return refuse(9, FaultText(fault, true));
    // Blanks alone would leave a condition without keywords or without a destination.
    if (Trim(keywords).empty())
        return refuse(8, import_text::NoData);
    if (const TextFault fault = CheckKeywordText(keywords).fault; fault != TextFault::None)
        return refuse(8, FaultText(fault, false));
    if (DecodeDestFolder(dest).empty())
        return refuse(9, import_text::NoData);
    // The source folder follows the markers in the coded text: a marker character in it would
    // change the condition's settings.
    if (const TextFault fault = CheckFolderText(source).fault; fault != TextFault::None)
        return refuse(4, FaultText(fault, true));
    if (const TextFault fault = CheckSettingNameText(name).fault; fault != TextFault::None)
        return refuse(2, FaultText(fault, false));
    if (SlashRunsIntoName(keywords, name))
        return refuse(8, kSlashBeforeName);

    const auto is1 = [&](int column) { return field(column) == "1"; };
    std::string coded = dest;
    constexpr std::array<std::pair<int, char>, 12> kMarkers{{
        {13, mark::WidthFold},
        {12, mark::CaseFold},
        {6, mark::KeywordOr},
        {5, mark::SubFolders},
        {17, mark::ExtChangeOff},
        {16, mark::HistoryOff},
        {15, mark::CompareOff},
        {11, mark::ShowOther},
        {18, mark::IncludeFolders},
        {10, mark::CopyMode},
        {14, mark::KanaFold},
        {7, mark::ExcludeOr},
    }};
    for (const auto& [column, marker] : kMarkers) {
        if (is1(column))
            coded += marker;
    }
    if (is1(1))
        coded.insert(coded.begin(), mark::Checked);
    coded += SizeBlockText(mark::SizeBlock1, field(19), value[20], value[21], value[22]);
    coded += SizeBlockText(mark::SizeBlock2, field(23), value[24], value[25], value[26]);
    coded += mark::Timestamp;
    coded += is1(27) ? '1' : '0';
    coded += field(28);
    if (is1(3))
        coded += mark::OwnSource;
    if (!source.empty()) {
        coded += mark::SourceStart;
        coded += source;
    }

    TSortCondition condition;
    condition.keywordText = Trim(name.empty() ? keywords : keywords + "//" + name);
    condition.destText = std::move(coded);
    return condition;
}

} // namespace sv
