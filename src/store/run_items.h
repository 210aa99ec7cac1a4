// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

// What became of a recorded item, for taking a run back: moved (under `originalName` in its
// source folder before), copied (the original stayed) or deleted (the source is gone for good).
enum class TRunItemKind { Moved, Copied, Deleted };
struct TRunItem final {
    TRunItemKind kind = TRunItemKind::Moved;
    std::string originalName; // native name in the source folder before the run
};

// A folder a run created for its items: `leaf` and, above it, `top`, the highest folder that was
// missing (the same as `leaf` when only that one was). Native path texts.
struct TCreatedFolder final {
    std::string leaf;
    std::string top;
};

// What a run did, as the journal and the last-run file keep it: blocks of CR LF lines in code
// page 932. A record block is the kind letter (M, C or D), the escaped original name and the
// record's four History.dat lines; a folder block is "F" and the two escaped folders.
std::string RunRecordBlock(const TRunItem& item, const std::array<std::string, 4>& recordLines);
std::string CreatedFolderBlock(const TCreatedFolder& folder);

struct TRunBlocks final {
    std::vector<TRunItem> items;
    std::vector<std::array<std::string, 4>> records; // code page 932 bytes, as History.dat holds them
    std::vector<TCreatedFolder> folders;
    std::size_t wholeBytes = 0; // the bytes of the whole blocks read
    bool whole = true;          // false when a partial or unknown block ended the reading
};

// Reads blocks from the front of `bytes` up to the first partial or unknown block.
TRunBlocks ParseRunBlocks(std::string_view bytes);

} // namespace sv
