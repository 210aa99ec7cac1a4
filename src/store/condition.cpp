// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/condition.h"

#include "platform/clock.h"
#include "platform/pathtext.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace sv {
namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80"; // U+3000

void RemoveAll(std::string& text, char c) {
    std::erase(text, c);
}

// Removes every block that starts with `c` together with the `length` characters behind it.
void RemoveBlocks(std::string& text, char c, std::size_t length) {
    for (auto pos = text.find(c); pos != std::string::npos; pos = text.find(c, pos))
        text.erase(pos, 1 + length);
}

std::string BlockAfter(std::string_view text, char c, std::size_t length, std::string_view fallback) {
    const auto pos = text.find(c);
    if (pos == std::string_view::npos)
        return std::string(fallback);
    std::string block(text.substr(pos + 1, length));
    // A block cut short by the end of the text keeps its missing positions at their defaults.
    if (block.size() < length)
        block.append(fallback.substr(block.size()));
    return block;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Characters that would be taken for a marker, a block or a line end when read back.
bool IsReserved(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || c == '*' || c == '?' || c == '|' || c == '>' || c == '<' || c == '"' || c == '/';
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string SizeText(std::string_view block) {
    return std::string(block.substr(1, 4));
}

TSizeLimit DecodeSize(std::string_view destText, char blockChar) {
    const std::string block = SizeBlock(destText, blockChar);
    TSizeLimit limit;
    limit.on = block[0] == '1';
    limit.sizeText = SizeText(block);
    limit.unit = IsDigit(block[5]) ? static_cast<SizeUnit>(block[5] - '0') : SizeUnit::MegaBytes;
    limit.relation = IsDigit(block[6]) ? static_cast<SizeRelation>(block[6] - '0') : SizeRelation::AtLeast;
    return limit;
}

Status AppendSizeBlock(std::string& out, char blockChar, const TSizeLimit& limit, const char* which) {
    std::string size = Trim(limit.sizeText);
    const bool fits = size.size() <= 4 && std::all_of(size.begin(), size.end(), IsDigit);
    if (!fits) {
        if (limit.on)
            return Status::Fail(std::string(which) + "のサイズは 0 から 9999 までの数値で指定してください。");
        size.clear();
    }
    const int unit = static_cast<int>(limit.unit);
    const int relation = static_cast<int>(limit.relation);
    if (unit < 0 || unit > 2 || relation < 0 || relation > 2)
        return Status::Fail(std::string(which) + "の単位または範囲が正しくありません。");
    out.push_back(blockChar);
    out.push_back(limit.on ? '1' : '0');
    out.append(4 - size.size(), ' ');
    out.append(size);
    out.push_back(static_cast<char>('0' + unit));
    out.push_back(static_cast<char>('0' + relation));
    return {};
}

constexpr std::array<char, 2> kDateBlocks{mark::TimeLimit1, mark::TimeLimit2};
constexpr std::array<char, 2> kAgeBlocks{mark::TimeLimit3, mark::TimeLimit4};

std::optional<int> Digits(std::string_view text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit))
        return std::nullopt;
    int value = 0;
    for (const char c : text)
        value = value * 10 + (c - '0');
    return value;
}

Status AppendDateLimit(std::string& out, char blockChar, const TDateLimit& limit, const char* which) {
    if (!limit.on)
        return {};
    const int relation = static_cast<int>(limit.relation);
    if (!ValidLimitDate(limit.year, limit.month, limit.day) || relation < 0 || relation > 1)
        return Status::Fail(std::string(which) + "の日付が正しくありません。");
    char block[16];
    std::snprintf(block, sizeof block, "1%04d%02d%02d%d", limit.year, limit.month, limit.day, relation);
    out.push_back(blockChar);
    out.append(block);
    return {};
}

