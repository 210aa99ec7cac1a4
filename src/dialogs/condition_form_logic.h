// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"
#include "platform/messagebox.h"
#include "store/condition.h"
#include "store/settings.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

inline constexpr std::size_t kSettingNameMaxBytes = 256;
inline constexpr std::size_t kKeywordMaxBytes = 1024;
// The refusal of a folder text longer than the settings file reads back (2047 bytes).
inline constexpr std::string_view kFolderTooLong =
    "フォルダの指定が長すぎます。シフトJIS で 2047 バイトまでにしてください。";
inline constexpr std::string_view kAddCaption = "追加 - 振り分け条件";
inline constexpr std::string_view kEditCaption = "編集 - 振り分け条件";
inline constexpr std::string_view kEditorErrorTitle = "Sorvanta - 振り分け条件編集エラー";

// What the main window hands the condition editor.
struct CondEditRequest final {
    std::string caption;     // kAddCaption or kEditCaption
    std::string keywordText; // a stored keyword text: only the part before the first "//" is shown
    std::string destText;    // a coded destination text
    std::string settingName;
    bool checked = true;        // carried into the result unchanged
    bool extRulesExist = false; // ChkBoxExtChange is usable only when a rule exists
    bool fileCompOn = false;    // the options' file compare; ChkBoxDup is usable only when it is on
    // For the list of what the condition takes: the options a run's tests read, and the main
    // window's source folders (path texts) as a run of all conditions goes through them.
    TAppSettings options{};
    std::vector<std::string> mainFolders{};
};

// The main window's source folders a run goes through: every folder of its list when ExecAll is
// on, else the one in its box.
std::vector<std::string> MainSourceFolders(const TAppSettings& settings, const std::string& boxText);

// Adding starts from the registered default condition, ticked.
CondEditRequest AddConditionRequest(const TAppSettings& settings);
// Editing starts from the stored condition and the list row's check state.
CondEditRequest EditConditionRequest(const TSortCondition& stored, bool rowChecked,
                                     const TAppSettings& settings);

// The default condition as the settings file keeps it.
struct TDefaultCondition final {
    std::string keyword;  // DefKeyword
    std::string destText; // DefDestFolder
    std::string comment;  // DefComment
};
void ApplyDefault(const TDefaultCondition& def, TAppSettings& settings);

struct TSizeRow final {
    bool on = false;
    std::string text = "10";
    int unit = 2;     // バイト, KB, MB
    int relation = 2; // の, 以下の, 以上の
};

// The time-limit rows; each names items that are not sorted.
struct TDateLimitRow final {
    bool on = false;
    int year = 2009;
    int month = 1;
    int day = 1;
    int relation = 0; // 以前の, 以降の
};
struct TAgeLimitRow final {
    bool on = false;
    std::string count = "1"; // as typed; 0 to 99
    int term = 0;            // 日前, 週間前, ヶ月前
    int relation = 0;        // 以前の, 以降の
};

inline constexpr std::array<int, 9> kPatternItemCounts{3, 4, 2, 4, 2, 4, 2, 4, 2};

// The editor's controls as plain data. Folder texts are in native form, as the edits show them.
struct TCondForm final {
    std::string caption;
    bool checked = true;
    bool extRulesExist = false;
    bool fileCompOn = false;
    std::string settingName;
    bool ownSource = false;
    std::string sourceText;
    bool subFolders = false;
    bool keywordOr = false;
    bool excludeOr = false;
    std::string keywordText;
    std::string destText;
    bool copyMode = false;
    bool showOther = false;
    bool caseFold = false;
    bool widthFold = false;
    bool kanaFold = false;
    bool compareOff = false;
    bool historyOff = false;
    bool extChangeOff = false;
    bool includeFolders = false;
    bool onlyFolders = false;
    TSizeRow size1;
    TSizeRow size2;
    bool timestampFolder = false;
    std::array<int, 9> pattern{1, 0, 1, 0, 1, 0, 0, 0, 0}; // combo indexes of "212121111"
    std::array<TDateLimitRow, 2> dateLimits;
    std::array<TAgeLimitRow, 2> ageLimits;
};

TCondForm OpenForm(const CondEditRequest& request);

// Combo indexes from a pattern code; a code with a non-digit gives those of "212121111", and a
// digit beyond its box's items selects "なし".
std::array<int, 9> PatternIndexes(std::string_view code);
// One digit per box: index + 1, "1" for a box with nothing selected.
std::string PatternCode(const std::array<int, 9>& indexes);

struct TSampleTime final {
    int year = 2009;
    int month = 1;
    int day = 23;
    int hour = 4;
    int minute = 56;
};
struct TPatternPreview final {
    std::string path; // "（振り分け先フォルダ）\09..." with "\" as the folder separator
    std::string code;
};
TPatternPreview BuildPatternPreview(const std::array<int, 9>& indexes, const TSampleTime& sample = {});

// A byte limit for an edit: text that grows beyond `maxBytes` is refused, while a stored text
// that is already longer may still be shortened or edited without growing.
bool AcceptsEdit(std::string_view before, std::string_view after, std::size_t maxBytes);
// What an edit keeps when its text changed from `before` to `after`: all of it when accepted,
// else as much of the inserted part as fits (whole characters), or `before` when nothing does.
struct TLimitedEdit final {
    std::string text;
    std::size_t cursor = 0; // byte offset just behind what was kept of the insertion
};
TLimitedEdit LimitEdit(std::string_view before, std::string_view after, std::size_t maxBytes);

enum class CondControl {
    None,
    EditComment,
    EdSource,
    EditKeyword,
    EditDest,
    EditSize1,
    EditSize2,
    EditTimeLimit1,
    EditTimeLimit2,
};

struct TCloseResult final {
    std::optional<TSortCondition> condition; // set when the dialog may close accepted
    CondControl focus = CondControl::None;   // where the focus goes when it stays open
};

// Trims both folder texts and reduces a run of trailing separators to one, in place.
void NormaliseFolderTexts(TCondForm& form);

// The checks of an OK, in order, each failure shown in `box`; on success the composed condition.
// `form` has been normalised already; whether the own source folder is there is asked of `files`.
TCloseResult CheckAndCompose(const TCondForm& form, MessageBox& box, FileSystem& files = Disk());

// The condition the controls stand for, packed as OK would pack it but without a question or a
// message: the list of what the condition takes follows it. A destination still empty stands in as
// a folder that does not exist. Fails with the reason when the controls hold what OK refuses.
Status ComposeForm(const TCondForm& form, TSortCondition& out);

// BtnDefault: asks whether to register, then composes the default from the controls as they are.
// Nothing when the user declined or a text could not be stored (told in `box`).
std::optional<TDefaultCondition> BuildDefaultCondition(const TCondForm& form, MessageBox& box);

} // namespace sv
