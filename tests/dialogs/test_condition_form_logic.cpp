// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/condition_form_logic.h"
#include "doubles/scripted_message_box.h"

#include "platform/files.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

using namespace sv;

namespace {

// A condition as the editor writes it: destination, flags, the three blocks, own source.
TSortCondition Stored(std::string dest, std::string keywordText = "mp3//音楽") {
    return {std::move(keywordText), std::move(dest)};
}

CondEditRequest Edit(const TSortCondition& c, bool checked = true) {
    return EditConditionRequest(c, checked, TAppSettings{});
}

// A form that passes every check: keyword, destination, no own source.
TCondForm Valid() {
    TCondForm form = OpenForm(AddConditionRequest(TAppSettings{}));
    form.keywordText = "mp3";
    form.destText = "/data/音楽";
    return form;
}

struct Closing final {
    ScriptedMessageBox box;
    TCloseResult Close(TCondForm form) {
        NormaliseFolderTexts(form);
        return CheckAndCompose(form, box);
    }
    std::string LastText() const { return box.Shown().empty() ? "" : box.Shown().back().text; }
};

} // namespace

TEST(ConditionFormOpen, AddWithoutDefaultShowsTheStatedDefaults) {
    const TCondForm f = OpenForm(AddConditionRequest(TAppSettings{}));
    EXPECT_EQ(f.caption, "追加 - 振り分け条件");
    EXPECT_TRUE(f.checked);
    EXPECT_EQ(f.keywordText, "");
    EXPECT_EQ(f.destText, "");
    EXPECT_EQ(f.sourceText, "");
    EXPECT_FALSE(f.ownSource || f.keywordOr || f.excludeOr || f.copyMode || f.showOther || f.onlyFolders);
    EXPECT_FALSE(f.size1.on);
    EXPECT_EQ(f.size1.text, "10");
    EXPECT_EQ(f.size1.unit, 2);
    EXPECT_EQ(f.size1.relation, 2);
    EXPECT_FALSE(f.timestampFolder);
    EXPECT_EQ(PatternCode(f.pattern), "212121111");
    EXPECT_FALSE(f.dateLimits[0].on);
    EXPECT_EQ(f.dateLimits[1].year, 2009);
    EXPECT_EQ(f.dateLimits[1].relation, 0);
    EXPECT_EQ(f.ageLimits[1].count, "1");
    EXPECT_EQ(f.ageLimits[1].term, 0);
}

TEST(ConditionFormOpen, ReadsEveryFieldOfAStoredCondition) {
    const std::string dest = "\x08\\data\\音楽\\*?|>\"\x07\x01\x02\x04\x10\x11\x18"
                             "\x05"
                             "1 12000"
                             "\x06"
                             "0   x21"
                             "\x13"
                             "1342421111</\\dl\\in";
    const TCondForm f = OpenForm(Edit(Stored(dest), false));
    EXPECT_EQ(f.caption, "編集 - 振り分け条件");
    EXPECT_FALSE(f.checked); // the row's state is carried, not the stored marker
    EXPECT_EQ(f.keywordText, "mp3");
    EXPECT_EQ(f.settingName, "音楽");
    EXPECT_EQ(f.destText, "/data/音楽/");
    EXPECT_EQ(f.sourceText, "/dl/in");
    EXPECT_TRUE(f.ownSource && f.widthFold && f.caseFold && f.keywordOr && f.subFolders && f.extChangeOff &&
                f.historyOff && f.compareOff && f.showOther && f.copyMode && f.kanaFold && f.excludeOr &&
                f.onlyFolders);
    EXPECT_TRUE(f.size1.on);
    EXPECT_EQ(f.size1.text, "120"); // a plain number, no blanks
    EXPECT_EQ(f.size1.unit, 0);
    EXPECT_EQ(f.size1.relation, 0);
    EXPECT_EQ(f.size2.text, "10"); // not a number
    EXPECT_EQ(f.size2.unit, 2);
    EXPECT_EQ(f.size2.relation, 1);
    EXPECT_TRUE(f.timestampFolder);
    EXPECT_EQ(PatternCode(f.pattern), "342421111");
}

