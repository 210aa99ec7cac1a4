// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"
#include "platform/result.h"
#include "store/condition_file.h"
#include "store/condition_list.h"
#include "store/kept_aside.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

inline constexpr std::string_view kSettingsVersion = "3.90";
inline constexpr std::string_view kDefaultCsvFileName = "SV_Cond.csv";
inline constexpr std::size_t kMaxSourceHistory = 10;
inline constexpr std::size_t kMaxExtRules = 20;
inline constexpr std::size_t kMaxRecentFiles = 10;
// The quiet time of sorting on arrival, in seconds.
inline constexpr int kMinWatchWait = 1;
inline constexpr int kMaxWatchWait = 3600;
// The quiet time of a file whose writer cannot be seen, in minutes (a day at most).
inline constexpr int kMinFileUsingWait = 1;
inline constexpr int kMaxFileUsingWait = 1440;

// What a run does with an item whose name is already taken at the destination, numbered as stored.
// Another stored number is kept as it is, and the item is passed over.
enum class SameNameRule : int {
    KeepNewer = 0, // the item with the newer time stamp stays, the other is deleted
    KeepOlder = 1,
    Rename = 2, // the item is sorted under a name with a number added
    Skip = 3,   // the item is not sorted
};

// One extension-change rule: extensions without the period.
struct TExtRule final {
    std::string ExtBefore;
    std::string ExtAfter;

    bool operator==(const TExtRule&) const = default;
};

// Every option and remembered window geometry. The members carry the names of their keys in the
// settings file; a key numbered 0 to n is an array. Folder and file values are path texts.
struct TAppSettings final {
    // [Path]
    std::string Source;                     // the source combo's text
    std::vector<std::string> SourceHistory; // newest first, at most 10
    bool ExecAll = false;
    std::array<std::string, kMaxRecentFiles> ExpFile; // [0] defaults to the program folder's CSV
    std::array<std::string, kMaxRecentFiles> ImpFile;
    int ImpIndex = 0;

    // [ExtChange], at most 20 rules, both texts of each not empty
    std::vector<TExtRule> ExtRules;

    // [Size]
    int FormWidth = 434;
    int FormHeight = 338;
    int FormLeft = 0;
    int FormTop = 0;
    int ReportWidth = 630;
    int ReportHeight = 256;
    std::array<int, 3> ReportListWidth{42, 404, 140};
    int HistoryWidth = 630;
    int HistoryHeight = 223;
    std::array<int, 5> HistoryListWidth{107, 42, 319, 319, 119};
    std::array<int, 4> ListWidth{65, 116, 74, 116};

    // [Condition]
    SameNameRule SameName0 = SameNameRule::Rename; // the sizes are equal
    SameNameRule SameName1 = SameNameRule::Rename; // the sizes differ
    bool NotExe = true;
    bool NotDouble = true;
    bool NotClass = true;
    std::string DoubtFolder;
    bool NotIncomplete = true;
    std::string NgKeyword;
    bool CycleExec = false;
    int CycleExecTime = 10;
    bool CloseMin = false; // the window's close button goes to the tray
    bool DustBox = false;
    bool StartMin = false;
    bool ArchiveAlarm = false;
    bool FileComp = false;
    bool HistDel = false;
    int HistMax = 5;
    bool Ny = false;
    std::string NyFolder;
    bool FileUsing = true;
    // Where the program cannot tell whether a file is open for writing (another user's writer),
    // the file counts as in use until it has been unchanged for this many minutes (1 to 1440).
    // A key of this program only.
    int FileUsingWait = 10;
    bool MakeFolder = false;
    bool Filer = false;
    std::string FilerProg;
    bool ExecChkBox = false;
    bool ReadOnly = false;
    // Sorting on arrival: the source folders are watched while in the tray, and a run starts
    // once they have been quiet for WatchWait seconds (1 to 3600). Keys of this program only;
    // other installations keep them untouched.
    bool WatchSource = false;
    int WatchWait = 10;

    // [WindowPos]
    bool HwndTop = false;

    // [Version]: the version that wrote the file that was read; a save always writes "3.90".
    std::string SorvantaVer = "0.00";

    // [Default]
    std::string DefKeyword;
    std::string DefDestFolder;
    std::string DefComment;

    bool operator==(const TAppSettings&) const = default;
};

struct TSourceHistory final {
    std::vector<std::string> items;
    std::string text; // the combo's text: the first item, or "" when there is none
};

// Normalises every entry and drops empty ones, puts the normalised combo text (when not empty) in
// front, keeps only the first occurrence of each folder (exact comparison) and at most 10.
TSourceHistory TidySourceHistory(const std::vector<std::string>& history, std::string_view comboText);

// The version as the settings file's rules compare it: the first four characters as a decimal
// number times 100, truncated ("3.90" -> 390). Anything that is not such a number counts as 0.
int SettingsVersionNumber(std::string_view sorvantaVer);

// Reads `folder`\`iniFileName`; `folder` is the program's folder (a path text ending in "\").
// Never fails: a missing file or key gives the defaults.
TAppSettings LoadSettings(std::string_view folder, std::string_view iniFileName);

// Why a settings file of these bytes would not be written back as it reads (text after a zero
// byte, a value longer than the reader takes, a character in a code other than the one writing
// uses); empty when it would.
std::string SettingsFileDamage(std::string_view bytes);

// Copies the settings file aside when SettingsFileDamage finds it damaged; call it before the
// first save.
TKeptAside KeepDamagedSettingsAside(std::string_view folder, std::string_view iniFileName);

// Gives the owner write access back to the settings file, Condition.txt and History.dat in
// `folder`, so that later saves normally succeed. Missing files are passed over.
void ClearDataFileReadOnly(std::string_view folder, std::string_view iniFileName);

// Writes the settings file (keys it does not know are kept) and then Condition.txt. The source
// history in `settings` is tidied first, as the combo shows it afterwards; the caller has already
// copied window geometry and the list's check boxes into `settings` and `conditions`. A settings
// file holding characters in other codes is written in the preferred ones after its bytes were
// kept aside (a copy made only now is left in the watch's keptAside, to be told).
Status SaveSettings(std::string_view folder, std::string_view iniFileName, TAppSettings& settings,
                    const TConditionList& conditions, TConditionFileWatch* watch = nullptr);

// Runs `write`; while it fails, shows the shared write-error prompt (`failureText` followed by the
// offer to clear the read-only marks) and, on Yes, clears the marks of the three data files and
// writes again. Returns the last result.
Status WriteWithReadOnlyRetry(std::string_view folder, std::string_view iniFileName,
                              std::string_view failureText, MessageBox& box,
                              const std::function<Status()>& write);

// SaveSettings; on failure asks whether to clear the read-only marks and try again, as often as
// the user answers Yes. Returns whether everything was written.
bool SaveSettingsWithRetry(std::string_view folder, std::string_view iniFileName, TAppSettings& settings,
                           const TConditionList& conditions, MessageBox& box,
                           TConditionFileWatch* watch = nullptr);

} // namespace sv
