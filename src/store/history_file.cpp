// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/history_file.h"

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "store/record_text.h"

#include <cstdio>

namespace sv {
namespace {

constexpr long long kNoHistoryLimit = 1000000000;

// A line break inside a name (Linux allows it) would shift every later record of the file by a
// line; it is written as "?" like any other character the file cannot hold.
std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n')
            c = '?';
    }
    return out;
}

void AppendLine(std::string& out, std::string_view utf8Line) {
    out += Utf8ToCp932Lossy(utf8Line);
    out += "\r\n";
}

} // namespace

std::vector<std::string_view> NonEmptyLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = bytes.size();
        if (end > start)
            lines.push_back(bytes.substr(start, end - start));
        start = end;
        if (start < bytes.size() && bytes[start] == '\r')
            ++start;
        if (start < bytes.size() && bytes[start] == '\n')
            ++start;
    }
    return lines;
}

std::string_view ActionMark(int index) {
    if (index < 0 || index >= static_cast<int>(kActionMarks.size()))
        return kActionMarks[kMarkPlain];
    return kActionMarks[static_cast<std::size_t>(index)];
}

long long HistoryLimit(const TAppSettings& settings) {
    if (!settings.HistDel)
        return kNoHistoryLimit;
    return settings.HistMax <= 0 ? 0 : static_cast<long long>(settings.HistMax) * 100;
}

std::string FormatEntryTime(const LocalDateTime& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", ((time.year % 100) + 100) % 100,
                  time.month, time.day, time.hour, time.minute, time.second);
    return text;
}

std::array<std::string, 4> HistoryRecordLines(const THistoryEntry& entry) {
    return {OneLine(entry.EntryTime), OneLine(entry.EntryMark), OneLine(entry.EntryName),
            OneLine(entry.EntryDest) + "*" + OneLine(entry.EntrySource)};
}

THistoryEntry HistoryEntryFromLines(std::string_view time, std::string_view mark, std::string_view name,
                                    std::string_view location) {
    THistoryEntry entry;
    entry.EntryTime = std::string(time);
    entry.EntryMark = std::string(mark);
    entry.EntryName = std::string(name);
    const auto star = location.find('*');
    if (star == std::string_view::npos) {
        entry.EntryDest = std::string(location);
    } else {
        entry.EntryDest = std::string(location.substr(0, star));
        entry.EntrySource = std::string(location.substr(star + 1));
    }
    return entry;
}

std::string HistoryItemPath(const THistoryEntry& entry) {
    std::string path = UnescapeRecordText(entry.EntryDest);
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + UnescapeRecordText(entry.EntryName);
}

std::string HistorySourceFolder(const THistoryEntry& entry) {
    return UnescapeRecordText(entry.EntrySource);
}

void TPendingHistory::Clear() {
    lines.clear();
    items.clear();
    createdFolders.clear();
    recorded = 0;
    intentOpen = false;
}

std::array<std::string, 4> RunRecordLines(std::string_view time, std::string_view destFolder,
                                          std::string_view name, std::string_view sourceFolder,
                                          int markIndex) {
    if (!destFolder.empty() && destFolder.back() == '\\')
        destFolder.remove_suffix(1);
    THistoryEntry entry;
    entry.EntryTime = std::string(time);
    entry.EntryMark = std::string(ActionMark(markIndex));
    entry.EntryName = EscapeRecordText(name);
    entry.EntryDest = EscapeRecordText(destFolder, true);
    entry.EntrySource = EscapeRecordText(sourceFolder);
    return HistoryRecordLines(entry);
}

