// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/keyword_index.h"
#include "platform/file_identity.h"
#include "platform/folder_watch.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace sv {

// The entries of one folder as the run last enumerated it, in enumeration order, with each name
// folded once per folding combination and the index of which keywords occur in which name.
struct FolderListing final {
    struct Entry final {
        std::string name;
        bool isFolder = false;
        bool live = true; // false once it left the folder
        std::uint8_t foldedKeys = 0;
        std::array<std::string, KeywordIndex::kFoldKeys> folded;
    };

    FileIdentity identity;
    int token = -1;
    bool complete = false; // the enumeration went to the end
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::uint32_t> byName;
    // Per folding combination, once asked: the entries holding each pattern, in entry order.
    std::array<std::vector<std::vector<std::uint32_t>>, KeywordIndex::kFoldKeys> postings;
    std::uint8_t indexedKeys = 0;

    void Add(std::string_view name, bool isFolder);
    std::string_view Folded(std::uint32_t entry, const FoldFlags& fold);
    // The entries the condition can match, in enumeration order (dead ones included).
    std::vector<std::uint32_t> Candidates(const KeywordIndex& index, std::size_t condition,
                                          const FoldFlags& fold);
};

// What the run knows of the folders it enumerated. A listing is handed out again only while the
// change notifications prove that nothing but removals happened to the folder since it was read:
// a fresh enumeration of it would give the same entries in the same order, less the removed ones.
// Anything else (an entry added, by whomever, the folder moved, notifications lost) means a fresh
// enumeration.
class FolderCache final {
public:
    // The complete listing of the folder, or null when it must be enumerated again.
    FolderListing* Find(const std::string& folderPathText, const FileIdentity& identity);
    // A new listing to fill during an enumeration that starts right after this call; null when
    // the folder cannot be watched.
    FolderListing* Start(const std::string& folderPathText, const FileIdentity& identity);
    void Drop(const std::string& folderPathText);

private:
    void TakeNotifications();

    FolderWatch m_watch;
    std::unordered_map<std::string, std::unique_ptr<FolderListing>> m_listings;
};

} // namespace sv
