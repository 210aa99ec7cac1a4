// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/condition.h"

#include <gtest/gtest.h>

namespace sv {
namespace {

// A coded destination text as the editor writes it: ticked, "D:\anime", width fold, OR, copy,
// size block 1 on (5 MB or less), size block 2 off, time-stamp folder on with pattern 342421111,
// own source folder "D:\dl".
const std::string kCoded = "\x08"
                           "D:\\anime*|\x04"
                           "\x05"
                           "1   521"
                           "\x06"
                           "0  1022"
                           "\x13"
                           "1342421111"
                           "</D:\\dl";

TEST(ConditionDecode, SplitsKeywordTextAtTheFirstDoubleSlash) {
    EXPECT_EQ(Keywords("abc def"), "abc def");
    EXPECT_EQ(SettingName("abc def"), "");
    EXPECT_EQ(Keywords("abc//"), "abc");
    EXPECT_EQ(SettingName("abc//"), "");
    EXPECT_EQ(Keywords("a//b//c"), "a");
    EXPECT_EQ(SettingName("a//b//c"), "b//c");
}

TEST(ConditionDecode, ReadsEveryFieldOfACodedText) {
    const TConditionFields f = DecodeCondition({"アニメ 第01話//週刊", kCoded});
    EXPECT_TRUE(f.checked);
    EXPECT_EQ(f.settingName, "週刊");
    EXPECT_EQ(f.keywords, "アニメ 第01話");
    EXPECT_EQ(f.destFolder, "D:\\anime");
    EXPECT_TRUE(f.ownSource);
    EXPECT_EQ(f.sourceFolder, "D:\\dl");
    EXPECT_TRUE(f.widthFold);
    EXPECT_TRUE(f.keywordOr);
    EXPECT_TRUE(f.copyMode);
    EXPECT_FALSE(f.caseFold);
    EXPECT_FALSE(f.subFolders);
    EXPECT_FALSE(f.excludeOr);
    EXPECT_TRUE(f.size1.on);
    EXPECT_EQ(f.size1.sizeText, "   5");
    EXPECT_EQ(f.size1.unit, SizeUnit::MegaBytes);
    EXPECT_EQ(f.size1.relation, SizeRelation::AtMost);
    EXPECT_FALSE(f.size2.on);
    EXPECT_EQ(SizeValue(SizeBlock(kCoded, mark::SizeBlock2)), 10);
    EXPECT_TRUE(f.timestampFolder);
    EXPECT_EQ(f.patternCode, "342421111");
}

TEST(ConditionDecode, MissingBlocksReadAsTheirDefaults) {
    const std::string bare = "D:\\x";
    EXPECT_EQ(SizeBlock(bare, mark::SizeBlock1), "0001022");
    EXPECT_EQ(SizeValue(SizeBlock(bare, mark::SizeBlock1)), 10);
    EXPECT_EQ(TimestampBlock(bare), "0212121111");
    EXPECT_EQ(TimeLimitBlock(bare, mark::TimeLimit1), "020090101");
    EXPECT_EQ(TimeLimitBlock(bare, mark::TimeLimit4), "00100");
    EXPECT_EQ(TimeLimitBlock("D:\\x\x16"
                             "10203\x13"
                             "0212121111",
                             mark::TimeLimit3),
              "10203");
    // A block cut short by the end of the text keeps its missing positions at the defaults.
    EXPECT_EQ(SizeBlock("D:\\x\x05"
                        "1  5",
                        mark::SizeBlock1),
              "1  5022");
    EXPECT_FALSE(SizeValue("0    22").has_value());
    EXPECT_FALSE(SizeValue("0 x1022").has_value());
}

TEST(ConditionDecode, CheckMarkCountsOnlyAsFirstCharacter) {
    EXPECT_TRUE(IsChecked("\x08"
                          "D:\\a"));
    EXPECT_FALSE(IsChecked("D:\\a\x08"));
    EXPECT_EQ(SetChecked("D:\\a", true), "\x08"
                                         "D:\\a");
    EXPECT_EQ(SetChecked("\x08"
                         "D:\\a",
                         true),
              "\x08"
              "D:\\a");
    EXPECT_EQ(SetChecked("\x08"
                         "D:\\a",
                         false),
              "D:\\a");
    EXPECT_EQ(SetChecked("D:\\a\x08", false), "D:\\a\x08");
}

TEST(ConditionDecode, DestinationFolderDropsMarkersBlocksSpacesAndSourcePart) {
    EXPECT_EQ(DecodeDestFolder(kCoded), "D:\\anime");
    // Leading ideographic spaces go, and so do reserved time-limit blocks of older files.
    EXPECT_EQ(DecodeDestFolder("\x08 \u3000\u3000 E:\\録画 \x14"
                               "0020090101\x16"
                               "00100\x18\x11\x10"),
              "E:\\録画");
    EXPECT_EQ(DecodeDestFolder("\\home\\u\\x/\\home\\u\\dl"), "\\home\\u\\x");
    EXPECT_EQ(SourceFolder("\\home\\u\\x</\\home\\u\\dl"), "\\home\\u\\dl");
    EXPECT_EQ(SourceFolder("\\home\\u\\x"), "");
}

TEST(FolderPath, NormalisingShrinksTrailingBackslashesButKeepsRoots) {
    EXPECT_EQ(NormaliseFolderPath("  D:\\a\\\\\\ "), "D:\\a\\");
    EXPECT_EQ(NormaliseFolderPath("C:\\"), "C:\\");
    EXPECT_EQ(NormaliseFolderPath("C:\\\\"), "C:\\");
    EXPECT_EQ(NormaliseFolderPath("\\\\"), "\\");
    EXPECT_EQ(NormaliseFolderPath("\\home\\u"), "\\home\\u");
    EXPECT_EQ(NormaliseFolderPath(""), "");
}

TEST(ConditionCompose, PacksInTheEditorsOrderAndDecodesBack) {
    TConditionFields f;
    f.checked = true;
    f.settingName = "週刊";
    f.keywords = "アニメ 第01話";
    f.destFolder = "D:\\anime";
    f.widthFold = true;
    f.keywordOr = true;
    f.copyMode = true;
    f.size1 = {true, "5", SizeUnit::MegaBytes, SizeRelation::AtMost};
    f.size2 = {false, "10", SizeUnit::MegaBytes, SizeRelation::AtLeast};
    f.timestampFolder = true;
    f.patternCode = "342421111";
    f.ownSource = true;
    f.sourceFolder = "D:\\dl";
    TSortCondition c;
    ASSERT_TRUE(ComposeCondition(f, c).ok());
    EXPECT_EQ(c.keywordText, "アニメ 第01話//週刊");
    EXPECT_EQ(c.destText, kCoded);

    // Every flag on: each marker appears once and decodes back.
    TConditionFields all = f;
    all.caseFold = all.kanaFold = all.subFolders = all.excludeOr = all.compareOff = all.historyOff = true;
    all.extChangeOff = all.showOther = all.includeFolders = all.onlyFolders = true;
    ASSERT_TRUE(ComposeCondition(all, c).ok());
    TConditionFields back = DecodeCondition(c);
    all.size1.sizeText = "   5";
    all.size2.sizeText = "  10";
    EXPECT_EQ(back, all);
    EXPECT_EQ(DecodeDestFolder(c.destText), "D:\\anime");
}

TEST(ConditionCompose, SourceFolderWithoutOwnSourceIsStillKept) {
    TConditionFields f;
    f.keywords = "x";
    f.destFolder = "\\srv\\a";
    f.sourceFolder = "\\srv\\dl";
    TSortCondition c;
    ASSERT_TRUE(ComposeCondition(f, c).ok());
    EXPECT_FALSE(HasMarker(c.destText, mark::OwnSource));
    EXPECT_EQ(SourceFolder(c.destText), "\\srv\\dl");
    EXPECT_EQ(c.keywordText, "x");
}

TEST(ConditionCompose, RefusesTextsThatWouldNotReadBackAsWritten) {
    TConditionFields f;
    f.keywords = "x";
    f.destFolder = "D:\\a";
    TSortCondition c{"old", "old"};
    const auto refused = [&](TConditionFields g) { return !ComposeCondition(g, c).ok(); };

    TConditionFields g = f;
    g.destFolder = "D:\\a*b";
    EXPECT_TRUE(refused(g));
    g = f;
    g.destFolder = "D:\\a\x07";
    EXPECT_TRUE(refused(g));
    g = f;
    g.sourceFolder = "D:\\a/b";
    EXPECT_TRUE(refused(g));
    g = f;
    g.keywords = "abc//def";
    EXPECT_TRUE(refused(g));
    g = f;
    g.settingName = "a\r\nb";
    EXPECT_TRUE(refused(g));
    g = f;
    g.size1 = {true, "10000", SizeUnit::MegaBytes, SizeRelation::AtLeast};
    EXPECT_TRUE(refused(g));
    g = f;
    g.size2 = {true,
               "1\x05"
               "2",
               SizeUnit::MegaBytes, SizeRelation::AtLeast};
    EXPECT_TRUE(refused(g));
    g = f;
    g.patternCode = "21212111x";
    EXPECT_TRUE(refused(g));
    EXPECT_EQ(c, (TSortCondition{"old", "old"})) << "a refused composition leaves the output alone";

    // A size that does not fit is harmless while its limit is off: it is stored as blanks.
    g = f;
    g.size1 = {false, "12345\x06", SizeUnit::KiloBytes, SizeRelation::Exactly};
    ASSERT_TRUE(ComposeCondition(g, c).ok());
    EXPECT_EQ(SizeBlock(c.destText, mark::SizeBlock1), "0    10");
    EXPECT_EQ(SizeBlock(c.destText, mark::SizeBlock2), "0  1022");
}

TEST(ConditionCompose, TrimsTheStoredKeywordText) {
    TConditionFields f;
    f.keywords = "  abc  ";
    f.destFolder = "D:\\a";
    TSortCondition c;
    ASSERT_TRUE(ComposeCondition(f, c).ok());
    EXPECT_EQ(c.keywordText, "abc");
    f.settingName = "名前 ";
    ASSERT_TRUE(ComposeCondition(f, c).ok());
    EXPECT_EQ(c.keywordText, "abc  //名前");
}

// The four time-limit rows: stored in blocks 20 to 23 behind the time-stamp block, and only when
// ticked.
TConditionFields WithLimits() {
    TConditionFields f;
    f.keywords = "mp3";
    f.destFolder = "D:\\music";
    f.ownSource = true;
    f.sourceFolder = "D:\\dl";
    f.dateLimits[0] = {true, 2011, 3, 15, TimeSide::AtOrAfter};
    f.dateLimits[1] = {false, 2020, 2, 29, TimeSide::AtOrAfter};
    f.ageLimits[0] = {true, 5, AgeTerm::Weeks, TimeSide::AtOrBefore};
    f.ageLimits[1] = {true, 99, AgeTerm::Months, TimeSide::AtOrAfter};
    return f;
}

TEST(ConditionTimeLimits, TickedRowsAreStoredInTheirBlocksAndReadBack) {
    TSortCondition c;
    ASSERT_TRUE(ComposeCondition(WithLimits(), c).ok());
    EXPECT_EQ(c.destText, "D:\\music\x05"
                          "0  1022\x06"
                          "0  1022\x13"
                          "0212121111"
                          "\x14"
                          "1201103151"
                          "\x16"
                          "10510"
                          "\x17"
                          "19921"
                          "</D:\\dl");
    TConditionFields back = DecodeCondition(c);
    // An unticked row is not stored: it reads back as its default.
    TConditionFields expected = WithLimits();
    expected.dateLimits[1] = {};
    back.size1.sizeText = back.size2.sizeText = expected.size1.sizeText;
    EXPECT_EQ(back, expected);
    EXPECT_EQ(DecodeDestFolder(c.destText), "D:\\music");
    EXPECT_EQ(SourceFolder(c.destText), "D:\\dl");
    // Packing what was read gives the same bytes again.
    TSortCondition again;
    ASSERT_TRUE(ComposeCondition(DecodeCondition(c), again).ok());
    EXPECT_EQ(again, c);
}

TEST(ConditionTimeLimits, AConditionWithoutTickedRowsKeepsItsBytes) {
    // As older files and other installations hold it: no time-limit block at all.
    const TSortCondition old{"mp3//音楽", "\x08"
                                          "D:\\music?\x05"
                                          "1  1022\x06"
                                          "0  1022\x13"
                                          "0212121111</D:\\dl"};
    TConditionFields f = DecodeCondition(old);
    for (const TDateLimit& row : f.dateLimits)
        EXPECT_EQ(row, TDateLimit{});
    for (const TAgeLimit& row : f.ageLimits)
        EXPECT_EQ(row, TAgeLimit{});
    // Rows set but unticked change nothing.
    f.dateLimits[0] = {false, 2015, 7, 7, TimeSide::AtOrAfter};
    f.ageLimits[1] = {false, 42, AgeTerm::Months, TimeSide::AtOrAfter};
    TSortCondition again;
    ASSERT_TRUE(ComposeCondition(f, again).ok());
    EXPECT_EQ(again, old);
}

TEST(ConditionTimeLimits, BlocksThatDoNotReadAsARowAreUnticked) {
    const auto date = [](std::string_view block) {
        return DecodeDateLimit("D:\\x\x14" + std::string(block), mark::TimeLimit1);
    };
    const auto age = [](std::string_view block) {
        return DecodeAgeLimit("D:\\x\x16" + std::string(block), mark::TimeLimit3);
    };
    // An unticked block keeps what it holds for the page to show.
    EXPECT_EQ(date("0201103151"), (TDateLimit{false, 2011, 3, 15, TimeSide::AtOrAfter}));
    EXPECT_EQ(date("1202402291"), (TDateLimit{true, 2024, 2, 29, TimeSide::AtOrAfter}));
    for (const char* bad :
         {"1202302291", "1201113011", "1201101321", "1201103152", "120110315x", "12011 3151", "2201103151"})
        EXPECT_EQ(date(bad), TDateLimit{}) << bad;
    // A block cut short by the source part holds a marker, not a row.
    EXPECT_EQ(DecodeDateLimit("D:\\x\x15"
                              "1201<\x16"
                              "1/D:\\y",
                              mark::TimeLimit2),
              TDateLimit{});
    EXPECT_EQ(age("10021"), (TAgeLimit{true, 0, AgeTerm::Months, TimeSide::AtOrAfter}));
    for (const char* bad : {"1 5 1", "10531", "10502", "1a100", "3050"})
        EXPECT_EQ(age(bad), TAgeLimit{}) << bad;
    // The destination folder never shows a block, whatever it holds.
    EXPECT_EQ(DecodeDestFolder("D:\\x\x14"
                               "1202302291\x17"
                               "1a100"),
              "D:\\x");
}

TEST(ConditionTimeLimits, RowsThatDoNotFitTheirBlocksAreRefused) {
    TSortCondition c;
    TConditionFields f = WithLimits();
    f.ageLimits[1].count = 100;
    EXPECT_FALSE(ComposeCondition(f, c).ok());
    f = WithLimits();
    f.dateLimits[0] = {true, 2023, 2, 29, TimeSide::AtOrBefore};
    EXPECT_FALSE(ComposeCondition(f, c).ok());
    f = WithLimits();
    f.dateLimits[0] = {true, 10000, 1, 1, TimeSide::AtOrBefore};
    EXPECT_FALSE(ComposeCondition(f, c).ok());
    f = WithLimits();
    f.ageLimits[0].term = static_cast<AgeTerm>(3);
    EXPECT_FALSE(ComposeCondition(f, c).ok());
    // Unticked, the same rows are not stored and so not checked.
    f.ageLimits[0].on = false;
    EXPECT_TRUE(ComposeCondition(f, c).ok());
}

TEST(ConditionTimeLimits, CarryingReplacesTheBlocksBehindTheTimestampBlock) {
    TSortCondition from;
    ASSERT_TRUE(ComposeCondition(WithLimits(), from).ok());
    const std::string plain = "D:\\a\x05"
                              "0  1022\x06"
                              "0  1022\x13"
                              "1212121111</D:\\dl";
    const std::string carried = CarryTimeLimits(plain, from.destText);
    EXPECT_EQ(carried, "D:\\a\x05"
                       "0  1022\x06"
                       "0  1022\x13"
                       "1212121111\x14"
                       "1201103151\x16"
                       "10510\x17"
                       "19921</D:\\dl");
    // From a condition without limits: the old blocks go.
    EXPECT_EQ(CarryTimeLimits(carried, plain), plain);
    // Without a time-stamp block they go in front of the source part.
    EXPECT_EQ(CarryTimeLimits("D:\\a</D:\\dl", "D:\\b\x16"
                                               "10100"),
              "D:\\a\x16"
              "10100</D:\\dl");
}

} // namespace
} // namespace sv
