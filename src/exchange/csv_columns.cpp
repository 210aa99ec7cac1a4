// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_columns.h"

namespace sv {

using C = CsvColumn;
using V = CsvValue;

constexpr std::array<TCsvColumnLayout, kCsvColumns> kCsvColumnLayouts{{
    {C::Checked, V::Flag, "1)チェック", "0:なし", "1:あり"},
    {C::SettingName, V::Text, "2)設定名", "", ""},
    {C::OwnSource, V::Flag, "3)元フォルダ選択", "0:メイン画面で設定", "1:以下のフォルダを適用"},
    {C::SourceFolder, V::Text, "4)適用フォルダ", "", ""},
    {C::SubFolders, V::Flag, "5)サブフォルダ", "0:対象としない", "1:対象とする"},
    {C::KeywordOr, V::Flag, "6)振り分けAND/OR", "0:AND", "1:OR"},
    {C::ExcludeOr, V::Flag, "7)除外AND/OR", "0:AND", "1:OR"},
    {C::Keywords, V::Text, "8)振り分けキーワード", "", ""},
    {C::DestFolder, V::Text, "9)振り分け先フォルダ", "", ""},
    {C::CopyMode, V::Flag, "10)振り分けorコピー", "0:振り分け(移動)", "1:コピー"},
    {C::ShowOther, V::Flag, "11)その他の設定", "0:表示しない", "1:表示する"},
    {C::CaseFold, V::Flag, "12)大文字/小文字", "0:区別する", "1:区別しない"},
    {C::WidthFold, V::Flag, "13)半角/全角", "0:区別する", "1:区別しない"},
    {C::KanaFold, V::Flag, "14)ひらがな/カタカナ", "0:区別する", "1:区別しない"},
    {C::CompareOff, V::Flag, "15)コンペア処理", "0:行う", "1:行わない"},
    {C::HistoryOff, V::Flag, "16)履歴保存", "0:保存する", "1:保存しない"},
    {C::ExtChangeOff, V::Flag, "17)拡張子変更", "0:適用する", "1:適用しない"},
    {C::IncludeFolders, V::Flag, "18)フォルダも対象", "0:対象としない", "1:対象とする"},
    {C::Size1On, V::Flag, "19)サイズ限定1", "0:限定しない", "1:限定する"},
    {C::Size1, V::Size, "20)サイズ", "", ""},
    {C::Size1Unit, V::Choice, "21)単位", "0:バイト", "1:KB/2:MB"},
    {C::Size1Relation, V::Choice, "22)の/以下の/以上の", "0:の", "1:以下の/2:以上の"},
    {C::Size2On, V::Flag, "23)サイズ限定2", "0:限定しない", "1:限定する"},
    {C::Size2, V::Size, "24)サイズ", "", ""},
    {C::Size2Unit, V::Choice, "25)単位", "0:バイト", "1:KB/2:MB"},
    {C::Size2Relation, V::Choice, "26)の/以下の/以上の", "0:の", "1:以下の/2:以上の"},
    {C::TimestampFolder, V::Flag, "27)タイムスタンプ", "0:フォルダ作成しない", "1:フォルダ作成する"},
    {C::PatternCode, V::Pattern, "28)パターンコード", "", ""},
}};

// The report lines and the export count on the table standing in file order.
constexpr bool InFileOrder() {
    for (std::size_t i = 0; i < kCsvColumnLayouts.size(); ++i)
        if (ColumnNumber(kCsvColumnLayouts[i].column) != static_cast<int>(i) + 1)
            return false;
    return true;
}
static_assert(InFileOrder());

const std::array<TCsvFlagColumn, 14> kCsvFlagColumns{{
    {C::Checked, &TConditionFields::checked},
    {C::OwnSource, &TConditionFields::ownSource},
    {C::SubFolders, &TConditionFields::subFolders},
    {C::KeywordOr, &TConditionFields::keywordOr},
    {C::ExcludeOr, &TConditionFields::excludeOr},
    {C::CopyMode, &TConditionFields::copyMode},
    {C::ShowOther, &TConditionFields::showOther},
    {C::CaseFold, &TConditionFields::caseFold},
    {C::WidthFold, &TConditionFields::widthFold},
    {C::KanaFold, &TConditionFields::kanaFold},
    {C::CompareOff, &TConditionFields::compareOff},
    {C::HistoryOff, &TConditionFields::historyOff},
    {C::ExtChangeOff, &TConditionFields::extChangeOff},
    {C::IncludeFolders, &TConditionFields::includeFolders},
}};

const std::array<TCsvSizeColumns, 2> kCsvSizeColumns{{
    {C::Size1On, C::Size1, C::Size1Unit, C::Size1Relation, &TConditionFields::size1},
    {C::Size2On, C::Size2, C::Size2Unit, C::Size2Relation, &TConditionFields::size2},
}};

} // namespace sv