bool RecordHistory(TPendingHistory& pending, std::string_view destFolder, std::string_view name,
                   std::string_view sourceFolder, int markIndex, bool historyOff,
                   const TAppSettings& settings, const TRunItem& item) {
    if (!WouldRecordHistory(pending, historyOff, settings))
        return false;
    const std::array<std::string, 4> record =
        RunRecordLines(FormatEntryTime(Now()), destFolder, name, sourceFolder, markIndex);
    TRunItem kept = item;
    if (kept.originalName.empty())
        kept.originalName = std::string(name);
    if (kept.kind != TRunItemKind::Deleted && !kept.stamp)
        kept.stamp = ItemStampOf(JoinPath(destFolder, name));
    if (pending.journal != nullptr)
        pending.journal->Append(RunRecordBlock(kept, record));
    pending.intentOpen = false;
    for (const std::string& line : record)
        pending.lines.push_back(line);
    pending.items.push_back(std::move(kept));
    ++pending.recorded;
    return true;
}

void NoteCreatedFolder(TPendingHistory& pending, TCreatedFolder folder) {
    if (pending.journal != nullptr)
        pending.journal->Append(CreatedFolderBlock(folder));
    pending.createdFolders.push_back(std::move(folder));
}

Status PrependRunHistory(std::string_view folder, const TPendingHistory& pending) {
    if (pending.Empty())
        return {};
    const std::string path = JoinPath(folder, kHistoryFileName);
    LineReader existing;
    const ReadState state = existing.Open(path);
    // An unreadable history is left as it is rather than replaced by this run's entries alone.
    if (state == ReadState::Failed)
        return Status::Fail(existing.error());
    AtomicFileWriter writer;
    if (Status begun = writer.Begin(path); !begun)
        return begun;
    std::string bytes;
    for (const std::string& line : pending.lines) {
        if (!line.empty())
            AppendLine(bytes, OneLine(line));
    }
    writer.Append(bytes);
    // The old content is kept byte for byte: it is not decoded and encoded again. It streams
    // through, so that a long history costs a run no memory.
    if (state == ReadState::Ok) {
        for (;;) {
            if (const std::string_view run = existing.NextRun(); !run.empty()) {
                writer.Append(run);
                continue;
            }
            const auto line = existing.Next();
            if (!line)
                break;
            writer.Append(*line);
            writer.Append("\r\n");
        }
        if (!existing.error().empty())
            return Status::Fail(existing.error());
    }
    return writer.Commit();
}

bool LooksLikeEntryTime(std::string_view line) {
    if (line.size() != 17)
        return false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char expected = i == 2 || i == 5 ? '/' : i == 8 ? ' ' : i == 11 || i == 14 ? ':' : '0';
        if (expected == '0' ? (line[i] < '0' || line[i] > '9') : line[i] != expected)
            return false;
    }
    return true;
}

bool IsActionMarkLine(std::string_view cp932Line) {
    // The marks' own bytes settle almost every line without decoding it; only another spelling
    // of a mark needs the decoder.
    static const std::array<std::string, kActionMarks.size()> encoded = [] {
        std::array<std::string, kActionMarks.size()> out;
        for (std::size_t i = 0; i < kActionMarks.size(); ++i)
            out[i] = Utf8ToCp932Lossy(kActionMarks[i]);
        return out;
    }();
    for (const std::string& mark : encoded) {
        if (cp932Line == mark)
            return true;
    }
    const std::string utf8 = Cp932ToUtf8(cp932Line);
    for (const std::string_view mark : kActionMarks) {
        if (utf8 == mark)
            return true;
    }
    return false;
}

namespace {

// The damage check over the lines of a file, one line at a time.
class DamageCheck final {
public:
    void Line(std::string_view line) {
        const std::size_t place = m_lines++ % 4;
        if (m_misshapen)
            return;
        if ((place == 0 && !LooksLikeEntryTime(line)) || (place == 1 && !IsActionMarkLine(line)))
            m_misshapen = true;
    }
    std::string Result() const {
        if (m_lines % 4 != 0)
            return "4 行ずつそろわない記録を含んでいます（最後の記録を読み込めません）";
        if (m_misshapen)
            return "形式の正しくない記録を含んでいます（行のずれなど）";
        return {};
    }

private:
    std::size_t m_lines = 0;
    bool m_misshapen = false;
};

} // namespace

