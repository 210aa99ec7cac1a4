// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_identity.h"

#include "platform/pathtext.h"

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {
namespace {

std::string Native(std::string_view pathText) {
    std::string path = ToNativePath(pathText);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::optional<FileIdentity> Identity(const std::string& native, bool follow) {
    struct stat st {};
    if ((follow ? ::stat(native.c_str(), &st) : ::lstat(native.c_str(), &st)) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// The entry a symbolic link names, one step only; nothing when `native` is not a link.
std::optional<FileIdentity> LinkTargetEntry(const std::string& native) {
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return std::nullopt;
    std::string target(4096, '\0');
    const ssize_t n = ::readlink(native.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
        return std::nullopt;
    target.resize(static_cast<std::size_t>(n));
    if (target.front() != '/') {
        const auto slash = native.rfind('/');
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : native.substr(0, slash);
        target = folder + "/" + target;
    }
    return Identity(target, false);
}

} // namespace

std::optional<FileIdentity> IdentityOf(std::string_view pathText) {
    return Identity(Native(pathText), true);
}

std::optional<ItemStamp> ItemStampOf(std::string_view pathText) {
    struct stat st {};
    if (::lstat(Native(pathText).c_str(), &st) != 0)
        return std::nullopt;
    ItemStamp stamp;
    stamp.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    stamp.folder = S_ISDIR(st.st_mode);
    if (!stamp.folder) {
        stamp.size = static_cast<std::uint64_t>(st.st_size);
        stamp.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    }
    return stamp;
}

std::optional<ContentStamp> ContentStampOf(std::string_view pathText) {
    return ContentStampOfNative(Native(pathText));
}

std::optional<ContentStamp> ContentStampOfNative(const std::string& native) {
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return ContentStamp{{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
                        static_cast<std::uint64_t>(st.st_size),
                        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

bool IsSymbolicLink(std::string_view pathText) {
    struct stat st {};
    return ::lstat(Native(pathText).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool SameItemAsRecorded(const ItemStamp& recorded, const ItemStamp& now) {
    if (recorded.id != now.id || recorded.folder != now.folder)
        return false;
    return recorded.folder || (recorded.size == now.size && recorded.mtimeNs == now.mtimeNs);
}

bool OnFileSystemOf(std::string_view entryPathText, std::string_view folderPathText) {
    struct stat entry {};
    struct stat folder {};
    return ::lstat(Native(entryPathText).c_str(), &entry) == 0 &&
           ::stat(Native(folderPathText).c_str(), &folder) == 0 && entry.st_dev == folder.st_dev;
}

bool IsSameItem(std::string_view pathTextA, std::string_view pathTextB) {
    const std::string a = Native(pathTextA);
    const std::string b = Native(pathTextB);
    const auto entryA = Identity(a, false);
    const auto entryB = Identity(b, false);
    if (!entryA || !entryB)
        return false;
    if (*entryA == *entryB)
        return true;
    const auto followedA = Identity(a, true);
    if (followedA && followedA == Identity(b, true))
        return true;
    return LinkTargetEntry(a) == entryB || LinkTargetEntry(b) == entryA;
}

} // namespace sv
