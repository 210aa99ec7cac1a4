// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/destination_files.h"
#include "engine/run_ui.h"
#include "platform/digest_library.h"
#include "platform/file_identity.h"
#include "platform/file_system.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sv {

struct ContentStampHash final {
    std::size_t operator()(const ContentStamp& stamp) const;
};

// What the compare keeps during a run. The digests of destination files met during one
// condition's turn, each with the path of the file it came from, so that a hit can be confirmed
// byte for byte like any other match (Clear empties them at every turn). And for the whole run:
// every digest computed, by what the file's bytes are known by (device, inode, size and
// modification time), so that no file is hashed twice while it stays as it was; and the
// destination folders' files by size.
class THashCache final {
public:
    static constexpr std::size_t kCapacity = 100000;

    explicit THashCache(std::size_t capacity = kCapacity) : m_capacity(capacity) {}
    void Clear();
    // A full cache takes nothing more for the rest of the turn: the files are hashed again when
    // they are met again, which costs time but never a wrong answer. False when it was full.
    // A file already noted under the digest is not noted twice.
    bool Add(std::string digest, std::string pathText);
    // The files with this digest, in the order they were added.
    const std::vector<std::string>& PathsOf(const std::string& digest) const;
    std::size_t Size() const { return m_size; }

    // The condition's turn under way, for the notes kept beside destination files.
    std::uint64_t Turn() const { return m_turn; }

    // The run's digests by content stamp.
    const std::string* DigestOf(const ContentStamp& stamp) const;
    void KeepDigest(const ContentStamp& stamp, std::string digest);
    TDestinationFiles& Destinations() { return m_destinations; }

private:
    std::size_t m_capacity;
    std::size_t m_size = 0;
    std::unordered_map<std::string, std::vector<std::string>> m_paths;
    std::unordered_map<ContentStamp, std::string, ContentStampHash> m_digests;
    std::uint64_t m_turn = 1;
    TDestinationFiles m_destinations;
};

enum class CompareResult {
    Identical = 0,    // a destination file has the source's bytes
    NotIdentical = 1, // none has
    Cancelled = 2,
    Failed = 3, // the source is missing or its digest failed
};

struct TCompareOutcome final {
    CompareResult result = CompareResult::NotIdentical;
    std::string matchPath; // the destination file with the source's bytes (Identical only)
};

inline constexpr std::string_view kStatusCheckingDestination =
    "振り分け先フォルダ内容チェック中。しばらくお待ちください...";

// How many threads hash at once: a few, so that the GUI thread keeps a core while they work.
std::size_t DigestWorkers();

// Whether the destination folder already holds a file with the source's content, as `files` shows
// them (its workers read through it too). Only files of
// the source's size are hashed, each at most once while it stays as it was, on a few threads
// that work ahead while the GUI thread waits, in order, for the digest it needs next; a digest
// match, from the cache or from a fresh digest, counts only once the bytes of both files are
// equal, since digests can be made to collide on purpose. A destination file that is the source
// itself under another name is never its duplicate.
TCompareOutcome CompareWithDestination(RunUi& ui, const DigestLibrary& library, FileSystem& files,
                                       THashCache& cache, std::string_view sourcePath,
                                       std::string_view destFolder);

} // namespace sv
