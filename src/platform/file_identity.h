// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
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

// Whether two paths are one item: equal identities after following links, the same entry, or one
// entry being a symbolic link to the other (also a link whose target no longer exists).
bool IsSameItem(std::string_view pathTextA, std::string_view pathTextB);

} // namespace sv
