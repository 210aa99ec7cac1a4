// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_ui.h"
#include "platform/digest_library.h"
#include "platform/file_system.h"
#include "platform/messagebox.h"
#include "store/condition_list.h"
#include "store/history_file.h"
#include "store/settings.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

// Which conditions a run goes through: every ticked one, or the list's current one.
enum class RunMode { AllConditions, SelectedCondition };

// What the main window hands to a run.
struct TRunRequest final {
    const TConditionList& conditions;
    const TAppSettings& settings;
    const std::vector<TExtRule>& extRules;
    // The items' file system: the disk, or for a test on what a test run left, that test run's.
    FileSystem& files;
    RunMode runMode = RunMode::AllConditions;
    // The list's tick boxes in list order; a condition beyond the vector uses its stored mark.
    std::vector<bool> listChecks{};
    int selectedIndex = -1;   // the list's current item, -1 for none
    std::string sourceText{}; // the source combo's text (path text)
    std::vector<std::string> sourceItems{};
    bool inTray = false;
    // The digest library of the duplicate compare; null for the program's own.
    DigestLibrary* digest = nullptr;
    // Every condition enumerates its folders afresh and tests every name against it: the plain
    // algorithm, which the faster path must match exactly (tests compare the two).
    bool plainPath = false;
    // A test run: the whole run as it would go, on a dry run of the folders (`files` when that
    // keeps its changes in memory, else one of its own over the disk). Nothing on disk changes, no
    // history is kept and no box is shown: what would be asked becomes a note.
    bool preview = false;
    // How a test run answers what would be asked: with the default button, as the window's run
    // does when Enter is pressed; or as a run without a display does (unattended.h), so that
    // the test run of the command line plans what "/a" then does.
    bool previewUnattended = false;
    // While the source folders are watched: whether the watch holds this entry (a path text)
    // back: it is still arriving, or the kernel's change notices show it open for writing, by any
    // user. Such an entry is passed over whatever FileUsing says. Empty outside the watch.
    std::function<bool(std::string_view pathText)> heldBack{};
    // Told of every file passed over as in use (FileUsing), so that the watch looks at it again.
    std::function<void(std::string_view pathText)> passedOverInUse{};
};

// Process-wide state a run reads and changes; owned by the main window.
struct TRunShared final {
    bool runInProgress = false;
    int completionCount = 0; // processed items of completed runs; the main window resets it
};

struct TRunOutcome final {
    int processed = 0;
    bool cancelled = false;
    bool md5Missing = false;
    bool repeated = false; // an activation during a run: only the closing steps were performed
};

// The whole run, started when the run window becomes active. Lets events through before every
// entry; a second activation from there performs only the closing steps.
TRunOutcome PerformSortRun(const TRunRequest& request, TRunShared& shared, RunUi& ui, MessageBox& box,
                           TPendingHistory& history);

// "処理ファイル（フォルダ）： n 個"
std::string ProcessedCountLabel(int processed);

} // namespace sv
