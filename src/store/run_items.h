// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_identity.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

// What became of a recorded item, for taking a run back: moved (under `originalName` in its
// source folder before), copied (the original stayed) or deleted (the source is gone for good).
enum class TRunItemKind { Moved, Copied, Deleted };
struct TRunItem final {
    TRunItem() = default;
    TRunItem(TRunItemKind itemKind, std::string name) : kind(itemKind), originalName(std::move(name)) {}

    TRunItemKind kind = TRunItemKind::Moved;
    std::string originalName; // native name in the source folder before the run
    // The sorted item as it was when recorded; nothing for a deletion and in older files, where
    // nothing is then checked before the item is taken back.
    std::optional<ItemStamp> stamp;
    // A folder moved across file systems: what stayed in the source folder because it was new or
    // changed during the copy (native paths relative to the folder).
    std::vector<std::string> stayedBehind;
};

// A folder a run created for its items: `leaf` and, above it, `top`, the highest folder that was
// missing (the same as `leaf` when only that one was). Native path texts.
struct TCreatedFolder final {
    std::string leaf;
    std::string top;
};

// What a run is about to do to one entry, journaled before it starts, so that a run killed in the
// middle leaves enough for the next start to find the item and record it where it is.
enum class TIntentAction {
    Rename, // a move by one rename: the item is either still in the source or at the destination
    Move,   // a move that may copy across file systems: killed late, the item may be in both places
    Copy,
    Delete, // a duplicate or the losing file of a same-name rule
};
struct TRunIntent final {
    TIntentAction action = TIntentAction::Move;
    std::string time;         // the record's time, so that recovering twice gives the same record
    int mark = 0;             // the record's mark when the item is found under `destName`
    int extMark = 0;          // ... and when it is found under `extName`
    std::string sourceFolder; // path texts and native names, as the record takes them
    std::string sourceName;
    std::string destFolder; // for a deletion the record's destination ("削除", "ごみ箱" or the folder)
    std::string destName;
    std::string extName;               // the name the extension rules give; `destName` when none applies
    bool extTaken = false;             // something already had that name: it cannot be the item
    std::optional<ItemStamp> replaced; // what stood at the destination before (a replacing move)
};

// What a run did, as the journal and the last-run file keep it: blocks of CR LF lines in code
// page 932. A record block is the kind line (the letter M, C or D, then the sorted item's stamp
// "i=device:inode[:size:mtime]" and the count of entries that stayed behind "s=n" when there are
// any), the escaped original name, the record's four History.dat lines and the stayed entries;
// a folder block is "F" and the two escaped folders. The journal also holds "S" where a run
// starts, intent blocks ("I" ...) and "N" after an intent that did not happen.
std::string RunRecordBlock(const TRunItem& item, const std::array<std::string, 4>& recordLines);
// The same with the record lines already in code page 932.
std::string RunRecordBlockBytes(const TRunItem& item, const std::array<std::string, 4>& recordBytes);
std::string CreatedFolderBlock(const TCreatedFolder& folder);
std::string IntentBlock(const TRunIntent& intent);
inline constexpr std::string_view kRunStartBlock = "S\r\n";
inline constexpr std::string_view kNotDoneBlock = "N\r\n";

// An intent that no record and no "N" followed: the run ended during that transfer.
struct TOpenIntent final {
    TRunIntent intent;
    std::size_t run = 0;           // index into TRunBlocks::runStarts
    std::size_t recordsBefore = 0; // where it stands among the records
};

struct TRunBlocks final {
    std::vector<TRunItem> items;
    std::vector<std::array<std::string, 4>> records; // code page 932 bytes, as History.dat holds them
    std::vector<TCreatedFolder> folders;
    std::vector<std::size_t> runStarts; // the index of each run's first record; one run at least
    std::vector<TOpenIntent> openIntents;
    std::size_t wholeBytes = 0; // the bytes of the whole blocks read
    bool whole = true;          // false when the reading stopped before the end
    // Why the reading stopped, in the user's words; empty when it read everything or only a last
    // block cut short (a write that never finished) was left.
    std::string damage;
};

// Reads blocks from the front of `bytes` up to the first block that is cut short or does not
// read as one the program writes (a line break inside a line, an empty line, a record whose lines
// do not look like a History.dat record).
TRunBlocks ParseRunBlocks(std::string_view bytes);

} // namespace sv