TEST(ConditionFormOpen, SourceTextWithoutOwnSourceAndBothFolderFlags) {
    // Both folder markers stored: "folders only" wins, as ticking it unticks the other box.
    const TCondForm f = OpenForm(Edit(Stored("\\d\x03\x18/\\keep")));
    EXPECT_FALSE(f.ownSource);
    EXPECT_EQ(f.sourceText, "/keep");
    EXPECT_TRUE(f.onlyFolders);
    EXPECT_FALSE(f.includeFolders);
}

TEST(ConditionFormOpen, PatternCodesAreRepairedBoxByBox) {
    EXPECT_EQ(PatternCode(PatternIndexes("21212111x")), "212121111");
    EXPECT_EQ(PatternCode(PatternIndexes("2121")), "212121111");
    // A digit a box does not offer selects its first item; the rest are kept.
    EXPECT_EQ(PatternCode(PatternIndexes("952104222")), "112114222");
    const TCondForm f = OpenForm(Edit(Stored("\\d\x13"
                                             "1abc")));
    EXPECT_TRUE(f.timestampFolder);
    EXPECT_EQ(PatternCode(f.pattern), "212121111");
}

TEST(ConditionFormOpen, UnitsOutOfRangeFallBackToTheirDefaults) {
    const TCondForm f = OpenForm(Edit(Stored("\\d\x05"
                                             "1   579")));
    EXPECT_EQ(f.size1.text, "5");
    EXPECT_EQ(f.size1.unit, 2);
    EXPECT_EQ(f.size1.relation, 2);
}

TEST(ConditionFormTimeLimits, StoredRowsAreShownAndWrittenBackAsTheyAre) {
    const std::string blocks = "\x14"
                               "1201103151"
                               "\x17"
                               "11221";
    const TCondForm f = OpenForm(Edit(Stored("\\d\\\x13"
                                             "0212121111" +
                                             blocks)));
    EXPECT_TRUE(f.dateLimits[0].on);
    EXPECT_EQ(f.dateLimits[0].year, 2011);
    EXPECT_EQ(f.dateLimits[0].month, 3);
    EXPECT_EQ(f.dateLimits[0].day, 15);
    EXPECT_EQ(f.dateLimits[0].relation, 1);
    EXPECT_FALSE(f.dateLimits[1].on);
    EXPECT_TRUE(f.ageLimits[1].on);
    EXPECT_EQ(f.ageLimits[1].count, "12");
    EXPECT_EQ(f.ageLimits[1].term, 2);
    EXPECT_EQ(f.ageLimits[1].relation, 1);

    Closing c;
    const auto result = c.Close(f);
    ASSERT_TRUE(result.condition);
    const std::string& dest = result.condition->destText;
    EXPECT_NE(dest.find("\x13"
                        "0212121111" +
                        blocks),
              std::string::npos);
    EXPECT_EQ(DecodeDestFolder(dest), "\\d\\");
    EXPECT_EQ(TimestampBlock(dest), "0212121111");
}

TEST(ConditionFormTimeLimits, OnlyTickedRowsAreStored) {
    TCondForm f = OpenForm(Edit(Stored("\\d\x13"
                                       "0212121111\x14"
                                       "1201103151")));
    f.dateLimits[0].on = false; // unticking removes the limit
    f.dateLimits[1] = {true, 2024, 2, 29, 0};
    f.ageLimits[0] = {true, "7", 1, 1};
    f.ageLimits[1] = {false, "30", 2, 1};
    Closing c;
    const auto result = c.Close(f);
    ASSERT_TRUE(result.condition);
    EXPECT_EQ(result.condition->destText, "\x08\\d\x05"
                                          "0  1022\x06"
                                          "0  1022\x13"
                                          "0212121111\x15"
                                          "1202402290\x16"
                                          "10711");
    // Nothing ticked: not one byte more than a condition that never had limits.
    f.dateLimits[1].on = f.ageLimits[0].on = false;
    const auto plain = c.Close(f);
    ASSERT_TRUE(plain.condition);
    EXPECT_EQ(plain.condition->destText.find_first_of("\x14\x15\x16\x17"), std::string::npos);
}

