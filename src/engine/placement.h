// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_ui.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/messagebox.h"
#include "store/history_file.h"
#include "store/settings.h"

#include <string>
#include <string_view>
#include <vector>

namespace sv {

inline constexpr std::string_view kTransferTitle = "振り分け中...";

// What a run shares with the placement of its entries.
struct TRunContext final {
    const TAppSettings& settings;
    const std::vector<TExtRule>& extRules;
    FileSystem& files;
    RunUi& ui;
    MessageBox& box;
    TPendingHistory& history;
    int processed = 0; // result rows recorded in this run
    // A destination folder seen or made in this condition's turn (the run empties it at every
    // condition): the next file is moved there by a rename alone, whose refusal to replace is the
    // same-name test.
    std::string knownFolder;
    // The last source folder and destination folder found on different file systems: moves
    // between them copy at once, without a rename that is bound to fail.
    std::string acrossFrom;
    std::string acrossTo;
};

// Whether the source and the destination folder lie on different file systems; remembered for the
// pair of folders, so that the next move between them needs no look.
bool AcrossFileSystems(TRunContext& run, std::string_view sourceFolder, std::string_view destFolder,
                       std::string_view sourcePath);

// The parts of a condition that placement reads, decoded once per condition.
struct TPlacementCondition final {
    std::string keywords; // for the messages
    bool copyMode = false;
    bool extChangeOff = false;
    bool historyOff = false;
};

// One accepted entry on its way to the destination.
struct TPlacementEntry final {
    std::string name;
    std::string sourceFolder;
    std::string sourcePath;
    std::string destFolder; // D: the condition's folder, or the time-stamp folder
    std::string destPath;   // P
    bool isFolder = false;
};

enum class EntryOutcome {
    Next,      // go on with the next entry
    EndFolder, // the rest of this folder is passed over for this condition
    EndRun,    // the run ends (the closing steps follow)
};

// The note for a folder moved whole whose old place could not be emptied completely; it names the
// first few of the entries that stayed (paths relative to the folder) and counts the rest.
std::string LeftBehindNote(std::string_view sourcePath, std::string_view targetPath,
                           const std::vector<std::string>& stayed = {});

// The note for an entry not sorted because it changed while it was copied: it stays where it was.
std::string ChangedDuringCopyNote(std::string_view sourcePath);

// The destination folder joined with the name by exactly one backslash.
std::string PlainDestination(std::string_view destFolder, std::string_view name);

// The name of the time-stamp folder for a pattern of nine digits (year, separator, month,
// separator, day, separator, hour, separator, minute); a backslash separator makes a level.
std::string TimestampFolderText(const LocalDateTime& time, std::string_view patternCode);

// The path the first rule whose extension matches (ASCII case ignored) would give; the path itself
// without a matching rule.
std::string ExtensionRuleTarget(std::string_view path, const std::vector<TExtRule>& rules);

// Renames the file by the first matching rule and returns where the file now is: the new path, or
// the old one when the rename failed (the new name is taken: it is never replaced). Without a
// matching rule the path comes back unchanged.
std::string ApplyExtensionRules(FileSystem& files, std::string_view path, const std::vector<TExtRule>& rules);

// ForceFolder for the run: what it created is noted, so that taking the run back removes it again.
bool ForceRunFolder(FileSystem& files, TPendingHistory& history, std::string_view folder);

// Journals what is about to happen to an entry before it happens, when the run would record it;
// returns whether it did (JournalNotDone then closes it when nothing happened). A transfer that may
// copy across file systems is on disk before it starts; a rename is not waited for.
bool JournalBefore(TRunContext& run, bool historyOff, TRunIntent intent);
// The intent of deleting the entry instead of sorting it, recorded under `destFolder` (a folder,
// or "削除" / "ごみ箱") and `destName` with `mark`.
bool JournalDeletion(TRunContext& run, bool historyOff, const TPlacementEntry& entry, int mark,
                     std::string_view destFolder, std::string_view destName);

// One result row and, within the history limit and unless the condition keeps no history, one
// history entry. The processed count is already increased by the caller.
void RecordResult(TRunContext& run, std::string_view destFolder, std::string_view name,
                  std::string_view sourceFolder, int markIndex, bool historyOff, const TRunItem& item = {});

// Same-name handling, destination folder, read-only question, transfer, extension rules and the
// record of an accepted entry.
EntryOutcome PlaceEntry(TRunContext& run, const TPlacementCondition& condition, TPlacementEntry entry);

} // namespace sv
