// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_lines.h"

#include "platform/file_messages.h"
#include "platform/file_reader.h"
#include "platform/pathtext.h"

#include <array>
#include <cerrno>

namespace sv {

Status ReadCsvLines(std::string_view pathText, TCsvLines& out, std::size_t maxLines,
                    std::size_t maxLineBytes) {
    out = {};
    FileReader reader;
    if (FileStatus opened = reader.Open(pathText); !opened)
        return FailureStatus(opened);
    std::array<char, 64 * 1024> buffer{};
    TCsvLine line;
    bool open = false;    // a line has begun and not yet ended
    bool afterCr = false; // the last byte ended a line with CR; an LF right behind belongs to it
    for (;;) {
        const auto got = reader.Fill(buffer.data(), buffer.size());
        if (!got)
            return FailureStatus(FileError::System(FileOp::Read, ToNativePath(pathText), errno));
        for (std::size_t i = 0; i < *got; ++i) {
            const char c = buffer[i];
            if (afterCr) {
                afterCr = false;
                if (c == '\n')
                    continue;
            }
            if (out.lines.size() == maxLines) {
                out.more = true;
                return {};
            }
            if (c == '\r' || c == '\n') {
                afterCr = c == '\r';
                out.lines.push_back(std::move(line));
                line = {};
                open = false;
                continue;
            }
            open = true;
            if (line.tooLong)
                continue;
            if (line.bytes.size() == maxLineBytes) {
                line.tooLong = true;
                line.bytes.clear();
                line.bytes.shrink_to_fit();
                continue;
            }
            line.bytes.push_back(c);
        }
        if (*got < buffer.size())
            break;
    }
    if (open)
        out.lines.push_back(std::move(line));
    return {};
}

} // namespace sv