TEST(ConditionFormTimeLimits, ATickedCountMustBeZeroToNinetyNine) {
    for (const char* bad : {"", "100", "-1", "x"}) {
        TCondForm f = Valid();
        f.ageLimits[1] = {true, bad, 0, 0};
        Closing c;
        const auto result = c.Close(f);
        EXPECT_FALSE(result.condition) << bad;
        EXPECT_EQ(result.focus, CondControl::EditTimeLimit2) << bad;
        EXPECT_EQ(c.LastText(), "「その他の設定」のタイムスタンプの期間は 0～99 の整数を指定してください。");
    }
    // Unticked, a count that does not fit is not stored, so it does not stop OK.
    TCondForm f = Valid();
    f.ageLimits[0] = {false, "100", 0, 0};
    f.ageLimits[1] = {true, "0", 0, 1};
    Closing c;
    const auto result = c.Close(f);
    ASSERT_TRUE(result.condition);
    EXPECT_EQ(DecodeCondition(*result.condition).ageLimits[1],
              (TAgeLimit{true, 0, AgeTerm::Days, TimeSide::AtOrAfter}));
    EXPECT_FALSE(DecodeCondition(*result.condition).ageLimits[0].on);
}

TEST(ConditionFormTimeLimits, DamagedBlocksOpenUntickedAndAreNotWrittenBack) {
    // Cut short by the source part, holding a marker, a date that does not exist.
    const TCondForm f = OpenForm(Edit(Stored("\\d\x15"
                                             "12*\x16"
                                             "1x\x14"
                                             "1200902301</\\s")));
    EXPECT_FALSE(f.dateLimits[0].on);
    EXPECT_FALSE(f.dateLimits[1].on);
    EXPECT_FALSE(f.ageLimits[0].on);
    EXPECT_EQ(f.dateLimits[0].day, 1);
    Closing c;
    TCondForm g = f;
    g.ownSource = false;
    const auto result = c.Close(g);
    ASSERT_TRUE(result.condition);
    EXPECT_EQ(result.condition->destText.find_first_of("\x14\x15\x16\x17"), std::string::npos);
}

TEST(ConditionFormTimeLimits, TheListFollowsWhatOkWouldStore) {
    TCondForm f = Valid();
    f.ageLimits[0] = {true, "3", 0, 1};
    TSortCondition composed;
    ASSERT_TRUE(ComposeForm(f, composed).ok());
    Closing c;
    const auto closed = c.Close(f);
    ASSERT_TRUE(closed.condition);
    EXPECT_EQ(composed.destText, closed.condition->destText);
    // What OK refuses the list says instead of listing; no box is shown.
    f.ageLimits[0].count = "123";
    EXPECT_EQ(ComposeForm(f, composed).error(),
              "「その他の設定」のタイムスタンプの期間は 0～99 の整数を指定してください。");
    f = Valid();
    f.destText = "/data/a?b";
    EXPECT_FALSE(ComposeForm(f, composed).ok());
    // A destination not typed yet does not stop the list.
    f = Valid();
    f.destText.clear();
    ASSERT_TRUE(ComposeForm(f, composed).ok());
    EXPECT_FALSE(DecodeDestFolder(composed.destText).empty());
    EXPECT_FALSE(FolderExists(DecodeDestFolder(composed.destText)));
}

TEST(ConditionFormCompose, WritesTheEditorsOrderAndReadsBack) {
    TCondForm f = Valid();
    f.checked = true;
    f.settingName = "音楽";
    f.keywordText = " mp3 ogg ";
    f.destText = "　/data/音楽///  ";
    f.widthFold = f.keywordOr = f.copyMode = f.onlyFolders = true;
    f.size1 = {true, "0012", 1, 0};
    f.size2 = {false, "", 2, 2};
    f.sourceText = "/dl";
    Closing c;
    const auto r = c.Close(f);
    ASSERT_TRUE(r.condition) << c.LastText();
    EXPECT_EQ(r.condition->keywordText, "mp3 ogg //音楽");
    // The size is stored as typed, right-aligned: "0012" stays "0012".
    EXPECT_EQ(r.condition->destText, "\x08\\data\\音楽\\*|\x04\x18"
                                     "\x05"
                                     "1001210"
                                     "\x06"
                                     "0    22"
                                     "\x13"
                                     "0212121111/\\dl");
    // The empty size reopens as the default number.
    const TCondForm again = OpenForm(Edit(*r.condition));
    EXPECT_EQ(again.size2.text, "10");
    EXPECT_EQ(again.size1.text, "12");
    EXPECT_EQ(again.sourceText, "/dl");
    EXPECT_FALSE(again.ownSource);
}

