// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_identity.h"
#include "platform/file_system.h"
#include "platform/folder_watch.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sv {

// What the compare keeps beside a destination file while its stamp stays: its digest, found once
// in the run's digests, and the condition's turn that last noted it.
struct TCandidateMemo final {
    const std::string* digest = nullptr;
    std::uint64_t notedInTurn = 0;
};

// A destination file of the size looked for, with what its bytes are known by. The name and the
// memo are valid until the next look.
struct TSameSizeFile final {
    std::string_view name;
    ContentStamp stamp;
    TCandidateMemo* memo = nullptr;
};

// The files of the destination folders a run compares with, by size. A folder is read once and
// then kept up to date from the kernel's change notifications, which name every entry added,
// removed, written or touched: only those are examined again, so comparing N sources with a
// folder costs N lookups instead of N walks over it. A folder that cannot be watched (a network
// file system) or the folders of a file system that keeps its changes in memory (a test run's)
// are read afresh every time.
class TDestinationFiles final {
public:
    TDestinationFiles();
    ~TDestinationFiles();
    TDestinationFiles(const TDestinationFiles&) = delete;
    TDestinationFiles& operator=(const TDestinationFiles&) = delete;

    // The regular files of `size` in the folder of `files` (hidden ones too; links followed), in the
    // order the folder was read and then of arrival, other than the file `source` itself under any
    // name. The names are valid until the next call; every call of one object names one `files`.
    std::vector<TSameSizeFile> FilesOfSize(FileSystem& files, std::string_view folderPathText,
                                           std::uint64_t size, const FileIdentity& source);

    // How many entries were examined (for tests: a kept listing examines only what changed).
    std::uint64_t Examined() const { return m_examined; }

private:
    struct Entry final {
        std::string name;
        bool link = false; // a link's target can change unseen: examined every time
        bool file = false; // a regular file (after following a link); `stamp` is valid
        ContentStamp stamp;
        TCandidateMemo memo; // emptied whenever the stamp changes
    };
    struct Listing final {
        int token = -1;
        std::vector<Entry> entries;
        std::unordered_map<std::string, std::uint32_t> byName;
        std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> bySize;
        std::vector<std::uint32_t> links;
        std::vector<std::string> changed; // named by notifications, examined at the next look
    };

    void TakeNotifications();
    bool Read(FileSystem& files, const std::string& folder, Listing& listing);
    void Examine(FileSystem& files, const std::string& folder, Listing& listing, std::uint32_t index);
    void Note(Listing& listing, std::string_view name);

    FolderWatch m_watch;
    std::unordered_map<std::string, Listing> m_listings;
    Listing m_once; // a folder read afresh
    std::uint64_t m_examined = 0;
};

} // namespace sv