Status AppendAgeLimit(std::string& out, char blockChar, const TAgeLimit& limit, const char* which) {
    if (!limit.on)
        return {};
    if (limit.count < 0 || limit.count > 99)
        return Status::Fail(std::string(which) + "の期間は 0 から 99 までの数値で指定してください。");
    const int term = static_cast<int>(limit.term);
    const int relation = static_cast<int>(limit.relation);
    if (term < 0 || term > 2 || relation < 0 || relation > 1)
        return Status::Fail(std::string(which) + "の単位または範囲が正しくありません。");
    char block[8];
    std::snprintf(block, sizeof block, "1%02d%d%d", limit.count, term, relation);
    out.push_back(blockChar);
    out.append(block);
    return {};
}

} // namespace

std::string Keywords(std::string_view keywordText) {
    const auto pos = keywordText.find("//");
    return std::string(pos == std::string_view::npos ? keywordText : keywordText.substr(0, pos));
}

std::string SettingName(std::string_view keywordText) {
    const auto pos = keywordText.find("//");
    return pos == std::string_view::npos ? std::string() : std::string(keywordText.substr(pos + 2));
}

bool HasMarker(std::string_view destText, char marker) {
    return destText.find(marker) != std::string_view::npos;
}

bool IsChecked(std::string_view destText) {
    return !destText.empty() && destText.front() == mark::Checked;
}

std::string SizeBlock(std::string_view destText, char blockChar) {
    return BlockAfter(destText, blockChar, 7, kDefaultSizeBlock);
}

std::optional<int> SizeValue(std::string_view sizeBlock) {
    return SizeNumber(sizeBlock.substr(1, 4));
}

