// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/option_form_logic.h"
#include "doubles/scripted_message_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sv {
namespace {

bool Never(const std::string&) {
    return false;
}

TEST(OptionChecks, NumbersOutOfRangeAreRefusedWhateverTheirSwitch) {
    for (const char* interval : {"10000", "0", "", "-1", "1x"}) {
        TOptionForm form = OptionFormFrom(TAppSettings{});
        form.cycleExecTime = interval;
        ScriptedMessageBox box;
        const auto refusal = CheckOptions(form, box, Never);
        ASSERT_TRUE(refusal) << interval;
        EXPECT_EQ(refusal->page, 4);
        EXPECT_EQ(refusal->focus, "");
    }
    TOptionForm form = OptionFormFrom(TAppSettings{});
    form.histMax = "100";
    form.histDel = true;
    ScriptedMessageBox box;
    const auto refusal = CheckOptions(form, box, Never);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->page, 5);
    EXPECT_EQ(refusal->focus, "EditHistMax");
    // The interval is checked first: with both wrong only its message comes.
    form.cycleExecTime = "0";
    ScriptedMessageBox one;
    (void)CheckOptions(form, one, Never);
    EXPECT_EQ(one.Shown().size(), 1u);
}

// Each message and question comes after the user was taken to its setting, also a question the
// user then answers Yes to.
TEST(OptionChecks, TheSettingIsShownBeforeItsMessage) {
    class Journal final : public MessageBox {
    public:
        explicit Journal(std::vector<std::string>& events) : m_events(events) {}
        MbAnswer Show(const MessageBoxRequest& request) override {
            m_events.push_back("box " + request.title);
            return MbAnswer::Yes;
        }

    private:
        std::vector<std::string>& m_events;
    };
    std::vector<std::string> events;
    Journal box(events);
    const auto place = [&](const TOptionRefusal& where) {
        events.push_back("at " + std::to_string(where.page) + " " + where.focus);
    };
    TOptionForm form = OptionFormFrom(TAppSettings{});
    form.ny = true;
    form.nyFolder = "/nonexistent/winny";
    form.filer = true;
    form.filerProg = "/nonexistent/filer";
    EXPECT_FALSE(CheckOptions(form, box, Never, place));
    form.ngKeyword = "caf\u00e9";
    const auto refusal = CheckOptions(form, box, Never, place);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->page, 2);
    EXPECT_EQ(events, (std::vector<std::string>{
                          "at 5 EdWinnyFolder", "box Sorvanta - 設定内容確認", "at 5 EdFiler",
                          "box Sorvanta - 設定内容確認", "at 5 EdWinnyFolder", "box Sorvanta - 設定内容確認",
                          "at 5 EdFiler", "box Sorvanta - 設定内容確認", "at 2 EditNG", "box Sorvanta"}));
}

TEST(OptionChecks, StoringGivesTheSettingsTheirValues) {
    TOptionForm form = OptionFormFrom(TAppSettings{});
    form.cycleExec = true;
    form.cycleExecTime = "25";
    form.histMax = "07";
    form.rules = {{"avi", "mpg"}, {"", "x"}, {"a", "b"}};
    TAppSettings settings;
    StoreOptions(form, settings);
    EXPECT_TRUE(settings.CycleExec);
    EXPECT_EQ(settings.CycleExecTime, 25);
    EXPECT_EQ(settings.HistMax, 7);
    // The rules go over up to the first one with an empty text.
    ASSERT_EQ(settings.ExtRules.size(), 1u);
    EXPECT_EQ(settings.ExtRules[0].ExtAfter, "mpg");
}

TEST(ExtRules, InsertAtTheSelectionOrTheTopUpToTwenty) {
    std::vector<TExtRule> rules;
    EXPECT_EQ(InsertExtRule(rules, std::nullopt, {"a", "1"}), 0u);
    EXPECT_EQ(InsertExtRule(rules, std::nullopt, {"b", "2"}), 0u);
    EXPECT_EQ(InsertExtRule(rules, 1, {"c", "3"}), 1u);
    EXPECT_EQ(rules[0].ExtBefore, "b");
    EXPECT_EQ(rules[1].ExtBefore, "c");
    EXPECT_EQ(rules[2].ExtBefore, "a");
    while (rules.size() < 20)
        (void)InsertExtRule(rules, std::nullopt, {"x", "y"});
    EXPECT_FALSE(InsertExtRule(rules, std::nullopt, {"z", "z"}));
    EXPECT_EQ(rules.size(), 20u);
}

TEST(ExtRules, TheDialogsCheckTrimsStripsAndRefuses) {
    const TExtRuleCheck ok = CheckExtRule("  ..avi ", "．mpg");
    ASSERT_TRUE(ok.rule);
    EXPECT_EQ(ok.rule->ExtBefore, "avi");
    EXPECT_EQ(ok.rule->ExtAfter, "．mpg");
    EXPECT_EQ(CheckExtRule("", "mpg").focus, ExtRuleField::Before);
    EXPECT_EQ(CheckExtRule("avi", "  ").focus, ExtRuleField::After);
    EXPECT_EQ(CheckExtRule("avi", "..").message, "設定が不足しています。");
    EXPECT_EQ(CheckExtRule("avi", "m|g").focus, ExtRuleField::After);
    EXPECT_EQ(CheckExtRule("a\\b", "m|g").focus, ExtRuleField::Before);
    EXPECT_FALSE(CheckExtRule("\u00e9", "x").rule);
}

} // namespace
} // namespace sv
