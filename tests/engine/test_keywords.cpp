// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/keywords.h"
#include "engine/mask.h"
#include "platform/cp932.h"
#include "store/condition.h"

#include <gtest/gtest.h>

#include <random>

namespace sv {
namespace {

using Strings = std::vector<std::string>;

const std::string kKana{mark::KanaFold};
const std::string kWidth{mark::WidthFold};
const std::string kCase{mark::CaseFold};
const std::string kOr{mark::KeywordOr};
const std::string kExcludeOr{mark::ExcludeOr};

TKeywordLists Lists(std::string_view keywords, const std::string& markers = "") {
    return ParseKeywords(keywords, "\\dest" + markers);
}

bool Match(std::string_view name, std::string_view keywords, const std::string& markers = "") {
    return MatchesCondition(name, Lists(keywords, markers));
}

TEST(KeywordParsing, SplitsOnBlanksQuotesAndSlashes) {
    TKeywordLists l = Lists(" \tabc  def\t/tmp \"a b\" \"\" \"/x y\"//setting name");
    EXPECT_EQ(l.sorting, (Strings{"abc", "def\t/tmp", "a b"}));
    EXPECT_EQ(l.exclusion, (Strings{"x y"}));

    l = Lists("abc /tmp \"unclosed rest ");
    EXPECT_EQ(l.sorting, (Strings{"abc", "unclosed rest"}));
    EXPECT_EQ(l.exclusion, (Strings{"tmp"}));

    // A lone slash is an empty exclusion keyword: the exclusion list ends there.
    l = Lists("a /x / /y b");
    EXPECT_EQ(l.sorting, (Strings{"a", "b"}));
    EXPECT_EQ(l.exclusion, (Strings{"x"}));
    EXPECT_FALSE(Match("a b x", "a /x / /y b", kExcludeOr));
    EXPECT_TRUE(Match("a b y", "a /x / /y b", kExcludeOr));
}

TEST(KeywordParsing, FullWidthSeparatorsActOnlyWithWidthFolding) {
    const std::string text = "ａｂｃ　／ｄｅｆ　＂ｇ　ｈ＂";
    TKeywordLists l = Lists(text, kWidth);
    EXPECT_EQ(l.sorting, (Strings{"abc", "g h"}));
    EXPECT_EQ(l.exclusion, (Strings{"def"}));
    EXPECT_EQ(Lists(text).sorting, (Strings{text}));
}

TEST(KeywordParsing, StopsWhenEitherListHolds127) {
    std::string text;
    for (int i = 1; i <= 130; ++i)
        text += "k" + std::to_string(i) + "z ";
    const TKeywordLists l = Lists(text, kOr);
    ASSERT_EQ(l.sorting.size(), kMaxKeywords);
    EXPECT_TRUE(MatchesCondition("k127z", l));
    EXPECT_FALSE(MatchesCondition("k128z", l));

    // Lone slashes count as exclusion entries, so 127 of them end parsing before "late".
    std::string slashes = "early ";
    for (int i = 0; i < 127; ++i)
        slashes += "/ ";
    EXPECT_EQ(Lists(slashes + "late").sorting, (Strings{"early"}));
}

TEST(KeywordMatching, AndOrAndExclusions) {
    EXPECT_TRUE(Match("xx abc yy def.avi", "abc def"));
    EXPECT_FALSE(Match("abc.avi", "abc def"));
    EXPECT_TRUE(Match("abc.avi", "abc def", kOr));

    EXPECT_FALSE(Match("abc tmp", "abc /tmp"));
    EXPECT_FALSE(Match("abc tmp", "abc \"/tmp\""));
    EXPECT_TRUE(Match("abc", "abc /tmp"));
    // Exclusion AND needs every exclusion keyword, OR any one of them.
    EXPECT_TRUE(Match("abc x", "abc /x /y"));
    EXPECT_FALSE(Match("abc x y", "abc /x /y"));
    EXPECT_FALSE(Match("abc x", "abc /x /y", kExcludeOr));
    EXPECT_TRUE(Match("abc", "abc /x /y", kExcludeOr));

    // Without sorting keywords nothing matches, whatever the exclusions say.
    EXPECT_FALSE(Match("anything", "/x"));
    EXPECT_FALSE(Match("anything", "/x", kExcludeOr));
    EXPECT_FALSE(Match("anything", ""));
    EXPECT_FALSE(Match("anything", "\"\""));
}

TEST(KeywordMatching, FoldingAppliesToNamesAndKeywordsAlike) {
    EXPECT_TRUE(Match("[x] アニメ 01.mp4", "あにめ", kKana));
    EXPECT_TRUE(Match("あにめ", "アニメ", kKana));
    EXPECT_FALSE(Match("アニメ", "あにめ"));

    EXPECT_TRUE(Match("ＡＢＣ.avi", "ABC", kWidth));
    EXPECT_TRUE(Match("ｱﾆﾒ", "アニメ", kWidth));
    EXPECT_TRUE(Match("ﾊﾟｽﾞﾙ", "パズル", kWidth));
    EXPECT_FALSE(Match("ｱﾆﾒ", "あにめ", kWidth));

    // Kana and width together: hiragana, full-width and half-width katakana all meet.
    const std::string both = kKana + kWidth;
    for (const char* name : {"ぱずる", "パズル", "ﾊﾟｽﾞﾙ"})
        for (const char* keyword : {"ぱずる", "パズル", "ﾊﾟｽﾞﾙ"})
            EXPECT_TRUE(Match(name, keyword, both)) << name << " / " << keyword;

    EXPECT_FALSE(Match("ABC.avi", "abc"));
    EXPECT_TRUE(Match("ABC.avi", "abc", kCase));
    EXPECT_TRUE(Match("ΑΒΓ", "αβγ", kCase));
    EXPECT_TRUE(Match("ｘ．ａｖｉ", "X.AVI", kWidth + kCase));
    // Full-width mask characters become mask characters only with width folding.
    EXPECT_TRUE(Match("x.avi", "＊．ａｖｉ", kWidth));
    EXPECT_FALSE(Match("x.avi", "＊．ａｖｉ"));
}

TEST(KeywordMatching, LongTextsAreFoldedWhole) {
    // Beyond 2047 code page 932 bytes of keyword text and of name, nothing is lost.
    std::string filler;
    for (int i = 0; i < 1100; ++i)
        filler += "あ";
    const TKeywordLists l = Lists(filler + " last", kKana + kOr);
    EXPECT_EQ(l.sorting.size(), 2u);
    EXPECT_TRUE(MatchesCondition("the last one", l));
    EXPECT_TRUE(Match(filler + "x", "*ア?", kKana));
}

TEST(MaskMatching, CaseRulesAndCharacters) {
    // ASCII letters compare case-blind in a mask even without case folding; a substring does not.
    EXPECT_TRUE(Match("MOVIE.AVI", "*.avi"));
    EXPECT_FALSE(Match("MOVIE.AVI.part", "*.avi"));
    EXPECT_FALSE(Match("ΑΒ.avi", "αβ*"));
    EXPECT_TRUE(Match("ΑΒ.avi", "αβ*", kCase));

    // "?" is one whole character, Japanese or an escaped invalid byte alike.
    EXPECT_TRUE(Match("ア.txt", "?.txt"));
    EXPECT_FALSE(Match("ア.txt", "??.txt"));
    EXPECT_TRUE(Match(Cp932ToUtf8("\x81") + "b", "?B"));
    EXPECT_TRUE(Match("abc", "a*b*c"));
    EXPECT_TRUE(Match("abc", "***"));
    EXPECT_FALSE(Match("", "?"));
    EXPECT_TRUE(Match("aXbXc", "a*X*c"));
    EXPECT_FALSE(Match("aXbXc", "a*Y*c"));
}

TEST(MaskMatching, BracketSets) {
    EXPECT_TRUE(Match("ep3.mp4", "ep[0-9].*"));
    EXPECT_FALSE(Match("epX.mp4", "ep[0-9].*"));
    EXPECT_TRUE(Match("epX.mp4", "ep[!0-9].*"));
    EXPECT_TRUE(Match("B1", "[a-c]?"));
    EXPECT_TRUE(Match("b1", "[A-C]?"));
    EXPECT_TRUE(Match("ア1", "[アイ]?"));
    EXPECT_FALSE(Match("ウ1", "[アイ]?"));
    EXPECT_TRUE(Match("*x", "[*]?"));
    EXPECT_TRUE(Match("-x", "[a-]?"));
    EXPECT_TRUE(Match("]x", "*]?"));
    // Without "*" or "?" brackets are plain text.
    EXPECT_TRUE(Match("[サークル] x.mp4", "[サークル]"));
    EXPECT_FALSE(Match("サ", "[サークル]"));
}

TEST(MaskMatching, InvalidMasksNeverMatch) {
    EXPECT_FALSE(Match("[abc", "[abc*"));
    EXPECT_FALSE(Match("x[", "*[", kOr));
    std::string stars31(31, '*');
    EXPECT_FALSE(Mask(stars31).Valid());
    EXPECT_FALSE(Match("anything", stars31));
    EXPECT_TRUE(Match("anything", std::string(30, '*')));
    // As an exclusion keyword an invalid mask excludes nothing.
    EXPECT_TRUE(Match("abc[", "abc /*[", kExcludeOr));
}

TEST(MaskMatching, PathologicalMaskStaysPolynomial) {
    const std::string name(20000, 'a');
    EXPECT_FALSE(Match(name, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(Match(name + "b", "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(KeywordMatching, ListsBuiltByHandWork) {
    TKeywordLists l;
    l.sorting = {"*.AVI", "movie"};
    l.exclusion = {"tmp"};
    EXPECT_TRUE(MatchesCondition("movie.avi", l));
    EXPECT_FALSE(MatchesCondition("movie.avi tmp", l));
}

TEST(NgKeywords, BlankOrFullWidthBlankSeparatedAndRaw) {
    EXPECT_TRUE(ContainsNgKeyword("xx def", "abc　def"));
    EXPECT_TRUE(ContainsNgKeyword("def", "　 abc　\tdef "));
    EXPECT_FALSE(ContainsNgKeyword("abc", "abc\tdef"));
    EXPECT_FALSE(ContainsNgKeyword("ab cd", "abc　def"));
    EXPECT_FALSE(ContainsNgKeyword("anything", ""));
    EXPECT_FALSE(ContainsNgKeyword("anything", " 　\t"));
    // No folding: case, width and quotes count as written.
    EXPECT_FALSE(ContainsNgKeyword("ABC", "abc"));
    EXPECT_FALSE(ContainsNgKeyword("ＡＢＣ", "ABC"));
    EXPECT_TRUE(ContainsNgKeyword("say \"hi", "\"hi"));
}

TEST(KnownExtensions, CountsInTableOrderWithRemoval) {
    EXPECT_EQ(CountKnownExtensions("movie.avi.exe"), 2);
    EXPECT_EQ(CountKnownExtensions("page.html"), 1);
    EXPECT_EQ(CountKnownExtensions("a.tar.gz"), 1);
    EXPECT_EQ(CountKnownExtensions("x.jpg"), 1);
    EXPECT_EQ(CountKnownExtensions("x.jpg.scr"), 2);
    EXPECT_EQ(CountKnownExtensions("x.mp3abc"), 1);
    EXPECT_EQ(CountKnownExtensions("写真.JPG.Exe"), 2);
    EXPECT_EQ(CountKnownExtensions("noext"), 0);
    EXPECT_EQ(CountKnownExtensions("a.exe.exe.exe"), 3);
    EXPECT_EQ(CountKnownExtensions("x.ＥＸＥ"), 0);
}

TEST(KeywordFuzz, RandomTextsNeverCrash) {
    std::mt19937 rng(2047);
    const std::string alphabet = " \"/*?[]!-ab\x81\x40\x82\xA0\x83\x41\xFF";
    const auto randomText = [&](std::size_t maxLen, bool fromAlphabet) {
        std::string bytes(rng() % maxLen, '\0');
        for (char& c : bytes)
            c = fromAlphabet ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng() % 256);
        return Cp932ToUtf8(bytes);
    };
    const std::string allMarkers = kKana + kWidth + kCase + kOr + kExcludeOr;
    for (int i = 0; i < 3000; ++i) {
        const std::string keywords = randomText(64, i % 2 == 0);
        const std::string name = randomText(80, i % 3 == 0);
        const TKeywordLists l = Lists(keywords, i % 4 == 0 ? "" : allMarkers);
        EXPECT_LE(l.sorting.size(), kMaxKeywords);
        for (const std::string& k : l.sorting)
            EXPECT_FALSE(k.empty());
        (void)MatchesCondition(name, l);
        (void)ContainsNgKeyword(name, keywords);
        EXPECT_GE(CountKnownExtensions(name), 0);
    }
}

} // namespace
} // namespace sv
