// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cp932.h"
#include "platform/fold.h"
#include "platform/utf8.h"

#include <gtest/gtest.h>

namespace sv {
namespace {

constexpr FoldFlags kKana{true, false, false};
constexpr FoldFlags kWidth{false, true, false};
constexpr FoldFlags kCase{false, false, true};
constexpr FoldFlags kAll{true, true, true};

TEST(FoldKana, HiraganaBecomeKatakanaAndNothingElseChanges) {
    EXPECT_EQ(Fold("ぁあがぱゔゕゖゝゞ", kKana), "ァアガパヴヵヶヽヾ");
    // The digraph ゟ, the sound marks and everything already katakana or not kana stay.
    EXPECT_EQ(Fold("ゟ゛゜アｱー漢字ＡＢａ", kKana), "ゟ゛゜アｱー漢字ＡＢａ");
    for (char32_t cp = 0x3041; cp <= 0x3096; ++cp)
        EXPECT_EQ(FoldKana(cp), cp + 0x60);
}

TEST(FoldWidth, FullWidthAsciiAndBlankBecomeAscii) {
    for (char32_t cp = 0xFF01; cp <= 0xFF5E; ++cp)
        EXPECT_EQ(FoldWidth(cp).first, cp - 0xFEE0);
    EXPECT_EQ(Fold("ＡＢＣ　／＂＊？～ｚ", kWidth), "ABC /\"*?~z");
    // Full-width signs whose narrow forms the code page cannot hold stay.
    EXPECT_EQ(Fold("￥￠｟", kWidth), "￥￠｟");
}

TEST(FoldWidth, KatakanaAndJapanesePunctuationBecomeHalfWidth) {
    EXPECT_EQ(Fold("アニメ", kWidth), "ｱﾆﾒ");
    EXPECT_EQ(Fold("ガパヴヷヺ", kWidth), "ｶﾞﾊﾟｳﾞﾜﾞｦﾞ");
    EXPECT_EQ(Fold("「。、・ー゛゜」ァッ", kWidth), "｢｡､･ｰﾞﾟ｣ｧｯ");
    // No half-width form: hiragana, kanji, small ヵ, ヰ, the voiced iteration mark, half-width itself.
    EXPECT_EQ(Fold("がな漢ヵヰヾｶﾞ①", kWidth), "がな漢ヵヰヾｶﾞ①");
}

TEST(FoldWidth, EveryResultIsAsciiOrHalfWidthKana) {
    for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
        const WidthFolded w = FoldWidth(cp);
        if (w.first == cp)
            continue;
        const auto narrow = [](char32_t c) { return c < 0x7F || (c >= 0xFF61 && c <= 0xFF9F); };
        EXPECT_TRUE(narrow(w.first) && (w.second == 0 || w.second == 0xFF9E || w.second == 0xFF9F))
            << std::hex << static_cast<unsigned>(cp);
    }
}

TEST(FoldCase, UpperCasesAsciiFullWidthGreekAndCyrillicOnly) {
    EXPECT_EQ(Fold("abcXYZ ａｚ αως яё", kCase), "ABCXYZ ＡＺ ΑΩΣ ЯЁ");
    EXPECT_EQ(Fold("éßµ ｱあ", kCase), "éßµ ｱあ");
    EXPECT_EQ(LowerCase("MOVIE.AVI ＡΑЯ é"), "movie.avi ａαя é");
    for (char32_t c = U'a'; c <= U'z'; ++c)
        EXPECT_EQ(FoldLower(FoldUpper(c)), c);
}

TEST(FoldText, StepsRunInOrderKanaWidthCase) {
    // Kana first makes hiragana reach the half-width step; width first makes ａ reach upper-casing.
    EXPECT_EQ(Fold("ぱ", kAll), "ﾊﾟ");
    EXPECT_EQ(Fold("ぱ", kWidth), "ぱ");
    EXPECT_EQ(Fold("ａびでお", kAll), "Aﾋﾞﾃﾞｵ");
    EXPECT_EQ(Fold("ａ", FoldFlags{false, true, true}), "A");
}

TEST(FoldText, KeepsOtherBytesAndFoldsLongTextsWhole) {
    // Escaped invalid bytes from a file are ordinary characters; no flags leave the text alone.
    const std::string escaped = Cp932ToUtf8("a\x81");
    EXPECT_EQ(Fold(escaped, kAll), "A" + escaped.substr(1));
    EXPECT_EQ(Fold("ab\xFF", FoldFlags{}), "ab\xFF");
    EXPECT_EQ(Fold("ab\xFF", kCase), "AB\uFFFD");

    // Nothing is cut at 2047 code page 932 bytes: 1500 hiragana (3000 bytes) fold whole.
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += "が";
    const std::string folded = Fold(text + "x", kAll);
    EXPECT_EQ(Utf8Length(folded), 3001u);
    EXPECT_EQ(folded.substr(folded.size() - 7), "ｶﾞX");

    std::string out = "keep:";
    FoldAppend(out, "ａ", kWidth);
    EXPECT_EQ(out, "keep:a");
}

} // namespace
} // namespace sv
