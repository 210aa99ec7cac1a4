// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clock.h"
#include "platform/messagebox.h"
#include "platform/result.h"
#include "store/kept_aside.h"
#include "store/run_items.h"
#include "store/run_journal.h"
#include "store/settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

inline constexpr std::string_view kHistoryFileName = "History.dat";

// The action marks, indexed by what the run passes.
inline constexpr int kMarkPlain = 0;      // moved or copied as it was
inline constexpr int kMarkNewer = 1;      // name clash, the newer file was kept
inline constexpr int kMarkOlder = 2;      // name clash, the older file was kept
inline constexpr int kMarkRenamed = 3;    // sorted under a changed name
inline constexpr int kMarkDeleted = 4;    // deleted instead of sorted
inline constexpr int kMarkExtChanged = 5; // extension changed by a rule
inline constexpr int kMarkFolder = 6;     // a folder
inline constexpr std::array<std::string_view, 7> kActionMarks = {
    "  ", "\u3000新", "\u3000古", "\u3000変", "\u3000消", " 拡変", "\u3000Ｆ"};

// The mark text of an index; "  " for an index out of range.
std::string_view ActionMark(int index);

// One sorted item; UTF-8 texts, kept as they were written, never parsed. Names and folders are
// record texts: what code page 932 cannot hold exactly is escaped (record_text.h), so that every
// record leads back to exactly the sorted item; HistoryItemPath gives that item.
struct THistoryEntry final {
    std::string EntryTime;   // "yy/mm/dd hh:nn:ss"
    std::string EntryMark;   // one of kActionMarks
    std::string EntryName;   // the item's name without folder
    std::string EntryDest;   // the destination folder without trailing "\", or "削除" / "ごみ箱"
    std::string EntrySource; // the folder it came from; may be empty

    // The window treats an entry as a folder exactly by its mark.
    bool IsFolder() const { return EntryMark == kActionMarks[kMarkFolder]; }
    bool operator==(const THistoryEntry&) const = default;
};

// The sorted item as a path text (destination folder + "\" + name, escapes turned back), and the
// folder it came from. Callers check that the item exists before they act on it.
std::string HistoryItemPath(const THistoryEntry& entry);
std::string HistorySourceFolder(const THistoryEntry& entry);

// Entries a run may record and entries a load reads: HistMax x 100 with HistDel on, else
// 1,000,000,000.
long long HistoryLimit(const TAppSettings& settings);

// "yy/mm/dd hh:nn:ss", every part two digits.
std::string FormatEntryTime(const LocalDateTime& time);

// The four lines of a record, and back. The location line is dest + "*" + source; reading splits
// it at its first "*", a line without one is the destination alone.
std::array<std::string, 4> HistoryRecordLines(const THistoryEntry& entry);
THistoryEntry HistoryEntryFromLines(std::string_view time, std::string_view mark, std::string_view name,
                                    std::string_view location);

// The history lines one run has recorded and not yet saved (UTF-8, four per entry, in recording
// order), and how many entries this run recorded. A run starts with an empty one.
struct TPendingHistory final {
    std::vector<std::string> lines;
    long long recorded = 0;
    // Beside each record: what became of its item.
    std::vector<TRunItem> items;
    // The folders the run created, in creation order.
    std::vector<TCreatedFolder> createdFolders;
    // Where each record also goes the moment it is made, when a run keeps a journal.
    TRunJournal* journal = nullptr;
    // An intent was journaled and neither its record nor its end followed yet.
    bool intentOpen = false;

    bool Empty() const { return lines.empty(); }
    void Clear();
};

// The four lines RecordHistory makes of an item, with the time given.
std::array<std::string, 4> RunRecordLines(std::string_view time, std::string_view destFolder,
                                          std::string_view name, std::string_view sourceFolder,
                                          int markIndex);

// The history half of recording a processed item: nothing when the run has reached the history
// limit (or HistDel is on with HistMax 0) or the condition has HistoryOff set; otherwise appends
// the four lines with the time from Now() and one trailing "\" removed from `destFolder`. The
// name and the folders are native texts; they are stored as record texts. The item, with what
// the sorted item is now (its stamp, which the caller reads from the run's file system), is kept
// beside the record. Returns whether an entry was recorded.
bool RecordHistory(TPendingHistory& pending, std::string_view destFolder, std::string_view name,
                   std::string_view sourceFolder, int markIndex, bool historyOff,
                   const TAppSettings& settings, const TRunItem& item = {});

// The lines of History.dat bytes, split at CR LF, LF or a lone CR; empty lines are dropped.
std::vector<std::string_view> NonEmptyLines(std::string_view bytes);

// A folder the run created, for taking the run back; also journaled at once.
void NoteCreatedFolder(TPendingHistory& pending, TCreatedFolder folder);

// Puts the pending lines in front of `folder`\History.dat (created when missing), drops empty
// lines and replaces the file atomically. Code page 932, CR LF after every line. Nothing happens for an empty
// pending history. The caller ignores a failure (the run's entries are then lost) but the reason is returned.
Status PrependRunHistory(std::string_view folder, const TPendingHistory& pending);

