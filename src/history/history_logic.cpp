// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/history_logic.h"

#include "platform/cp932.h"
#include "platform/file_attributes.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/removal.h"
#include "platform/text.h"
#include "platform/trash.h"
#include "store/byte_size.h"
#include "store/record_text.h"

#include <algorithm>
#include <numeric>

namespace sv {
namespace {

// ASCII letters upper-cased as characters: the trail byte of a double-byte character is left as
// it is, even where it looks like a letter.
std::string UpperAsciiLetters(std::string bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            ++i;
            continue;
        }
        if (b >= 'a' && b <= 'z')
            bytes[i] = static_cast<char>(b - 'a' + 'A');
    }
    return bytes;
}

} // namespace

const std::string& HistoryColumnText(const THistoryEntry& entry, int column) {
    switch (column) {
    case 1:
        return entry.EntryMark;
    case 2:
        return entry.EntrySource;
    case 3:
        return entry.EntryDest;
    case 4:
        return entry.EntryTime;
    default:
        return entry.EntryName;
    }
}

void SortHistory(THistoryList& list, THistorySort& sort, int column) {
    column = std::clamp(column, 0, kHistoryColumns - 1);
    sort.column = column;
    const bool flag = sort.flags[static_cast<std::size_t>(column)];
    const bool ascending = column == 0 ? !flag : flag;
    // The keys are made once: a compare that encoded its texts would cost the sort its speed.
    std::vector<std::string> keys;
    keys.reserve(list.entries.size());
    for (const THistoryEntry& entry : list.entries)
        keys.push_back(UpperAsciiLetters(Utf8ToCp932Lossy(HistoryColumnText(entry, column))));
    std::vector<std::size_t> order(list.entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto bytes = [&](std::size_t i) { return std::string_view(keys[i]); };
    // Byte order of unsigned bytes, as the code page's order is.
    const auto less = [&](std::size_t a, std::size_t b) {
        const std::string_view x = bytes(a);
        const std::string_view y = bytes(b);
        return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [](char p, char q) {
            return static_cast<unsigned char>(p) < static_cast<unsigned char>(q);
        });
    };
    if (ascending)
        std::stable_sort(order.begin(), order.end(), less);
    else
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return less(b, a); });
    std::vector<THistoryEntry> sorted;
    sorted.reserve(order.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(list.entries[i]));
    list.entries = std::move(sorted);
    sort.flags[static_cast<std::size_t>(column)] = !flag;
}

THistoryMenuStates HistoryMenuStates(std::size_t selected, std::size_t entries) {
    THistoryMenuStates states;
    states.open = selected == 1;
    states.selection = selected > 0;
    states.list = entries > 0;
    return states;
}

bool HistoryItemMissing(const THistoryEntry& entry) {
    const std::string path = HistoryItemPath(entry);
    return entry.IsFolder() ? !FolderExists(path) : !FileExists(path);
}

std::string CleanupQuestion(std::size_t missing) {
    return std::to_string(missing) + (missing < 100 ? " 個の項目が整理されます。よろしいですか？"
                                                    : " 個もの項目が整理されます。本当によろしいですか？");
}

void EraseHistoryEntries(THistoryList& list, std::vector<std::size_t> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<THistoryEntry> kept;
    kept.reserve(list.entries.size() - std::min(rows.size(), list.entries.size()));
    std::size_t next = 0;
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        if (next < rows.size() && rows[next] == i) {
            ++next;
            continue;
        }
        kept.push_back(std::move(list.entries[i]));
    }
    list.entries = std::move(kept);
}

int DeleteHistoryFiles(const THistoryList& list, const std::vector<std::size_t>& rows, bool dustBox) {
    int deleted = 0;
    for (const std::size_t row : rows) {
        if (row >= list.entries.size())
            continue;
        const std::string path = HistoryItemPath(list.entries[row]);
        // A folder entry, or a file gone meanwhile, is passed over.
        if (!FileExists(path))
            continue;
        if ((dustBox ? MoveToRecycleBin(path) : DeletePermanently(path)).ok())
            ++deleted;
    }
    return deleted;
}

MoveBackResult MoveHistoryItemBack(const THistoryEntry& entry, std::string_view mainSource, bool fileUsing,
                                   TransferProgress* progress) {
    std::string folder = HistorySourceFolder(entry);
    if (folder.empty())
        folder = std::string(mainSource);
    return MoveItemBack(HistoryItemPath(entry), folder, UnescapeRecordText(entry.EntryName), fileUsing,
                        progress);
}

std::string HistoryCountText(std::size_t entries) {
    return std::to_string(entries) + " 個の項目";
}

THistoryStatus HistoryStatusForOne(const THistoryEntry& entry) {
    THistoryStatus status;
    const std::string path = HistoryItemPath(entry);
    if (FileExists(path)) {
        if (const auto time = LastWriteTime(path))
            status.panel0 = FormatEntryTime(ToLocal(*time));
        if (const auto size = EntrySize(path))
            status.panel1 = FormatByteSize(*size);
    } else if (entry.IsFolder()) {
        status.panel0 = FolderExists(path) ? "フォルダ" : "フォルダがありません";
    } else {
        status.panel0 = "ファイルがありません";
    }
    const std::string mount = MountPointOf(path);
    if (!mount.empty()) {
        if (const auto free = FreeSpace(FromNativePath(mount)))
            status.panel2 = "振り分け先ドライブ（" + mount + "） 空きディスク領域: " + FormatByteSize(*free);
    }
    return status;
}

THistoryStatus HistoryStatusForSeveral(const THistoryList& list, const std::vector<std::size_t>& rows) {
    THistoryStatus status;
    std::uint64_t total = 0;
    for (const std::size_t row : rows) {
        if (row >= list.entries.size())
            continue;
        const std::string path = HistoryItemPath(list.entries[row]);
        if (FileExists(path))
            total += EntrySize(path).value_or(0);
    }
    status.panel0 = std::to_string(rows.size()) + " 個の項目を選択";
    status.panel1 = FormatByteSize(total);
    return status;
}

std::optional<std::size_t> FindHistoryEntry(const THistoryList& list, std::string_view name,
                                            std::optional<std::size_t> after) {
    const std::size_t n = list.entries.size();
    if (n == 0 || name.empty())
        return std::nullopt;
    const std::string wanted = AsciiUpper(name);
    const std::size_t start = after ? (*after + 1) % n : 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = (start + k) % n;
        if (AsciiUpper(UnescapeRecordText(list.entries[i].EntryName)) == wanted)
            return i;
    }
    return std::nullopt;
}

} // namespace sv
