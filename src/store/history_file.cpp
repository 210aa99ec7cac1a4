// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/history_file.h"

#include "platform/cp932.h"
#include "platform/file_messages.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "store/record_text.h"

#include <algorithm>
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
        return Status::Fail(FileErrorText(*existing.error()));
    AtomicFileWriter writer;
    if (FileStatus begun = writer.Begin(path); !begun)
        return FailureStatus(begun);
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
        if (existing.error())
            return Status::Fail(FileErrorText(*existing.error()));
    }
    return FailureStatus(writer.Commit());
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
    if (reader.error())
        return {};
    return KeepAsideFor(path, kHistoryFileName, check.Result());
}

namespace {

// The bytes writing gives for these: the same bytes unless a character is in another of its codes.
std::string_view Canonical(std::string_view bytes, std::string& scratch, bool& otherCodes) {
    if (IsExactCp932(bytes))
        return bytes;
    otherCodes = true;
    scratch = Utf8ToCp932Lossy(Cp932ToUtf8(bytes));
    return scratch;
}

std::string Encoded(std::string_view utf8) {
    return Utf8ToCp932Lossy(OneLine(utf8));
}

bool PlainAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

} // namespace

THistoryEntries::THistoryEntries(std::initializer_list<THistoryEntry> entries) {
    for (const THistoryEntry& entry : entries)
        push_back(entry);
}

void THistoryEntries::clear() {
    m_bytes.clear();
    m_records.clear();
    m_bytes.shrink_to_fit();
    m_records.shrink_to_fit();
}

void THistoryEntries::reserve(std::size_t records, std::size_t bytes) {
    m_records.reserve(records);
    m_bytes.reserve(bytes);
}

void THistoryEntries::AppendBytes(std::string_view time, std::string_view mark, std::string_view name,
                                  std::string_view location) {
    // Split at the first "*", as reading a record does; a byte of a double-byte character is never one.
    const auto star = location.find('*');
    const std::string_view dest = star == std::string_view::npos ? location : location.substr(0, star);
    const std::string_view source =
        star == std::string_view::npos ? std::string_view() : location.substr(star + 1);
    AppendParts(time, mark, name, dest, source);
}

void THistoryEntries::AppendParts(std::string_view time, std::string_view mark, std::string_view name,
                                  std::string_view dest, std::string_view source) {
    Record record;
    record.at = m_bytes.size();
    const std::string_view parts[5] = {time, mark, name, dest, source};
    for (std::size_t i = 0; i < 5; ++i) {
        record.length[i] = static_cast<std::uint32_t>(parts[i].size());
        m_bytes.append(parts[i]);
    }
    m_records.push_back(record);
}

void THistoryEntries::push_back(const THistoryEntry& entry) {
    AppendParts(Encoded(entry.EntryTime), Encoded(entry.EntryMark), Encoded(entry.EntryName),
                Encoded(entry.EntryDest), Encoded(entry.EntrySource));
}

void THistoryEntries::resize(std::size_t n, const THistoryEntry& value) {
    if (n <= size()) {
        m_records.resize(n);
        return;
    }
    while (size() < n)
        push_back(value);
}

void THistoryEntries::Set(std::size_t i, const THistoryEntry& entry) {
    push_back(entry);
    m_records[i] = m_records.back();
    m_records.pop_back();
    Compact();
}

std::string_view THistoryEntries::Bytes(std::size_t i, HistoryField field) const {
    const Record& record = m_records[i];
    std::uint64_t at = record.at;
    const auto index = static_cast<std::size_t>(field);
    for (std::size_t k = 0; k < index; ++k)
        at += record.length[k];
    return std::string_view(m_bytes).substr(at, record.length[index]);
}

std::string THistoryEntries::Text(std::size_t i, HistoryField field) const {
    const std::string_view bytes = Bytes(i, field);
    return PlainAscii(bytes) ? std::string(bytes) : Cp932ToUtf8(bytes);
}

bool THistoryEntries::IsFolder(std::size_t i) const {
    static const std::string folder = Utf8ToCp932Lossy(kActionMarks[kMarkFolder]);
    return Bytes(i, HistoryField::Mark) == folder;
}

THistoryEntry THistoryEntries::operator[](std::size_t i) const {
    THistoryEntry entry;
    entry.EntryTime = Text(i, HistoryField::Time);
    entry.EntryMark = Text(i, HistoryField::Mark);
    entry.EntryName = Text(i, HistoryField::Name);
    entry.EntryDest = Text(i, HistoryField::Dest);
    entry.EntrySource = Text(i, HistoryField::Source);
    return entry;
}

void THistoryEntries::Reorder(const std::vector<std::size_t>& order) {
    std::vector<Record> records;
    records.reserve(order.size());
    for (const std::size_t i : order)
        records.push_back(m_records[i]);
    m_records = std::move(records);
}

