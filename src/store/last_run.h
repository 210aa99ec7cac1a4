// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"
#include "store/history_file.h"
#include "store/run_items.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

inline constexpr std::string_view kLastRunFileName = "History.dat.lastrun";

// The most recent run, for taking it back in one step: its records as they were put in front of
// History.dat, what became of each item, and the folders it created. Kept in a small file beside
// History.dat, because the history file itself has no room to say where one run ends.
struct TLastRun final {
    std::vector<THistoryEntry> entries; // in recording order, the top records of History.dat
    std::vector<TRunItem> items;        // beside each entry
    std::vector<TCreatedFolder> folders;
    std::vector<std::array<std::string, 4>> records; // the entries' lines as History.dat holds them
};

// Written after the run's records reached History.dat (replacing the file of the run before).
// A run that recorded nothing leaves the file of the run before.
Status WriteLastRun(std::string_view folder, const TPendingHistory& pending);
// The same from run blocks as the journal holds them.
Status WriteLastRunBlocks(std::string_view folder, std::string_view blocks);

// Why there is no last run to take back.
enum class LastRunGap {
    NoRecord,       // no file, or one without records
    Unreadable,     // the file is not whole
    HistoryChanged, // its records no longer stand at the top of History.dat
};

// The last run, when its records still stand at the top of History.dat exactly as written (the
// history window's sorting or editing, or a later run by another program, makes them unknowable:
// nothing is then taken back); otherwise what is missing.
Result<TLastRun, LastRunGap> ReadLastRun(std::string_view folder);

// Forgets the last run: it was taken back, or it can no longer be.
void ForgetLastRun(std::string_view folder);

} // namespace sv
