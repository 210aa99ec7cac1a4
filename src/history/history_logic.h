// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/undo_last_run.h"
#include "platform/transfer.h"
#include "store/history_file.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

inline constexpr int kHistoryColumns = 5;

// The text a column shows: name, mark, source folder, destination folder, time.
const std::string& HistoryColumnText(const THistoryEntry& entry, int column);
HistoryField HistoryColumnField(int column);

// The sort column and one direction flag per column, kept while the program runs.
struct THistorySort final {
    int column = 0;
    std::array<bool, kHistoryColumns> flags{};
};

// Sorts by the column's texts as code page 932 bytes, ASCII letters case-blind, the shorter of
// two texts of which one begins the other first. The name column sorts ascending while its flag
// is off, the others descending; the flag flips afterwards. Equal texts keep their order.
void SortHistory(THistoryList& list, THistorySort& sort, int column);

struct THistoryMenuStates final {
    bool open = false;      // Open, Folder and Source: exactly one entry selected
    bool selection = false; // Back, Del, Erase and DelAndErase
    bool list = false;      // SelAll and Seiri
};
THistoryMenuStates HistoryMenuStates(std::size_t selected, std::size_t entries);

// An entry's item is gone: a folder entry when no folder is at its item path, any other when no
// file is.
bool HistoryItemMissing(const THistoryEntry& entry);

// The second question of the clean-up for n missing entries.
std::string CleanupQuestion(std::size_t missing);

// Removes the entries at `rows` (any order, no duplicates needed) from the list.
void EraseHistoryEntries(THistoryList& list, std::vector<std::size_t> rows);

// Deletes the file of each entry whose item path is an existing file (to the trash with
// `dustBox`); missing items and folders are passed over. Returns how many went.
int DeleteHistoryFiles(FileSystem& files, const THistoryList& list, const std::vector<std::size_t>& rows,
                       bool dustBox);

// Moves an entry's item back into its source folder (or `mainSource` when the entry has none)
// under its name. A missing item, a missing target folder or a name already there is passed over;
// nothing is ever replaced.
MoveBackResult MoveHistoryItemBack(FileSystem& files, const THistoryEntry& entry, std::string_view mainSource,
                                   bool fileUsing, TransferProgress* progress);

// The three status panels.
struct THistoryStatus final {
    std::string panel0;
    std::string panel1;
    std::string panel2;
};
std::string HistoryCountText(std::size_t entries);
// One selected entry: its file's time and size, or what is missing; the free space of the file
// system holding it.
THistoryStatus HistoryStatusForOne(const THistoryEntry& entry);
// Several selected: the count and the summed sizes of those whose item is an existing file.
THistoryStatus HistoryStatusForSeveral(const THistoryList& list, const std::vector<std::size_t>& rows);

// The next entry after `after` (or from the first when there is none) whose name equals `name`,
// ASCII letters case-blind, wrapping round past the end.
std::optional<std::size_t> FindHistoryEntry(const THistoryList& list, std::string_view name,
                                            std::optional<std::size_t> after);

} // namespace sv
