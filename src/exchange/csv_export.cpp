// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_export.h"

#include "exchange/csv_text.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"

#include <array>

namespace sv {
namespace {

struct Column final {
    const char* title;
    const char* zero; // line 2
    const char* one;  // line 3
};

constexpr std::array<Column, kCsvColumns> kColumns{{
    {"1)チェック", "0:なし", "1:あり"},
    {"2)設定名", "", ""},
    {"3)元フォルダ選択", "0:メイン画面で設定", "1:以下のフォルダを適用"},
    {"4)適用フォルダ", "", ""},
    {"5)サブフォルダ", "0:対象としない", "1:対象とする"},
    {"6)振り分けAND/OR", "0:AND", "1:OR"},
    {"7)除外AND/OR", "0:AND", "1:OR"},
    {"8)振り分けキーワード", "", ""},
    {"9)振り分け先フォルダ", "", ""},
    {"10)振り分けorコピー", "0:振り分け(移動)", "1:コピー"},
    {"11)その他の設定", "0:表示しない", "1:表示する"},
    {"12)大文字/小文字", "0:区別する", "1:区別しない"},
    {"13)半角/全角", "0:区別する", "1:区別しない"},
    {"14)ひらがな/カタカナ", "0:区別する", "1:区別しない"},
    {"15)コンペア処理", "0:行う", "1:行わない"},
    {"16)履歴保存", "0:保存する", "1:保存しない"},
    {"17)拡張子変更", "0:適用する", "1:適用しない"},
    {"18)フォルダも対象", "0:対象としない", "1:対象とする"},
    {"19)サイズ限定1", "0:限定しない", "1:限定する"},
    {"20)サイズ", "", ""},
    {"21)単位", "0:バイト", "1:KB/2:MB"},
    {"22)の/以下の/以上の", "0:の", "1:以下の/2:以上の"},
    {"23)サイズ限定2", "0:限定しない", "1:限定する"},
    {"24)サイズ", "", ""},
    {"25)単位", "0:バイト", "1:KB/2:MB"},
    {"26)の/以下の/以上の", "0:の", "1:以下の/2:以上の"},
    {"27)タイムスタンプ", "0:フォルダ作成しない", "1:フォルダ作成する"},
    {"28)パターンコード", "", ""},
}};

std::string Flag(std::string_view destText, char marker) {
    return HasMarker(destText, marker) ? "1" : "0";
}

std::string Digit(char c) {
    // A damaged block character reads as the default, as every other reader takes it.
    return std::string(1, c >= '0' && c <= '9' ? c : '2');
}

void AppendSize(std::vector<std::string>& fields, std::string_view destText, char blockChar) {
    const std::string block = SizeBlock(destText, blockChar);
    fields.push_back(block[0] == '1' ? "1" : "0");
    fields.push_back(std::to_string(SizeValue(block).value_or(10)));
    fields.push_back(Digit(block[5]));
    fields.push_back(Digit(block[6]));
}

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
    for (const Column& c : kColumns) {
        titles.emplace_back(c.title);
        zeros.emplace_back(c.zero);
        ones.emplace_back(c.one);
    }
    return {Join(titles), Join(zeros), Join(ones)};
}

std::string CsvRow(const TSortCondition& condition) {
    const std::string_view d = condition.destText;
    std::vector<std::string> f;
    f.reserve(kCsvColumns);
    f.push_back(IsChecked(d) ? "1" : "0");
    f.push_back(QuoteCsvField(SettingName(condition.keywordText)));
    f.push_back(Flag(d, mark::OwnSource));
    // Quoted like the other text columns, so that any folder name reads back as it was.
    f.push_back(QuoteCsvField(SourceFolder(d)));
    f.push_back(Flag(d, mark::SubFolders));
    f.push_back(Flag(d, mark::KeywordOr));
    f.push_back(Flag(d, mark::ExcludeOr));
    f.push_back(QuoteCsvField(Keywords(condition.keywordText)));
    f.push_back(QuoteCsvField(DecodeDestFolder(d)));
    f.push_back(Flag(d, mark::CopyMode));
    f.push_back(Flag(d, mark::ShowOther));
    f.push_back(Flag(d, mark::CaseFold));
    f.push_back(Flag(d, mark::WidthFold));
    f.push_back(Flag(d, mark::KanaFold));
    f.push_back(Flag(d, mark::CompareOff));
    f.push_back(Flag(d, mark::HistoryOff));
    f.push_back(Flag(d, mark::ExtChangeOff));
    f.push_back(Flag(d, mark::IncludeFolders));
    AppendSize(f, d, mark::SizeBlock1);
    AppendSize(f, d, mark::SizeBlock2);
    const std::string stamp = TimestampBlock(d);
    f.push_back(stamp.substr(0, 1));
    f.push_back(stamp.substr(1));
    return Join(f);
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
    return WriteFileAtomic(pathText, bytes);
}

std::string WithCsvExtension(std::string_view pathText) {
    const std::string_view name = LastComponent(pathText);
    std::string out(pathText);
    if (name.find('.') == std::string_view::npos)
        out += ".csv";
    return out;
}

} // namespace sv
