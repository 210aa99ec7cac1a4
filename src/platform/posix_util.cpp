// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix_util.h"

#include "platform/pathtext.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace sv::detail {

std::string NativeOf(std::string_view pathText) {
    std::string path = ToNativePath(pathText);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string ParentOf(const std::string& native) {
    const auto pos = native.rfind('/');
    if (pos == std::string::npos)
        return ".";
    if (pos == 0)
        return "/";
    return native.substr(0, pos);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string CanonicalPath(const std::string& native) {
    char* resolved = ::realpath(native.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string out(resolved);
    std::free(resolved);
    return out;
}

namespace {

// Removes `name` below the folder `parentFd`; a folder with everything in it. Folders whose owner
// write bit is off get it back first: their entries could not be removed otherwise.
bool RemoveAt(int parentFd, const char* name, const std::string& shownPath, std::optional<FileError>& error) {
    struct stat st {};
    if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (!error)
            error = FileError::System(FileOp::Examine, shownPath, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::unlinkat(parentFd, name, 0) == 0)
            return true;
        if (!error)
            error = FileError::System(FileOp::Delete, shownPath, errno);
        return false;
    }
    if ((st.st_mode & (S_IWUSR | S_IXUSR | S_IRUSR)) != (S_IWUSR | S_IXUSR | S_IRUSR)) {
        // Best effort: if the folder stays closed, opening it below says why.
        [[maybe_unused]] const int opened = ::fchmodat(parentFd, name, (st.st_mode & 07777) | S_IRWXU, 0);
    }
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (!error)
            error = FileError::System(FileOp::Open, shownPath, errno);
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        if (!error)
            error = FileError::System(FileOp::Open, shownPath, errno);
        return false;
    }
    DirGuard guard(dir);
    bool allGone = true;
    // Names are collected first: removing while reading may make readdir skip entries.
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                allGone = false;
                if (!error)
                    error = FileError::System(FileOp::Read, shownPath, errno);
            }
            break;
        }
        if (!IsDotOrDotDot(entry->d_name))
            names.emplace_back(entry->d_name);
    }
    for (const std::string& child : names)
        allGone = RemoveAt(::dirfd(dir), child.c_str(), shownPath + "/" + child, error) && allGone;
    if (!allGone)
        return false;
    if (::unlinkat(parentFd, name, AT_REMOVEDIR) == 0)
        return true;
    if (!error)
        error = FileError::System(FileOp::Delete, shownPath, errno);
    return false;
}

} // namespace

FileStatus RemoveNative(const std::string& native) {
    std::optional<FileError> error;
    if (RemoveAt(AT_FDCWD, native.c_str(), native, error))
        return {};
    return error ? *error : FileError::System(FileOp::Delete, native, EIO);
}

bool ForceNative(const std::string& native, mode_t mode, int depth) {
    if (native.empty() || depth > 4096) {
        errno = native.empty() ? ENOENT : ENAMETOOLONG;
        return false;
    }
    struct stat st {};
    if (::stat(native.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        errno = ENOTDIR;
        return false;
    }
    if (errno != ENOENT)
        return false;
    const std::string parent = ParentOf(native);
    if (parent == native)
        return false;
    if (!ForceNative(parent, mode, depth + 1))
        return false;
    if (::mkdir(native.c_str(), mode) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    if (::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    errno = ENOTDIR;
    return false;
}

} // namespace sv::detail