std::string HistoryFileDamage(std::string_view bytes) {
    DamageCheck check;
    for (const std::string_view line : NonEmptyLines(bytes))
        check.Line(line);
    return check.Result();
}

TKeptAside KeepDamagedHistoryAside(std::string_view folder) {
    // Read a part at a time: a history of a million records is checked in a few megabytes.
    const std::string path = JoinPath(folder, kHistoryFileName);
    LineReader reader;
    if (reader.Open(path) != ReadState::Ok)
        return {};
    DamageCheck check;
    while (const auto line = reader.Next())
        check.Line(*line);
    if (!reader.error().empty())
        return {};
    return KeepAsideFor(path, kHistoryFileName, check.Result());
}

HistoryLoadResult LoadHistory(std::string_view folder, THistoryList& list, long long limit) {
    HistoryLoadResult result;
    const FileRead file = ReadWholeFile(JoinPath(folder, kHistoryFileName));
    if (file.state == ReadState::Missing) {
        list.entries.clear();
        list.otherCodes = false;
        result.state = HistoryLoadState::Missing;
        return result;
    }
    if (file.state == ReadState::Failed) {
        result.error = file.error;
        return result;
    }
    const std::vector<std::string_view> lines = NonEmptyLines(file.bytes);
    if (lines.size() == 4 * list.entries.size()) {
        result.state = HistoryLoadState::Unchanged;
        return result;
    }
    std::size_t k = 0;
    for (; static_cast<long long>(k) < limit && 4 * k + 3 < lines.size(); ++k) {
        THistoryEntry entry =
            HistoryEntryFromLines(Cp932ToUtf8(lines[4 * k]), Cp932ToUtf8(lines[4 * k + 1]),
                                  Cp932ToUtf8(lines[4 * k + 2]), Cp932ToUtf8(lines[4 * k + 3]));
        if (k < list.entries.size()) {
            if (!(list.entries[k] == entry))
                list.entries[k] = std::move(entry);
        } else {
            list.entries.push_back(std::move(entry));
        }
    }
    list.entries.resize(k);
    // The records read stand together in the file: one walk over them, not one per line.
    list.otherCodes = false;
    if (k > 0) {
        const std::string_view last = lines[4 * k - 1];
        const auto length = static_cast<std::size_t>(last.data() + last.size() - lines[0].data());
        list.otherCodes = !IsExactCp932(std::string_view(lines[0].data(), length));
    }
    result.state = HistoryLoadState::Refreshed;
    return result;
}

std::string HistoryFileBytes(const THistoryList& list) {
    std::string bytes;
    for (const THistoryEntry& entry : list.entries) {
        for (const std::string& line : HistoryRecordLines(entry))
            AppendLine(bytes, line);
    }
    return bytes;
}

Status SaveHistory(std::string_view folder, std::string_view iniFileName, THistoryList& list,
                   MessageBox& box) {
    const std::string path = JoinPath(folder, kHistoryFileName);
    // Kept here rather than at the start: a run's prepend keeps the old bytes as they are, so only
    // this rewrite changes them, and a history never shown is never copied.
    if (list.otherCodes && FileExists(path)) {
        const TKeptAside kept = KeepAsideFor(path, kHistoryFileName, std::string(kOtherCodesReason));
        if (kept.Needed() || !kept.error.empty())
            box.Show(KeptAsideMessage(kept));
        if (!kept.error.empty())
            return Status::Fail(kept.error);
    }
    const std::string bytes = HistoryFileBytes(list);
    Status written = WriteWithReadOnlyRetry(folder, iniFileName, "履歴ファイルに書き込みできません。", box,
                                            [&] { return WriteFileAtomic(path, bytes); });
    if (written)
        list.otherCodes = false;
    return written;
}

} // namespace sv
