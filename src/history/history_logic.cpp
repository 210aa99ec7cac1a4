// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/history_logic.h"

#include "platform/cp932.h"
#include "platform/file_attributes.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/text.h"
#include "store/byte_size.h"
#include "store/record_text.h"

#include <algorithm>
#include <numeric>

namespace sv {
namespace {

// ASCII letters upper-cased as characters, each text on its own: the trail byte of a double-byte
// character is left as it is, even where it looks like a letter.
std::string UpperAsciiLetters(std::string bytes,
                              const std::vector<std::pair<std::size_t, std::size_t>>& spans) {
    for (const auto& [at, length] : spans) {
        const std::size_t end = at + length;
        for (std::size_t i = at; i < end; ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
                ++i;
                continue;
            }
            if (b >= 'a' && b <= 'z')
                bytes[i] = static_cast<char>(b - 'a' + 'A');
        }
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

HistoryField HistoryColumnField(int column) {
    switch (column) {
    case 1:
        return HistoryField::Mark;
    case 2:
        return HistoryField::Source;
    case 3:
        return HistoryField::Dest;
    case 4:
        return HistoryField::Time;
    default:
        return HistoryField::Name;
    }
}

void SortHistory(THistoryList& list, THistorySort& sort, int column) {
    column = std::clamp(column, 0, kHistoryColumns - 1);
    sort.column = column;
    const bool flag = sort.flags[static_cast<std::size_t>(column)];
    const bool ascending = column == 0 ? !flag : flag;
    const HistoryField field = HistoryColumnField(column);
    const THistoryEntries& entries = list.entries;
    // The list holds the bytes writing gives: the keys are those, made once into one block.
    std::string keys;
    keys.reserve(entries.size() * 32);
    std::vector<std::pair<std::size_t, std::size_t>> spans(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string_view bytes = entries.Bytes(i, field);
        spans[i] = {keys.size(), bytes.size()};
        keys += bytes;
    }
    keys = UpperAsciiLetters(std::move(keys), spans);
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Byte order of unsigned bytes, as the code page's order is (memcmp compares so).
    const auto key = [&](std::size_t i) {
        return std::string_view(keys).substr(spans[i].first, spans[i].second);
    };
    if (ascending)
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return key(b) < key(a); });
    list.entries.Reorder(order);
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
    list.entries.EraseSorted(rows);
}

int DeleteHistoryFiles(FileSystem& files, const THistoryList& list, const std::vector<std::size_t>& rows,
                       bool dustBox) {
    int deleted = 0;
    for (const std::size_t row : rows) {
        if (row >= list.entries.size())
            continue;
        const std::string path = HistoryItemPath(list.entries[row]);
        // A folder entry, or a file gone meanwhile, is passed over.
        if (!files.FileExists(path))
            continue;
        if ((dustBox ? files.MoveToRecycleBin(path) : files.DeletePermanently(path)).ok())
            ++deleted;
    }
    return deleted;
}

MoveBackResult MoveHistoryItemBack(FileSystem& files, const THistoryEntry& entry, std::string_view mainSource,
                                   bool fileUsing, TransferProgress* progress) {
    std::string folder = HistorySourceFolder(entry);
    if (folder.empty())
        folder = std::string(mainSource);
    return MoveItemBack(files, HistoryItemPath(entry), folder, UnescapeRecordText(entry.EntryName), fileUsing,
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
        if (AsciiUpper(UnescapeRecordText(list.entries.Text(i, HistoryField::Name))) == wanted)
            return i;
    }
    return std::nullopt;
}

} // namespace sv