TEST(ConditionFormCompose, KeywordEndingInSlashKeepsItsName) {
    TCondForm f = Valid();
    f.keywordText = "mp3 /";
    f.settingName = "/名前";
    Closing c;
    const auto r = c.Close(f);
    ASSERT_TRUE(r.condition);
    EXPECT_EQ(Keywords(r.condition->keywordText), "mp3 / ");
    EXPECT_EQ(SettingName(r.condition->keywordText), "/名前");
}

TEST(ConditionFormNormalise, FolderTextsInNativeForm) {
    TCondForm f;
    f.destText = "  /data/x///  ";
    f.sourceText = "/data/y/";
    NormaliseFolderTexts(f);
    EXPECT_EQ(f.destText, "/data/x/");
    EXPECT_EQ(f.sourceText, "/data/y/");
    f.destText = "/";
    NormaliseFolderTexts(f);
    EXPECT_EQ(f.destText, "/");
}

TEST(ConditionFormChecks, SizesComeFirstThenMissingInputWithItsFocus) {
    Closing c;
    TCondForm f = OpenForm(AddConditionRequest(TAppSettings{}));
    f.size1 = {true, "12a", 2, 2};
    f.size2 = {true, "-1", 2, 2};
    EXPECT_EQ(c.Close(f).focus, CondControl::EditSize1);
    EXPECT_EQ(c.LastText(), "「その他の設定」のファイルサイズは 0～9999 の整数を指定してください。");
    f.size1.text = "9999";
    EXPECT_EQ(c.Close(f).focus, CondControl::EditSize2);
    f.size2.on = false;
    EXPECT_EQ(c.Close(f).focus, CondControl::EditKeyword);
    EXPECT_EQ(c.LastText(), "入力が不足しています。");
    EXPECT_EQ(c.box.Shown().back().title, "Sorvanta - 振り分け条件編集エラー");
    EXPECT_EQ(c.box.Shown().back().icon, MbIcon::Warning);
    f.keywordText = "a";
    EXPECT_EQ(c.Close(f).focus, CondControl::EditDest);
    f.destText = "　 ";
    EXPECT_EQ(c.Close(f).focus, CondControl::EditDest); // nothing left once cleaned
    f.destText = "/d";
    f.ownSource = true;
    EXPECT_EQ(c.Close(f).focus, CondControl::EdSource);
    EXPECT_EQ(c.box.Shown().size(), 6u);
}

TEST(ConditionFormChecks, ExclusionOnlyKeywordsAsk) {
    Closing c;
    TCondForm f = Valid();
    f.keywordText = "/mp3 \"/a b\"";
    c.box.QueueAnswer(MbAnswer::No);
    const auto no = c.Close(f);
    EXPECT_FALSE(no.condition);
    EXPECT_EQ(no.focus, CondControl::EditKeyword);
    EXPECT_EQ(c.box.Shown().back().title, "Sorvanta - 修正した方がいいかも･･･");
    EXPECT_EQ(c.box.Shown().back().defaultButton, MbAnswer::No);
    c.box.QueueAnswer(MbAnswer::Yes);
    EXPECT_TRUE(c.Close(f).condition);
    // Blanks only are not "missing" but sort nothing either.
    f.keywordText = "   ";
    c.box.QueueAnswer(MbAnswer::Yes);
    const auto blanks = c.Close(f);
    ASSERT_TRUE(blanks.condition);
    EXPECT_EQ(blanks.condition->keywordText, "");
    // A full-width slash counts as one when widths are folded.
    f.keywordText = "／mp3";
    EXPECT_TRUE(c.Close(f).condition);
    f.widthFold = true;
    c.box.QueueAnswer(MbAnswer::No);
    EXPECT_FALSE(c.Close(f).condition);
    EXPECT_TRUE(c.box.AllAnswersUsed());
    EXPECT_EQ(c.box.Unanswered(), 0);
}

TEST(ConditionFormChecks, KeywordWithDoubleSlashIsRefusedBeforeTheQuestion) {
    Closing c;
    TCondForm f = Valid();
    f.keywordText = "/a//b";
    const auto r = c.Close(f);
    EXPECT_FALSE(r.condition);
    EXPECT_EQ(r.focus, CondControl::EditKeyword);
    ASSERT_EQ(c.box.Shown().size(), 1u);
    EXPECT_NE(c.LastText().find("「//」"), std::string::npos);
}

