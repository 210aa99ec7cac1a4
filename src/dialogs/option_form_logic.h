// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"
#include "store/settings.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sv {

// What the options dialog's controls hold, as plain data. Folders are native paths, as shown.
struct TOptionForm final {
    // [0] 同名ファイルの処理: the radio buttons' indexes, in the order of SameNameRule
    int sameSize = 2;
    int notSameSize = 2;
    // [1] 怪しいファイルの処理
    bool notExe = true;
    bool notDouble = true;
    bool notClass = true; // RadioButtonNotClass selected
    std::string doubtFolder;
    // [2] 振り分けないファイル
    std::string ngKeyword;
    bool notIncomplete = true;
    bool fileUsing = true;
    std::string usingWait = "10"; // minutes
    // [3] 拡張子変更: the working copy
    std::vector<TExtRule> rules;
    // [4] その他1
    bool cycleExec = false;
    std::string cycleExecTime = "10";
    bool watchSource = false;
    std::string watchWait = "10";
    bool execAll = false;
    bool dustBox = false;
    bool archiveAlarm = false;
    bool makeFolder = false;
    bool startMin = false;
    bool closeMin = false;
    bool execChkBox = false;
    bool readOnly = false;
    // [5] その他2
    bool fileComp = false;
    bool histDel = false;
    std::string histMax = "5";
    bool ny = false;
    std::string nyFolder;
    bool filer = false;
    std::string filerProg;
};

TOptionForm OptionFormFrom(const TAppSettings& settings);

// Where a refused close leaves the user: the page and the control named by its component name.
struct TOptionRefusal final {
    int page = 0;
    std::string focus; // empty: the focus stays where it is
};

// The close request with OK: the checks in their order, each refusal shown through `box`. Returns
// the refusal, or nothing when the values may be stored; the folder texts of `form` are tidied in
// place as the checks go. `isExecutableFile` answers for the file manager (a path text). `place`,
// when given, is called with the page and control of a message or question just before it is
// shown, so that the user sees the setting it is about.
std::optional<TOptionRefusal> CheckOptions(TOptionForm& form, MessageBox& box,
                                           const std::function<bool(const std::string&)>& isExecutableFile,
                                           const std::function<void(const TOptionRefusal&)>& place = {});

// Stores the checked form into the settings, in the dialog's order.
void StoreOptions(const TOptionForm& form, TAppSettings& settings);

// ---- Extension-change rules ----

// Inserts at `selected` (at the top when nothing is selected); refused at 20 rules. Returns where
// the new rule went.
std::optional<std::size_t> InsertExtRule(std::vector<TExtRule>& rules, std::optional<std::size_t> selected,
                                         TExtRule rule);

enum class ExtRuleField { None, Before, After };

// The rule dialog's close with OK: trims both texts, refuses empty ones and the nine characters
// a file name cannot hold (with the field to focus), then drops leading ASCII periods. A text made
// only of periods is refused as empty. Returns the refusal's message and field, or the clean rule.
struct TExtRuleCheck final {
    std::optional<TExtRule> rule;
    std::string message;
    ExtRuleField focus = ExtRuleField::None;
};
TExtRuleCheck CheckExtRule(std::string before, std::string after);

inline constexpr const char* kExtRuleErrorTitle = "Sorvanta - 拡張子変更条件設定エラー";

} // namespace sv