// The shape of a record's first two lines as a run writes them: the time "yy/mm/dd hh:nn:ss", and
// one of the action marks (code page 932 bytes).
bool LooksLikeEntryTime(std::string_view line);
bool IsActionMarkLine(std::string_view cp932Line);

// Why a History.dat of these bytes would not be written back whole by the history window (a
// trailing record of fewer than four lines); empty when it would.
std::string HistoryFileDamage(std::string_view bytes);

// Copies History.dat aside when HistoryFileDamage finds it damaged; call it before the first
// rewrite.
TKeptAside KeepDamagedHistoryAside(std::string_view folder);

// The parts of a record as THistoryEntries keeps them.
enum class HistoryField { Time = 0, Mark = 1, Name = 2, Dest = 3, Source = 4 };

// The records of a history list, held as the code page 932 bytes History.dat gives back when it
// is written (one block for all, a small index per record): a million records fit in about a
// third of the memory they take as entries of texts, and sorting and writing use the bytes as
// they are. Entries go in and out as UTF-8 THistoryEntry values; a text the code page cannot hold
// is kept as "?", as writing would give it.
class THistoryEntries final {
public:
    THistoryEntries() = default;
    THistoryEntries(std::initializer_list<THistoryEntry> entries);

    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    THistoryEntry operator[](std::size_t i) const;
    THistoryEntry front() const { return (*this)[0]; }
    THistoryEntry back() const { return (*this)[size() - 1]; }
    void push_back(const THistoryEntry& entry);
    void pop_back() { m_records.pop_back(); }
    void clear();
    void resize(std::size_t n, const THistoryEntry& value = {});
    void Set(std::size_t i, const THistoryEntry& entry);
    void reserve(std::size_t records, std::size_t bytes);

    // One record from the bytes of its four lines, taken as they are.
    void AppendBytes(std::string_view time, std::string_view mark, std::string_view name,
                     std::string_view location);
    std::string_view Bytes(std::size_t i, HistoryField field) const;
    // A part of a record as UTF-8 record text.
    std::string Text(std::size_t i, HistoryField field) const;
    bool IsFolder(std::size_t i) const;

    // Puts the records in the order given (old positions, each once).
    void Reorder(const std::vector<std::size_t>& order);
    // Removes the records at these positions (ascending, each once).
    void EraseSorted(const std::vector<std::size_t>& rows);

    class const_iterator final {
    public:
        using value_type = THistoryEntry;
        using difference_type = std::ptrdiff_t;
        const_iterator(const THistoryEntries* list, std::size_t at) : m_list(list), m_at(at) {}
        THistoryEntry operator*() const { return (*m_list)[m_at]; }
        const_iterator& operator++() {
            ++m_at;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_at == other.m_at; }

    private:
        const THistoryEntries* m_list;
        std::size_t m_at;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    struct Record final {
        std::uint64_t at = 0;
        std::array<std::uint32_t, 5> length{};
    };
    void AppendParts(std::string_view time, std::string_view mark, std::string_view name,
                     std::string_view dest, std::string_view source);
    void Compact();

    std::string m_bytes;
    std::vector<Record> m_records;
};

// What the history window shows: the records in display order.
struct THistoryList final {
    THistoryEntries entries;
    // A record was read from bytes that writing gives back in another form (a character in another
    // of its codes): the file is copied aside before the list first replaces it.
    bool otherCodes = false;

    std::size_t Size() const { return entries.size(); }
};

enum class HistoryLoadState {
    Missing,   // no History.dat: the list was emptied
    Unchanged, // the line count matches the list: taken as unchanged, the list was left alone
    Refreshed, // the list was refilled from the file
    Failed,    // the file could not be read: the list was left alone, see error
};

struct HistoryLoadResult final {
    HistoryLoadState state = HistoryLoadState::Failed;
    std::string error;
};

// Fills `list` from `folder`\History.dat: empty lines dropped, records of four lines taken from
// the front while fewer than `limit` are read, a trailing partial record ignored. When the file
// holds exactly four lines per list entry the list is left as it is. Entry k is overwritten in
// place; list entries beyond the last record read are dropped, so that the next save cannot
// write back records that are no longer in the file.
HistoryLoadResult LoadHistory(std::string_view folder, THistoryList& list, long long limit);

// The bytes SaveHistory writes for `list` (code page 932, CR LF, "?" for what it cannot hold).
std::string HistoryFileBytes(const THistoryList& list);

// Rewrites `folder`\History.dat from the list, atomically. When that fails, asks whether to clear
// the read-only marks of the three data files (`iniFileName`, Condition.txt, History.dat) and try
// again, for as long as it fails and the answer is Yes. Returns the last failure after a No.
// A list read from bytes in other codes first has the file copied aside (the user is told in
// `box`; when the copy fails nothing is written); once written, the list no longer is one.
Status SaveHistory(std::string_view folder, std::string_view iniFileName, THistoryList& list,
                   MessageBox& box);

} // namespace sv
