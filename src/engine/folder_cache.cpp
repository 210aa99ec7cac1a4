// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/folder_cache.h"

#include <algorithm>

namespace sv {

void FolderListing::Add(std::string_view name, bool isFolder) {
    byName[std::string(name)] = static_cast<std::uint32_t>(entries.size());
    entries.push_back(Entry{std::string(name), isFolder, true, 0, {}});
}

std::string_view FolderListing::Folded(std::uint32_t entry, const FoldFlags& fold) {
    Entry& e = entries[entry];
    if (!fold.Any())
        return e.name;
    const int key = KeywordIndex::FoldKey(fold);
    const auto bit = static_cast<std::uint8_t>(1u << key);
    if ((e.foldedKeys & bit) == 0) {
        FoldAppend(e.folded[static_cast<std::size_t>(key)], e.name, fold);
        e.foldedKeys |= bit;
    }
    return e.folded[static_cast<std::size_t>(key)];
}

std::vector<std::uint32_t> FolderListing::Candidates(const KeywordIndex& index, std::size_t condition,
                                                     const FoldFlags& fold) {
    const KeywordIndex::Plan& plan = index.PlanOf(condition);
    std::vector<std::uint32_t> out;
    if (plan.none)
        return out;
    if (plan.every) {
        out.resize(entries.size());
        for (std::uint32_t i = 0; i < out.size(); ++i)
            out[i] = i;
        return out;
    }
    const int key = KeywordIndex::FoldKey(fold);
    auto& lists = postings[static_cast<std::size_t>(key)];
    const auto bit = static_cast<std::uint8_t>(1u << key);
    if ((indexedKeys & bit) == 0) {
        lists.assign(index.PatternCount(key), {});
        std::vector<std::uint32_t> found;
        for (std::uint32_t i = 0; i < entries.size(); ++i) {
            found.clear();
            index.Scan(key, Folded(i, fold), found);
            for (const std::uint32_t pattern : found)
                lists[pattern].push_back(i);
        }
        indexedKeys |= bit;
    }
    if (!plan.anyOf)
        return lists[plan.patterns.front()];
    for (const std::uint32_t pattern : plan.patterns)
        out.insert(out.end(), lists[pattern].begin(), lists[pattern].end());
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

FolderListing* FolderCache::Find(const std::string& folderPathText, const FileIdentity& identity) {
    TakeNotifications();
    const auto found = m_listings.find(folderPathText);
    if (found == m_listings.end())
        return nullptr;
    FolderListing& listing = *found->second;
    if (!listing.complete || listing.token < 0 || !(listing.identity == identity)) {
        m_listings.erase(found);
        return nullptr;
    }
    return &listing;
}

FolderListing* FolderCache::Start(const std::string& folderPathText, const FileIdentity& identity) {
    m_listings.erase(folderPathText);
    const int token = m_watch.Watch(folderPathText);
    if (token < 0)
        return nullptr;
    // What happened before the watch belongs to earlier listings; none of it concerns this one.
    TakeNotifications();
    auto listing = std::make_unique<FolderListing>();
    listing->identity = identity;
    listing->token = token;
    FolderListing* out = listing.get();
    m_listings[folderPathText] = std::move(listing);
    return out;
}

void FolderCache::Drop(const std::string& folderPathText) {
    m_listings.erase(folderPathText);
}

void FolderCache::TakeNotifications() {
    FolderWatch::Handler handler;
    handler.removed = [&](int token, std::string_view name) {
        for (auto& [folder, listing] : m_listings) {
            if (listing->token != token)
                continue;
            const auto entry = listing->byName.find(std::string(name));
            if (entry != listing->byName.end()) {
                listing->entries[entry->second].live = false;
                listing->byName.erase(entry);
            }
        }
    };
    handler.other = [&](int token) {
        std::erase_if(m_listings, [&](const auto& item) { return item.second->token == token; });
    };
    handler.everything = [&] { m_listings.clear(); };
    m_watch.Drain(handler);
}

} // namespace sv
