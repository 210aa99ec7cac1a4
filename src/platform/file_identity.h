// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sv {

// What a file or folder is, whatever its path text says: one item can have many spellings
// ("\a\\b", "\a\.\b", a symbolic link, a second hard link) and two spellings can differ in case
// only and still be two items.
struct FileIdentity final {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of what the path leads to, following links as an open would; nothing when it
// cannot be reached.
std::optional<FileIdentity> IdentityOf(std::string_view pathText);

// What an entry was when a run recorded it: the entry itself (a link is not followed), and for
// a file also its size and modification time, which a file of the same name put there later
// would not share. A folder is known by its identity alone: its contents may change.
struct ItemStamp final {
    FileIdentity id;
    bool folder = false;
    std::uint64_t size = 0;   // 0 for a folder
    std::int64_t mtimeNs = 0; // 0 for a folder
    bool operator==(const ItemStamp&) const = default;
};

// The stamp of the entry at the path; nothing when there is none.
std::optional<ItemStamp> ItemStampOf(std::string_view pathText);

// What a file's bytes are known by: the file (links followed) and its size and modification
// time. Bytes that someone rewrites change the time; a file put in its place is another file.
struct ContentStamp final {
    FileIdentity id;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const ContentStamp&) const = default;
};

// The stamp of the regular file the path leads to; nothing for a folder, a missing entry or
// anything else.
std::optional<ContentStamp> ContentStampOf(std::string_view pathText);
// The same for a native path.
std::optional<ContentStamp> ContentStampOfNative(const std::string& native);

// Whether the entry itself is a symbolic link.
bool IsSymbolicLink(std::string_view pathText);

// Whether `now` is still the entry stamped as `recorded`: the same entry, and for a file the same
// size and modification time.
bool SameItemAsRecorded(const ItemStamp& recorded, const ItemStamp& now);

// Whether the entry at `entryPathText` (itself, a link not followed) lies on the file system of
// the folder `folderPathText`; false when either cannot be examined.
bool OnFileSystemOf(std::string_view entryPathText, std::string_view folderPathText);

// Whether two paths are one item: equal identities after following links, the same entry, or one
// entry being a symbolic link to the other (also a link whose target no longer exists).
bool IsSameItem(std::string_view pathTextA, std::string_view pathTextB);

} // namespace sv
