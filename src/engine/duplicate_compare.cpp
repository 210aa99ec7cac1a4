// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/duplicate_compare.h"

#include "engine/calc_md5.h"
#include "engine/worker.h"
#include "platform/dir_reader.h"
#include "platform/file_attributes.h"
#include "platform/file_identity.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/same_content.h"

#include <optional>

namespace sv {
namespace {

enum class Confirmed { Equal, Different, Cancelled };

// The byte-for-byte check of a digest match, on a worker like the digest itself: a gigabyte
// takes a while, and the window stays alive and cancellable meanwhile.
Confirmed ConfirmSameBytes(RunUi& ui, std::string_view sourcePath, std::string_view matchPath,
                           std::uint64_t size) {
    Worker worker([a = std::string(sourcePath), b = std::string(matchPath), size](TWorkerSignals& signals) {
        const ContentMatch match = CompareContents(a, b, [&signals, size](std::uint64_t done) {
            signals.progress.store(static_cast<int>(done * 100 / (size != 0 ? size : 1)));
            return !signals.terminate.load(std::memory_order_relaxed);
        });
        return std::string(match == ContentMatch::Equal ? "equal" : "different");
    });
    ui.SetStatus("振り分け先ファイル 内容照合中： " + ToNativePath(matchPath));
    if (!WaitWithEvents(ui, worker))
        return Confirmed::Cancelled;
    return worker.Result() == "equal" ? Confirmed::Equal : Confirmed::Different;
}

// The destination folder's files of the given size, other than the source itself, one at a time.
class Candidates final {
public:
    Candidates(std::string_view folder, std::string_view sourcePath, std::uint64_t size)
        : m_folder(folder), m_source(sourcePath), m_size(size) {
        EnumOptions options; // hidden files count too
        m_open = m_reader.Open(folder, options).ok();
    }
    std::optional<std::string> Next() {
        while (m_open) {
            const auto entry = m_reader.Next();
            if (!entry)
                break;
            if (entry->isFolder || entry->backslashName)
                continue;
            std::string path = JoinPath(m_folder, entry->name);
            const auto size = EntrySize(path);
            if (size && *size == m_size && !FolderExists(path) && !IsSameItem(m_source, path))
                return path;
        }
        return std::nullopt;
    }

private:
    std::string m_folder;
    std::string m_source;
    std::uint64_t m_size;
    DirReader m_reader;
    bool m_open = false;
};

} // namespace

void THashCache::Clear() {
    m_paths.clear();
    m_size = 0;
}

bool THashCache::Add(std::string digest, std::string pathText) {
    if (m_size >= m_capacity)
        return false;
    m_paths[std::move(digest)].push_back(std::move(pathText));
    ++m_size;
    return true;
}

const std::vector<std::string>& THashCache::PathsOf(const std::string& digest) const {
    static const std::vector<std::string> kNone;
    const auto found = m_paths.find(digest);
    return found == m_paths.end() ? kNone : found->second;
}

TCompareOutcome CompareWithDestination(RunUi& ui, const DigestLibrary& library, THashCache& cache,
                                       std::string_view sourcePath, std::string_view destFolder) {
    const auto size = FileExists(sourcePath) ? EntrySize(sourcePath) : std::nullopt;
    if (!size)
        return {CompareResult::Failed, {}};

    ui.SetStatus(kStatusCheckingDestination);
    if (!Candidates(destFolder, sourcePath, *size).Next())
        return {CompareResult::NotIdentical, {}};

    const std::string digest = HashFile(ui, library, sourcePath, HashedFile::Source);
    if (digest == kHashPending)
        return {CompareResult::Cancelled, {}};
    if (digest == kHashFailed)
        return {CompareResult::Failed, {}};

    // A file with this content met earlier in the condition's turn, in any of its folders.
    for (const std::string& path : std::vector<std::string>(cache.PathsOf(digest))) {
        if (path == sourcePath || IsSameItem(sourcePath, path))
            continue;
        switch (ConfirmSameBytes(ui, sourcePath, path, *size)) {
        case Confirmed::Equal:
            return {CompareResult::Identical, path};
        case Confirmed::Cancelled:
            return {CompareResult::Cancelled, {}};
        case Confirmed::Different:
            break;
        }
    }

    Candidates candidates(destFolder, sourcePath, *size);
    while (const auto path = candidates.Next()) {
        const std::string other = HashFile(ui, library, *path, HashedFile::Destination);
        if (other == kHashPending)
            return {CompareResult::Cancelled, {}};
        (void)cache.Add(other, *path);
        if (other != digest)
            continue;
        switch (ConfirmSameBytes(ui, sourcePath, *path, *size)) {
        case Confirmed::Equal:
            return {CompareResult::Identical, *path};
        case Confirmed::Cancelled:
            return {CompareResult::Cancelled, {}};
        case Confirmed::Different:
            break;
        }
    }
    return {CompareResult::NotIdentical, {}};
}

} // namespace sv
