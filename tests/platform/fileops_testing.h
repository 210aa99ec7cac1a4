// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers the file-operation tests share.

#include "platform/file_error.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <linux/fs.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv::testing {

// The path text of `relative` ("a/b") below the folder.
inline std::string Text(const TempFolder& folder, std::string_view relative) {
    return folder.PathText() + FromNativePath(relative);
}

// A failure's codes as a line for an assertion's message.
inline std::string Why(const std::optional<FileError>& error) {
    if (!error)
        return "(no error)";
    return "op " + std::to_string(static_cast<int>(error->op)) + ", fault " +
           std::to_string(static_cast<int>(error->fault)) + ", errno " + std::to_string(error->code) + ": " +
           error->path;
}

inline void MakeFolders(const TempFolder& folder, std::string_view relative) {
    std::filesystem::create_directories(folder.NativeFile(relative));
}

inline void SetMtime(const std::string& native, std::int64_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// How a folder is locked. Taking its write bits away does for any code that leaves them alone;
// the program's own removal gives a read-only folder of the user's its write bits back to empty
// it, so only the immutable flag keeps such a folder full.
enum class LockBy { Permissions, ImmutableFlag };

// A folder in which no entry can be added, removed or renamed while this lives. Permission bits
// do not stop root, so as root (and always with LockBy::ImmutableFlag) the folder gets the
// immutable flag; anyone else takes its write bits away. When it cannot be locked, Reason() says
// why, for the skip.
class LockedFolder final {
public:
    explicit LockedFolder(const std::string& native, LockBy by = LockBy::Permissions) : m_native(native) {
        if (::geteuid() == 0 || by == LockBy::ImmutableFlag) {
            m_flag = true;
            const int error = SetFlag(true);
            if (error == EPERM)
                m_reason = "needs CAP_LINUX_IMMUTABLE to make a folder immutable";
            else if (error != 0)
                m_reason = "the file system of the temporary folder keeps no immutable flag";
            return;
        }
        struct stat st {};
        if (::stat(m_native.c_str(), &st) != 0 || ::chmod(m_native.c_str(), st.st_mode & 0555) != 0) {
            m_reason = "cannot take the write permission off a folder of its own";
            return;
        }
        m_mode = st.st_mode & 07777;
    }
    ~LockedFolder() {
        if (!On())
            return;
        if (m_flag)
            SetFlag(false);
        else
            ::chmod(m_native.c_str(), m_mode);
    }
    LockedFolder(const LockedFolder&) = delete;
    LockedFolder& operator=(const LockedFolder&) = delete;

    bool On() const { return m_reason.empty(); }
    const std::string& Reason() const { return m_reason; }

private:
    // The errno of the failed step, or 0.
    int SetFlag(bool on) {
        const int fd = ::open(m_native.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        int flags = 0;
        int error = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
            error = errno;
        } else {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)
                error = errno;
        }
        ::close(fd);
        return error;
    }
    std::string m_native;
    std::string m_reason;
    bool m_flag = false;
    mode_t m_mode = 0;
};

// A folder on a file system other than the temporary folder's, when the machine has one.
class OtherFileSystemFolder final {
public:
    OtherFileSystemFolder() {
        struct stat tmp {};
        struct stat shm {};
        if (::stat(std::filesystem::temp_directory_path().c_str(), &tmp) != 0 ||
            ::stat("/dev/shm", &shm) != 0 || tmp.st_dev == shm.st_dev)
            return;
        std::string pattern = "/dev/shm/sorvanta-test-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_native = pattern;
    }
    ~OtherFileSystemFolder() {
        if (!m_native.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_native, ec);
        }
    }
    OtherFileSystemFolder(const OtherFileSystemFolder&) = delete;
    OtherFileSystemFolder& operator=(const OtherFileSystemFolder&) = delete;

    bool Available() const { return !m_native.empty(); }
    std::string Native(std::string_view name) const { return m_native + "/" + std::string(name); }
    std::string PathText(std::string_view name) const { return FromNativePath(Native(name)); }

private:
    std::string m_native;
};

} // namespace sv::testing
