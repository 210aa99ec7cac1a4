// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/destination_files.h"

#include "platform/dir_reader.h"
#include "platform/pathtext.h"

#include <algorithm>

namespace sv {
namespace {

bool Wanted(const ContentStamp& stamp, std::uint64_t size, const FileIdentity& source) {
    return stamp.size == size && !(stamp.id == source);
}

} // namespace

TDestinationFiles::TDestinationFiles() : m_watch(true) {}

TDestinationFiles::~TDestinationFiles() = default;

void TDestinationFiles::Note(Listing& listing, std::string_view name) {
    listing.changed.emplace_back(name);
}

void TDestinationFiles::TakeNotifications() {
    FolderWatch::Handler handler;
    const auto each = [&](int token, const auto& apply) {
        for (auto& [folder, listing] : m_listings) {
            if (listing.token == token)
                apply(listing);
        }
    };
    // A removal is examined like any change: the name may already be taken again.
    handler.removed = [&](int token, std::string_view name) {
        each(token, [&](Listing& l) { Note(l, name); });
    };
    handler.changed = handler.removed;
    handler.other = [&](int token) {
        std::erase_if(m_listings, [&](const auto& item) { return item.second.token == token; });
    };
    handler.everything = [&] { m_listings.clear(); };
    m_watch.Drain(handler);
}

void TDestinationFiles::Examine(FileSystem& files, const std::string& folder, Listing& listing,
                                std::uint32_t index) {
    Entry& entry = listing.entries[index];
    ++m_examined;
    const auto stamp = files.ContentStampOf(JoinPath(folder, entry.name));
    const bool was = entry.file;
    const std::uint64_t oldSize = entry.stamp.size;
    if (!stamp || !(entry.stamp == *stamp))
        entry.memo = {};
    entry.file = stamp.has_value();
    if (stamp)
        entry.stamp = *stamp;
    if (was && (!entry.file || oldSize != entry.stamp.size)) {
        auto& bucket = listing.bySize[oldSize];
        bucket.erase(std::remove(bucket.begin(), bucket.end(), index), bucket.end());
    }
    if (entry.file && (!was || oldSize != entry.stamp.size))
        listing.bySize[entry.stamp.size].push_back(index);
}

bool TDestinationFiles::Read(FileSystem& files, const std::string& folder, Listing& listing) {
    DirReader reader;
    EnumOptions options; // hidden files count too
    if (!files.OpenFolder(reader, folder, options).ok())
        return false;
    while (const auto found = reader.Next()) {
        if (found->isFolder || found->backslashName)
            continue;
        const auto index = static_cast<std::uint32_t>(listing.entries.size());
        Entry entry;
        entry.name = std::string(found->name);
        entry.link = found->link;
        listing.byName[entry.name] = index;
        listing.entries.push_back(std::move(entry));
        Examine(files, folder, listing, index);
    }
    return !reader.error();
}

std::vector<TSameSizeFile> TDestinationFiles::FilesOfSize(FileSystem& files, std::string_view folderPathText,
                                                          std::uint64_t size, const FileIdentity& source) {
    const std::string folder(folderPathText);
    std::vector<TSameSizeFile> out;
    if (files.KeepsChangesInMemory()) {
        // The folders change only in memory: no notification would tell.
        m_once = Listing();
        static_cast<void>(Read(files, folder, m_once));
        for (Entry& entry : m_once.entries) {
            if (entry.file && Wanted(entry.stamp, size, source))
                out.push_back({entry.name, entry.stamp, &entry.memo});
        }
        return out;
    }

    TakeNotifications();
    auto found = m_listings.find(folder);
    if (found == m_listings.end()) {
        Listing listing;
        listing.token = m_watch.Watch(folder);
        // What was reported before the watch began concerns the other listings only.
        TakeNotifications();
        const bool complete = Read(files, folder, listing);
        if (listing.token < 0 || !complete) {
            m_once = std::move(listing);
            for (Entry& entry : m_once.entries) {
                if (entry.file && Wanted(entry.stamp, size, source))
                    out.push_back({entry.name, entry.stamp, &entry.memo});
            }
            return out;
        }
        for (std::uint32_t i = 0; i < listing.entries.size(); ++i) {
            if (listing.entries[i].link)
                listing.links.push_back(i);
        }
        found = m_listings.emplace(folder, std::move(listing)).first;
    }
    Listing& listing = found->second;
    std::sort(listing.changed.begin(), listing.changed.end());
    listing.changed.erase(std::unique(listing.changed.begin(), listing.changed.end()), listing.changed.end());
    for (const std::string& name : listing.changed) {
        auto known = listing.byName.find(name);
        if (known == listing.byName.end()) {
            known = listing.byName.emplace(name, static_cast<std::uint32_t>(listing.entries.size())).first;
            listing.entries.push_back(Entry{name, false, false, {}, {}});
        }
        Entry& entry = listing.entries[known->second];
        const bool link = files.IsSymbolicLink(JoinPath(folder, name));
        if (link && !entry.link)
            listing.links.push_back(known->second);
        entry.link = entry.link || link;
        Examine(files, folder, listing, known->second);
    }
    listing.changed.clear();
    for (const std::uint32_t i : listing.links)
        Examine(files, folder, listing, i);
    const auto bucket = listing.bySize.find(size);
    if (bucket == listing.bySize.end())
        return out;
    std::vector<std::uint32_t> order = bucket->second;
    std::sort(order.begin(), order.end());
    out.reserve(order.size());
    for (const std::uint32_t i : order) {
        Entry& entry = listing.entries[i];
        if (entry.file && Wanted(entry.stamp, size, source))
            out.push_back({entry.name, entry.stamp, &entry.memo});
    }
    return out;
}

} // namespace sv
