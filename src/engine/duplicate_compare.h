// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_ui.h"
#include "platform/digest_library.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sv {

// Digests of destination files computed during one condition's turn, each with the path of the
// file it came from, so that a hit can be confirmed byte for byte like any other match.
class THashCache final {
public:
    static constexpr std::size_t kCapacity = 100000;

    explicit THashCache(std::size_t capacity = kCapacity) : m_capacity(capacity) {}
    void Clear();
    // A full cache takes nothing more for the rest of the turn: the files are hashed again when
    // they are met again, which costs time but never a wrong answer. False when it was full.
    bool Add(std::string digest, std::string pathText);
    // The files with this digest, in the order they were added.
    const std::vector<std::string>& PathsOf(const std::string& digest) const;
    std::size_t Size() const { return m_size; }

private:
    std::size_t m_capacity;
    std::size_t m_size = 0;
    std::unordered_map<std::string, std::vector<std::string>> m_paths;
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

// Whether the destination folder already holds a file with the source's content. Only files of
// the source's size are hashed; a digest match, from the cache or from a fresh digest, counts
// only once the bytes of both files are equal, since digests can be made to collide on purpose.
// A destination file that is the source itself under another name is never its duplicate.
TCompareOutcome CompareWithDestination(RunUi& ui, const DigestLibrary& library, THashCache& cache,
                                       std::string_view sourcePath, std::string_view destFolder);

} // namespace sv
