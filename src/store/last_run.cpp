// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/last_run.h"

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "store/record_text.h"

#include <unistd.h>

namespace sv {
namespace {

constexpr std::string_view kHeader = "Sorvanta last run 1";

std::vector<std::string> Lines(std::string_view bytes, bool dropEmpty) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find("\r\n", start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string line(bytes.substr(start, end - start));
        // History.dat may also end its lines with a lone CR or LF.
        for (std::size_t cut; (cut = line.find_first_of("\r\n")) != std::string::npos;) {
            if (!dropEmpty || cut > 0)
                lines.push_back(line.substr(0, cut));
            line.erase(0, cut + 1);
        }
        if (!dropEmpty || !line.empty())
            lines.push_back(std::move(line));
        start = end + 2;
    }
    return lines;
}

char KindLetter(TRunItemKind kind) {
    return kind == TRunItemKind::Copied ? 'C' : kind == TRunItemKind::Deleted ? 'D' : 'M';
}

} // namespace

Status WriteLastRun(std::string_view folder, const TPendingHistory& pending) {
    std::string bytes(kHeader);
    bytes += "\r\n";
    const std::size_t records = pending.lines.size() / 4;
    for (std::size_t i = 0; i < records && i < pending.items.size(); ++i) {
        bytes += KindLetter(pending.items[i].kind);
        bytes += "\r\n" + Utf8ToCp932Lossy(EscapeRecordText(pending.items[i].originalName)) + "\r\n";
        for (std::size_t k = 0; k < 4; ++k)
            bytes += Utf8ToCp932Lossy(pending.lines[4 * i + k]) + "\r\n";
    }
    return WriteFileAtomic(JoinPath(folder, kLastRunFileName), bytes);
}

std::optional<TLastRun> ReadLastRun(std::string_view folder, std::string& why) {
    const FileRead side = ReadWholeFile(JoinPath(folder, kLastRunFileName));
    if (side.state != ReadState::Ok) {
        why = "元に戻せる振り分けの記録がありません。";
        return std::nullopt;
    }
    const std::vector<std::string> lines = Lines(side.bytes, false);
    if (lines.empty() || lines.front() != kHeader || (lines.size() - 1) % 6 != 0) {
        why = "最後の振り分けの記録（" + std::string(kLastRunFileName) + "）を読めません。";
        return std::nullopt;
    }
    const FileRead history = ReadWholeFile(JoinPath(folder, kHistoryFileName));
    const std::vector<std::string> top =
        history.state == ReadState::Ok ? Lines(history.bytes, true) : std::vector<std::string>();
    TLastRun run;
    for (std::size_t at = 1, i = 0; at + 5 < lines.size() + 0 && at < lines.size(); at += 6, ++i) {
        TRunItem item;
        item.kind = lines[at] == "C"   ? TRunItemKind::Copied
                    : lines[at] == "D" ? TRunItemKind::Deleted
                                       : TRunItemKind::Moved;
        item.originalName = UnescapeRecordText(Cp932ToUtf8(lines[at + 1]));
        for (std::size_t k = 0; k < 4; ++k) {
            if (4 * i + k >= top.size() || top[4 * i + k] != lines[at + 2 + k]) {
                why = "最後の振り分けのあとに振り分け履歴が並べ替えられたか変更されたため、元に戻せません。";
                return std::nullopt;
            }
        }
        run.entries.push_back(HistoryEntryFromLines(Cp932ToUtf8(lines[at + 2]), Cp932ToUtf8(lines[at + 3]),
                                                    Cp932ToUtf8(lines[at + 4]), Cp932ToUtf8(lines[at + 5])));
        run.items.push_back(std::move(item));
    }
    if (run.entries.empty()) {
        why = "元に戻せる振り分けの記録がありません。";
        return std::nullopt;
    }
    return run;
}

void ForgetLastRun(std::string_view folder) {
    ::unlink(ToNativePath(JoinPath(folder, kLastRunFileName)).c_str());
}

} // namespace sv
