// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers the file operations share; not for use outside src/platform.

#include "platform/file_error.h"
#include "platform/result.h"
#include "platform/transfer.h"

#include <cstddef>
#include <dirent.h>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>

namespace sv::detail {

// Native path without trailing slashes (the root stays "/").
std::string NativeOf(std::string_view pathText);

std::string ParentOf(const std::string& native);

// The resolved absolute path, or "" when it cannot be resolved.
std::string CanonicalPath(const std::string& native);

class FdGuard final {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    ~FdGuard() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

class DirGuard final {
public:
    explicit DirGuard(DIR* dir) : m_dir(dir) {}
    ~DirGuard() {
        if (m_dir)
            ::closedir(m_dir);
    }
    DirGuard(const DirGuard&) = delete;
    DirGuard& operator=(const DirGuard&) = delete;
    DIR* get() const { return m_dir; }

private:
    DIR* m_dir;
};

// Inline: it runs once per directory entry.
inline bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

bool WriteAll(int fd, const char* data, std::size_t size);

// Removes a file, link or whole folder; a folder as far as possible, the first failure reported.
FileStatus RemoveNative(const std::string& native);

// Creates the folder and its missing parents with `mode`; true when it is a folder afterwards,
// else errno says why (ENOTDIR where a part of the path is not a folder).
bool ForceNative(const std::string& native, mode_t mode, int depth = 0);

// TransferEntry on native paths, defined in transfer.cpp: the trash moves with it without going
// back to a path text.
TransferResult TransferNative(const std::string& source, const std::string& target, TransferMode mode,
                              const TransferOptions& options, TransferProgress* progress);

} // namespace sv::detail
