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
    EXPECT_EQ(f.size1.unit, 2);
    EXPECT_EQ(f.size1.relation, 1);
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
    f.size1 = {true, "5", 2, 1};
    f.size2 = {false, "10", 2, 2};
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
    g.size1 = {true, "10000", 2, 2};
    EXPECT_TRUE(refused(g));
    g = f;
    g.size2 = {true,
               "1\x05"
               "2",
               2, 2};
    EXPECT_TRUE(refused(g));
    g = f;
    g.patternCode = "21212111x";
    EXPECT_TRUE(refused(g));
    EXPECT_EQ(c, (TSortCondition{"old", "old"})) << "a refused composition leaves the output alone";

    // A size that does not fit is harmless while its limit is off: it is stored as blanks.
    g = f;
    g.size1 = {false, "12345\x06", 1, 0};
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

} // namespace
} // namespace sv
