// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_attributes.h"

#include "platform/posix_util.h"

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace sv {

using detail::NativeOf;
using detail::ParentOf;

bool Exists(std::string_view pathText) {
    struct stat st {};
    return ::lstat(NativeOf(pathText).c_str(), &st) == 0;
}

std::optional<std::uint64_t> EntrySize(std::string_view pathText) {
    const std::string native = NativeOf(pathText);
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0 && ::lstat(native.c_str(), &st) != 0)
        return std::nullopt;
    if (S_ISDIR(st.st_mode))
        return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

std::optional<FileTime> LastWriteTime(std::string_view pathText) {
    const std::string native = NativeOf(pathText);
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0 && ::lstat(native.c_str(), &st) != 0)
        return std::nullopt;
    return FileTime{static_cast<std::int64_t>(st.st_mtim.tv_sec),
                    static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
}

bool CanOpenForReading(std::string_view pathText) {
    const int fd = ::open(NativeOf(pathText).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

std::optional<std::uint64_t> FreeSpace(std::string_view pathText) {
    struct statvfs vfs {};
    if (::statvfs(NativeOf(pathText).c_str(), &vfs) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(vfs.f_bavail) * static_cast<std::uint64_t>(vfs.f_frsize);
}

std::string MountPointOf(std::string_view pathText) {
    std::string path = NativeOf(pathText);
    struct stat st {};
    // The item itself may be gone; its nearest existing folder tells the file system.
    while (::stat(path.c_str(), &st) != 0) {
        const std::string parent = ParentOf(path);
        if (parent == path)
            return {};
        path = parent;
    }
    const dev_t device = st.st_dev;
    for (;;) {
        const std::string parent = ParentOf(path);
        struct stat up {};
        if (parent == path || ::stat(parent.c_str(), &up) != 0 || up.st_dev != device)
            return path;
        path = parent;
    }
}

} // namespace sv
