// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

// The import uses the three header lines and at most 10000 rows behind them.
inline constexpr std::size_t kCsvLinesRead = 10003;
// A row longer than this is no condition; it is counted and refused without being kept.
inline constexpr std::size_t kCsvMaxLineBytes = 16 * 1024;

struct TCsvLine final {
    std::string bytes; // code page 932, without the line end
    bool tooLong = false;
};

struct TCsvLines final {
    std::vector<TCsvLine> lines;
    bool more = false; // the file goes on behind the lines read
};

// Reads the first `maxLines` lines of a file (a line ends at CR LF, CR or LF; a last line without
// an end counts), no further, so a huge file costs no more than the lines used. Fails with the
// system's reason when the file cannot be opened or read; a folder cannot be opened.
Status ReadCsvLines(std::string_view pathText, TCsvLines& out, std::size_t maxLines = kCsvLinesRead,
                    std::size_t maxLineBytes = kCsvMaxLineBytes);

} // namespace sv