std::optional<int> SizeNumber(std::string_view sizeText) {
    const auto value = ParseInteger(TrimRight(sizeText));
    if (!value || *value < 0 || *value > 9999)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::string TimestampBlock(std::string_view destText) {
    return BlockAfter(destText, mark::Timestamp, 10, "0" + std::string(kDefaultPattern));
}

std::string TimeLimitBlock(std::string_view destText, char blockChar) {
    const bool longBlock = blockChar == mark::TimeLimit1 || blockChar == mark::TimeLimit2;
    const std::size_t length = longBlock ? 10 : 5;
    const std::string_view fallback = longBlock ? kDefaultTimeLimitLong : kDefaultTimeLimitShort;
    if (destText.find(blockChar) == std::string_view::npos)
        return std::string(fallback);
    return BlockAfter(destText, blockChar, length, std::string(fallback) + "0");
}

std::string SourceFolder(std::string_view destText) {
    const auto pos = destText.find(mark::SourceStart);
    return pos == std::string_view::npos ? std::string() : std::string(destText.substr(pos + 1));
}

std::string DecodeDestFolder(std::string_view destText) {
    std::string text(destText);
    for (const char c : {'*', '?', '|', '>', '<', '"'})
        RemoveAll(text, c);
    for (const char c :
         {mark::HistoryOff, mark::CompareOff, mark::ShowOther, mark::IncludeFolders, mark::CopyMode})
        RemoveAll(text, c);
    RemoveBlocks(text, mark::SizeBlock1, 7);
    RemoveBlocks(text, mark::SizeBlock2, 7);
    RemoveAll(text, mark::KanaFold);
    RemoveAll(text, mark::ExcludeOr);
    RemoveBlocks(text, mark::Timestamp, 10);
    RemoveBlocks(text, mark::TimeLimit1, 10);
    RemoveBlocks(text, mark::TimeLimit2, 10);
    RemoveBlocks(text, mark::TimeLimit3, 5);
    RemoveBlocks(text, mark::TimeLimit4, 5);
    RemoveAll(text, mark::OnlyFolders);
    // The check marker is a control character, so trimming removes it.
    for (;;) {
        text = Trim(text);
        if (!StartsWith(text, kIdeographicSpace))
            break;
        text.erase(0, kIdeographicSpace.size());
    }
    const auto slash = text.find(mark::SourceStart);
    if (slash != std::string::npos)
        text.erase(slash);
    return text;
}

std::string SetChecked(std::string_view destText, bool on) {
    const bool checked = IsChecked(destText);
    if (on && !checked)
        return std::string(1, mark::Checked) + std::string(destText);
    if (!on && checked)
        return std::string(destText.substr(1));
    return std::string(destText);
}

std::string NormaliseFolderPath(std::string_view text) {
    const std::string out = Trim(text);
    return out.ends_with('\\') ? WithTrailingSeparator(out) : out;
}

bool ValidLimitDate(int year, int month, int day) {
    return year >= 1601 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

TDateLimit DecodeDateLimit(std::string_view destText, char blockChar) {
    const std::string block = TimeLimitBlock(destText, blockChar);
    const auto year = Digits(std::string_view(block).substr(1, 4));
    const auto month = Digits(std::string_view(block).substr(5, 2));
    const auto day = Digits(std::string_view(block).substr(7, 2));
    // The relation is the last position; a block that ends before it reads as "以前の".
    const char relation = block.size() > 9 ? block[9] : '0';
    if ((block[0] != '0' && block[0] != '1') || !year || !month || !day ||
        !ValidLimitDate(*year, *month, *day) || (relation != '0' && relation != '1'))
        return {};
    return {block[0] == '1', *year, *month, *day, static_cast<TimeSide>(relation - '0')};
}

TAgeLimit DecodeAgeLimit(std::string_view destText, char blockChar) {
    const std::string block = TimeLimitBlock(destText, blockChar);
    const auto count = Digits(std::string_view(block).substr(1, 2));
    if ((block[0] != '0' && block[0] != '1') || !count || block[3] < '0' || block[3] > '2' ||
        (block[4] != '0' && block[4] != '1'))
        return {};
    return {block[0] == '1', *count, static_cast<AgeTerm>(block[3] - '0'),
            static_cast<TimeSide>(block[4] - '0')};
}

Status ComposeTimeLimits(const TConditionFields& f, std::string& blocks) {
    blocks.clear();
    for (std::size_t i = 0; i < 2; ++i) {
        if (Status s = AppendDateLimit(blocks, kDateBlocks[i], f.dateLimits[i], i == 0 ? "条件1" : "条件2");
            !s)
            return s;
    }
    for (std::size_t i = 0; i < 2; ++i) {
        if (Status s = AppendAgeLimit(blocks, kAgeBlocks[i], f.ageLimits[i], i == 0 ? "条件3" : "条件4"); !s)
            return s;
    }
    return {};
}

std::string CarryTimeLimits(std::string_view destText, std::string_view fromDestText) {
    std::string text(destText);
    RemoveBlocks(text, mark::TimeLimit1, 10);
    RemoveBlocks(text, mark::TimeLimit2, 10);
    RemoveBlocks(text, mark::TimeLimit3, 5);
    RemoveBlocks(text, mark::TimeLimit4, 5);
    TConditionFields from;
    for (std::size_t i = 0; i < 2; ++i) {
        from.dateLimits[i] = DecodeDateLimit(fromDestText, kDateBlocks[i]);
        from.ageLimits[i] = DecodeAgeLimit(fromDestText, kAgeBlocks[i]);
    }
    std::string blocks;
    // What was read back as a row always fits its block again.
    (void)ComposeTimeLimits(from, blocks);
    if (blocks.empty())
        return text;
    std::size_t at = text.find(mark::Timestamp);
    if (at != std::string::npos && text.size() - at >= 11)
        at += 11;
    else
        at = std::min(text.find(mark::OwnSource), text.find(mark::SourceStart));
    text.insert(std::min(at, text.size()), blocks);
    return text;
}

TConditionFields DecodeCondition(const TSortCondition& condition) {
    const std::string_view d = condition.destText;
    TConditionFields f;
    f.checked = IsChecked(d);
    f.settingName = SettingName(condition.keywordText);
    f.ownSource = HasMarker(d, mark::OwnSource);
    f.sourceFolder = SourceFolder(d);
    f.subFolders = HasMarker(d, mark::SubFolders);
    f.keywordOr = HasMarker(d, mark::KeywordOr);
    f.excludeOr = HasMarker(d, mark::ExcludeOr);
    f.keywords = Keywords(condition.keywordText);
    f.destFolder = DecodeDestFolder(d);
    f.copyMode = HasMarker(d, mark::CopyMode);
    f.showOther = HasMarker(d, mark::ShowOther);
    f.caseFold = HasMarker(d, mark::CaseFold);
    f.widthFold = HasMarker(d, mark::WidthFold);
    f.kanaFold = HasMarker(d, mark::KanaFold);
    f.compareOff = HasMarker(d, mark::CompareOff);
    f.historyOff = HasMarker(d, mark::HistoryOff);
    f.extChangeOff = HasMarker(d, mark::ExtChangeOff);
    f.includeFolders = HasMarker(d, mark::IncludeFolders);
    f.onlyFolders = HasMarker(d, mark::OnlyFolders);
    f.size1 = DecodeSize(d, mark::SizeBlock1);
    f.size2 = DecodeSize(d, mark::SizeBlock2);
    const std::string stamp = TimestampBlock(d);
    f.timestampFolder = stamp[0] == '1';
    f.patternCode = stamp.substr(1);
    for (std::size_t i = 0; i < 2; ++i) {
        f.dateLimits[i] = DecodeDateLimit(d, kDateBlocks[i]);
        f.ageLimits[i] = DecodeAgeLimit(d, kAgeBlocks[i]);
    }
    return f;
}

Status ComposeCondition(const TConditionFields& f, TSortCondition& out) {
    if (f.destFolder.empty() || std::any_of(f.destFolder.begin(), f.destFolder.end(), IsReserved))
        return Status::Fail("振り分け先フォルダの指定が正しくありません。");
    if (std::any_of(f.sourceFolder.begin(), f.sourceFolder.end(), IsReserved))
        return Status::Fail("振り分け元フォルダの指定が正しくありません。");
    if (f.keywords.find("//") != std::string::npos)
        return Status::Fail("キーワードに // は使用できません。");
    if (HasLineBreak(f.keywords) || HasLineBreak(f.settingName))
        return Status::Fail("キーワードと設定名に改行は使用できません。");
    if (f.patternCode.size() != 9 || !std::all_of(f.patternCode.begin(), f.patternCode.end(), IsDigit))
        return Status::Fail("タイムスタンプフォルダの形式が正しくありません。");

    std::string dest;
    if (f.checked)
        dest.push_back(mark::Checked);
    dest.append(f.destFolder);
    const std::array<std::pair<bool, char>, 13> flags{{
        {f.widthFold, mark::WidthFold},
        {f.caseFold, mark::CaseFold},
        {f.keywordOr, mark::KeywordOr},
        {f.subFolders, mark::SubFolders},
        {f.extChangeOff, mark::ExtChangeOff},
        {f.historyOff, mark::HistoryOff},
        {f.compareOff, mark::CompareOff},
        {f.showOther, mark::ShowOther},
        {f.includeFolders, mark::IncludeFolders},
        {f.copyMode, mark::CopyMode},
        {f.kanaFold, mark::KanaFold},
        {f.excludeOr, mark::ExcludeOr},
        {f.onlyFolders, mark::OnlyFolders},
    }};
    for (const auto& [on, c] : flags)
        if (on)
            dest.push_back(c);
    if (Status s = AppendSizeBlock(dest, mark::SizeBlock1, f.size1, "条件1"); !s)
        return s;
    if (Status s = AppendSizeBlock(dest, mark::SizeBlock2, f.size2, "条件2"); !s)
        return s;
    dest.push_back(mark::Timestamp);
    dest.push_back(f.timestampFolder ? '1' : '0');
    dest.append(f.patternCode);
    std::string limits;
    if (Status s = ComposeTimeLimits(f, limits); !s)
        return s;
    dest.append(limits);
    if (f.ownSource)
        dest.push_back(mark::OwnSource);
    if (!f.sourceFolder.empty()) {
        dest.push_back(mark::SourceStart);
        dest.append(f.sourceFolder);
    }

    std::string keywordText = f.keywords;
    if (!f.settingName.empty())
        keywordText += "//" + f.settingName;
    out.keywordText = Trim(keywordText);
    out.destText = std::move(dest);
    return {};
}

} // namespace sv
