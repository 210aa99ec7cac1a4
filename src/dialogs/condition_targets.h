// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/folder_cache.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "store/condition.h"
#include "store/settings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sv {

// The rows the editor's list shows at most; the count line counts them all.
inline constexpr std::size_t kTargetRowsShown = 1000;

// One entry the condition would take.
struct TTargetRow final {
    std::string name;
    std::string folder; // path text of its source folder
    std::uint64_t size = 0;
    bool isFolder = false;
    bool suspicious = false; // it would go to the suspicious-file folder

    bool operator==(const TTargetRow&) const = default;
};

struct TTargetList final {
    int count = 0;
    std::vector<TTargetRow> rows; // the first kTargetRowsShown, in the order a run meets them
    // "N 個のファイル（フォルダ）が振り分け対象です", or why nothing can be listed, followed by
    // what could not be read.
    std::string countLine;
};

// Where a condition's entries come from: its own folder, or the main window's folders (all of its
// list when every source folder is run, else the one in its box).
struct TTargetSource final {
    bool ownSource = false;
    std::string sourceFolder; // path text
    bool subFolders = false;
    std::vector<std::string> mainFolders;

    bool operator==(const TTargetSource&) const = default;
};

TTargetSource TargetSourceOf(const TConditionFields& fields, const std::vector<std::string>& mainFolders);

// What a condition would take if it ran now on its own: the folders are read once per source, the
// run's own tests are made again for every change of the condition. Nothing on disk is changed.
class TargetListing final {
public:
    // A source typed as "/" with its subfolders would have the whole disk read while the user is
    // still typing: the reading stops at these counts and the count line says so.
    static constexpr std::size_t kMaxFolders = 2000;
    static constexpr std::size_t kMaxEntries = 100000;

    explicit TargetListing(std::size_t maxFolders = kMaxFolders, std::size_t maxEntries = kMaxEntries)
        : m_maxFolders(maxFolders), m_maxEntries(maxEntries) {}
    // Reads the folders and asks after the entries through `files`.
    explicit TargetListing(FileSystem& files, std::size_t maxFolders = kMaxFolders,
                           std::size_t maxEntries = kMaxEntries)
        : m_files(&files), m_maxFolders(maxFolders), m_maxEntries(maxEntries) {}

    // Reads the entries of the source's folders unless they are the ones read last; returns whether
    // it read them.
    bool Read(const TTargetSource& source);
    // The run's tests with `settings`, the age limits counted back from `now`.
    TTargetList Match(const TSortCondition& condition, const TAppSettings& settings,
                      const LocalDateTime& now);

private:
    // What the tests asked of an entry once, kept for the next change of the condition.
    struct Facts final {
        bool sizeRead = false;
        bool timeRead = false;
        bool readableRead = false;
        std::optional<std::uint64_t> size;
        std::optional<FileTime> time;
        bool readable = false;
    };
    struct Folder final {
        std::string path;
        std::optional<FileIdentity> identity;
        FolderListing listing;
        std::vector<Facts> facts;
        std::string error; // why it could not be read, empty when it was
    };
    class CachedFacts;

    FileSystem* m_files = &Disk();
    std::size_t m_maxFolders;
    std::size_t m_maxEntries;
    std::optional<TTargetSource> m_source;
    std::vector<Folder> m_folders;
    bool m_cut = false; // the reading stopped at a count
};

} // namespace sv