void THistoryEntries::EraseSorted(const std::vector<std::size_t>& rows) {
    std::size_t next = 0;
    std::size_t out = 0;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (next < rows.size() && rows[next] == i) {
            ++next;
            continue;
        }
        m_records[out++] = m_records[i];
    }
    m_records.resize(out);
    Compact();
}

void THistoryEntries::Compact() {
    // Bytes no record uses any more are given back once they are most of the block.
    std::uint64_t used = 0;
    for (const Record& record : m_records) {
        for (const std::uint32_t length : record.length)
            used += length;
    }
    if (used * 2 >= m_bytes.size())
        return;
    std::string bytes;
    bytes.reserve(used);
    for (Record& record : m_records) {
        std::uint64_t length = 0;
        for (const std::uint32_t part : record.length)
            length += part;
        const std::uint64_t at = bytes.size();
        bytes.append(m_bytes, record.at, length);
        record.at = at;
    }
    m_bytes = std::move(bytes);
}

namespace {

// The file lost lines between the count and the read: another program rewrote it meanwhile.
std::string ChangedWhileRead(const std::string& path) {
    return "[" + ToNativePath(path) + "] を読み込めませんでした（読み込んでいる間に変更されました）。";
}

} // namespace

HistoryLoadResult LoadHistory(std::string_view folder, THistoryList& list, long long limit) {
    HistoryLoadResult result;
    const std::string path = JoinPath(folder, kHistoryFileName);
    LineReader counter;
    const ReadState state = counter.Open(path);
    if (state == ReadState::Missing) {
        list.entries.clear();
        list.otherCodes = false;
        result.state = HistoryLoadState::Missing;
        return result;
    }
    if (state == ReadState::Failed) {
        result.error = FileErrorText(*counter.error());
        return result;
    }
    // The lines are counted first: the same count means the same list, and nothing more is read.
    std::size_t lines = 0;
    std::size_t bytes = 0;
    for (;;) {
        if (const std::string_view run = counter.NextRun(); !run.empty()) {
            lines += static_cast<std::size_t>(std::count(run.begin(), run.end(), '\n'));
            bytes += run.size();
            continue;
        }
        const auto line = counter.Next();
        if (!line)
            break;
        ++lines;
        bytes += line->size() + 2;
    }
    if (counter.error()) {
        result.error = FileErrorText(*counter.error());
        return result;
    }
    if (lines == 4 * list.entries.size()) {
        result.state = HistoryLoadState::Unchanged;
        return result;
    }
    LineReader reader;
    if (reader.Open(path) != ReadState::Ok) {
        result.error = reader.error() ? FileErrorText(*reader.error()) : ChangedWhileRead(path);
        return result;
    }
    THistoryEntries entries;
    const std::size_t records = static_cast<std::size_t>(
        std::min<long long>(limit < 0 ? 0 : limit, static_cast<long long>(lines / 4)));
    entries.reserve(records, bytes);
    bool otherCodes = false;
    std::string record[4];
    std::string scratch;
    for (std::size_t k = 0; k < records; ++k) {
        std::string_view parts[4];
        for (int i = 0; i < 4; ++i) {
            const auto line = reader.Next();
            if (!line) {
                result.error = reader.error() ? FileErrorText(*reader.error()) : ChangedWhileRead(path);
                return result;
            }
            // The line lives until the next read: it is kept in its own buffer meanwhile.
            record[i].assign(Canonical(*line, scratch, otherCodes));
            parts[i] = record[i];
        }
        entries.AppendBytes(parts[0], parts[1], parts[2], parts[3]);
    }
    list.entries = std::move(entries);
    list.otherCodes = otherCodes;
    result.state = HistoryLoadState::Refreshed;
    return result;
}

namespace {

// The bytes of the list as History.dat holds them, handed over a record at a time.
template <typename Sink> void WriteHistoryBytes(const THistoryEntries& entries, Sink&& sink) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        sink(entries.Bytes(i, HistoryField::Time));
        sink("\r\n");
        sink(entries.Bytes(i, HistoryField::Mark));
        sink("\r\n");
        sink(entries.Bytes(i, HistoryField::Name));
        sink("\r\n");
        sink(entries.Bytes(i, HistoryField::Dest));
        sink("*");
        sink(entries.Bytes(i, HistoryField::Source));
        sink("\r\n");
    }
}

} // namespace

std::string HistoryFileBytes(const THistoryList& list) {
    std::string bytes;
    WriteHistoryBytes(list.entries, [&](std::string_view part) { bytes += part; });
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
    // Streamed from the list's own bytes: a long history is not copied once more in memory.
    Status written =
        WriteWithReadOnlyRetry(folder, iniFileName, "履歴ファイルに書き込みできません。", box, [&] {
            AtomicFileWriter writer;
            if (FileStatus begun = writer.Begin(path); !begun)
                return FailureStatus(begun);
            WriteHistoryBytes(list.entries, [&](std::string_view part) { writer.Append(part); });
            return FailureStatus(writer.Commit());
        });
    if (written)
        list.otherCodes = false;
    return written;
}

} // namespace sv