TEST(ConditionFormChecks, FolderCharactersSourceBeforeDestination) {
    Closing c;
    TCondForm f = Valid();
    f.destText = "/d|x";
    f.sourceText = "/s*";
    EXPECT_EQ(c.Close(f).focus, CondControl::EdSource); // stored even with the main window's folder
    EXPECT_EQ(c.LastText(), "フォルダの指定に / : * ? \" < > | は使用できません。");
    f.sourceText = "/s";
    EXPECT_EQ(c.Close(f).focus, CondControl::EditDest);
    f.destText = "C:/x"; // the colon is not tested
    f.sourceText.clear();
    EXPECT_TRUE(c.Close(f).condition);
    f.destText = "/a\\b"; // would become a separator once stored
    EXPECT_EQ(c.Close(f).focus, CondControl::EditDest);
    EXPECT_NE(c.LastText().find("バックスラッシュ"), std::string::npos);
    f.destText = "/a\tb";
    EXPECT_EQ(c.Close(f).focus, CondControl::EditDest);
}

TEST(ConditionFormChecks, ControlCharactersAreRefusedInEveryText) {
    // Pasted, they would be stored as markers or blocks and shift the conditions file's lines.
    Closing c;
    TCondForm f = Valid();
    f.keywordText = "mp3\x05";
    EXPECT_EQ(c.Close(f).focus, CondControl::EditKeyword);
    EXPECT_EQ(c.LastText(), "キーワードに制御文字は使用できません。");
    f.keywordText = "mp3";
    f.settingName = "a\x13";
    EXPECT_EQ(c.Close(f).focus, CondControl::EditComment);
    EXPECT_EQ(c.LastText(), "設定名に制御文字は使用できません。");
    f.settingName = "名前";
    f.destText = "/d/a\x7F";
    EXPECT_EQ(c.Close(f).focus, CondControl::EditDest);
    EXPECT_EQ(c.LastText(), "フォルダの指定に制御文字は使用できません。");
    // The default registration refuses them too.
    f.destText = "/d";
    f.settingName = "a\tb";
    c.box.QueueAnswer(MbAnswer::Yes);
    EXPECT_FALSE(BuildDefaultCondition(f, c.box));
    EXPECT_EQ(c.LastText(), "設定名に制御文字は使用できません。");
    f.settingName = "名前";
    EXPECT_TRUE(c.Close(f).condition);
}

TEST(ConditionFormChecks, TextsCodePage932CannotHoldAreRefused) {
    Closing c;
    TCondForm f = Valid();
    f.settingName = "café";
    auto r = c.Close(f);
    EXPECT_EQ(r.focus, CondControl::EditComment);
    EXPECT_EQ(c.LastText(), "「é」は保存できない文字（シフトJISにない文字）のため、設定名に使用できません。");
    f.settingName = "①髙";
    f.destText = "/d/😀";
    EXPECT_EQ(c.Close(f).focus, CondControl::EditDest);
}

TEST(ConditionFormChecks, MissingSourceFolderAsks) {
    sv::testing::TempFolder dir;
    Closing c;
    TCondForm f = Valid();
    f.ownSource = true;
    f.sourceText = dir.Native() + "/gone";
    c.box.QueueAnswer(MbAnswer::No);
    const auto no = c.Close(f);
    EXPECT_FALSE(no.condition);
    EXPECT_EQ(no.focus, CondControl::EdSource);
    EXPECT_EQ(c.LastText(),
              "振り分け元フォルダ [ " + f.sourceText +
                  " ] が存在しないため、このまま振り分け条件を保存しても振り分け処理は実行されません。"
                  "よろしいですか？");
    c.box.QueueAnswer(MbAnswer::Yes);
    const auto yes = c.Close(f);
    ASSERT_TRUE(yes.condition);
    EXPECT_EQ(SourceFolder(yes.condition->destText), FromNativePath(f.sourceText));
    f.sourceText = dir.Native();
    EXPECT_TRUE(c.Close(f).condition);
    EXPECT_EQ(c.box.Shown().size(), 2u);
}

TEST(ConditionFormDefault, AsksThenPacksTheControlsAsTyped) {
    ScriptedMessageBox box;
    TCondForm f = OpenForm(AddConditionRequest(TAppSettings{}));
    f.keywordText = " jpg ";
    f.settingName = "画像";
    f.copyMode = true;
    box.QueueAnswer(MbAnswer::No);
    EXPECT_FALSE(BuildDefaultCondition(f, box));
    EXPECT_EQ(box.Shown().back().title, "確認 - デフォルト登録");
    EXPECT_EQ(box.Shown().back().defaultButton, MbAnswer::Yes);
    box.QueueAnswer(MbAnswer::Yes);
    const auto def = BuildDefaultCondition(f, box); // empty destination is allowed here
    ASSERT_TRUE(def);
    EXPECT_EQ(def->keyword, "jpg");
    EXPECT_EQ(def->comment, "画像");
    EXPECT_EQ(def->destText, "\x08\x04\x05"
                             "0  1022"
                             "\x06"
                             "0  1022"
                             "\x13"
                             "0212121111");
    TAppSettings settings;
    ApplyDefault(*def, settings);
    const TCondForm next = OpenForm(AddConditionRequest(settings));
    EXPECT_EQ(next.keywordText, "jpg");
    EXPECT_EQ(next.settingName, "画像");
    EXPECT_TRUE(next.copyMode);
    EXPECT_EQ(next.destText, "");

    f.keywordText = "a//b";
    box.QueueAnswer(MbAnswer::Yes);
    EXPECT_FALSE(BuildDefaultCondition(f, box));
    EXPECT_TRUE(box.AllAnswersUsed());
}

TEST(ConditionFormPattern, PreviewOfTheSampleTime) {
    const auto def = BuildPatternPreview(PatternIndexes("212121111"));
    EXPECT_EQ(def.path, "（振り分け先フォルダ）\\090123\\");
    EXPECT_EQ(def.code, "212121111");
    const auto nested = BuildPatternPreview({2, 3, 1, 3, 1, 0, 0, 0, 0});
    EXPECT_EQ(nested.path, "（振り分け先フォルダ）\\2009\\01\\23\\");
    EXPECT_EQ(nested.code, "342421111");
    // Separators follow even an empty component; a "\" never doubles.
    const auto seps = BuildPatternPreview({0, 3, 0, 1, 0, 2, 1, 3, 1});
    EXPECT_EQ(seps.path, "（振り分け先フォルダ）\\-_04\\56\\");
    EXPECT_EQ(seps.code, "141213242");
    EXPECT_EQ(BuildPatternPreview({-1, -1, -1, -1, -1, -1, -1, -1, -1}).code, "111111111");
}

TEST(ConditionFormLimits, EditsGrowOnlyUpToTheByteLimit) {
    const std::string full(1022, 'a');
    EXPECT_TRUE(AcceptsEdit(full, full + "あ", kKeywordMaxBytes));
    EXPECT_FALSE(AcceptsEdit(full, full + "あa", kKeywordMaxBytes));
    // A longer stored text may still be edited as long as it does not grow.
    const std::string over(300, 'x');
    EXPECT_TRUE(AcceptsEdit(over, over.substr(1), kSettingNameMaxBytes));
    EXPECT_FALSE(AcceptsEdit(over, over + "y", kSettingNameMaxBytes));
    EXPECT_EQ(LimitEdit(over, over + "y", kSettingNameMaxBytes).text, over);
}

TEST(ConditionFormLimits, APasteKeepsWhatFitsInWholeCharacters) {
    // 253 bytes, then "あいう" pasted between "ab" and the rest: only "あ" still fits.
    const std::string before = "ab" + std::string(251, 'c');
    const std::string after = "abあいう" + std::string(251, 'c');
    const TLimitedEdit kept = LimitEdit(before, after, kSettingNameMaxBytes);
    EXPECT_EQ(kept.text, "abあ" + std::string(251, 'c'));
    EXPECT_EQ(kept.cursor, std::string("abあ").size());
    // Replacing a selection counts only what is left of the old text.
    const std::string full(256, 'z');
    const std::string replaced = "い" + std::string(255, 'z');
    EXPECT_EQ(LimitEdit(full, replaced, kSettingNameMaxBytes).text, std::string(255, 'z'));
    // Texts sharing the first byte of a character are not split inside it.
    EXPECT_EQ(LimitEdit("あ", "あい", 4).text, "あい");
    EXPECT_EQ(LimitEdit("ああ", "あいあ", 4).text, "ああ");
}
