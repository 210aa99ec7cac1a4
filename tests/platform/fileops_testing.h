// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers the file-operation tests share.

#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <linux/fs.h>
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

inline void MakeFolders(const TempFolder& folder, std::string_view relative) {
    std::filesystem::create_directories(folder.NativeFile(relative));
}

inline void SetMtime(const std::string& native, std::int64_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// Makes a folder immutable while it lives, so that nothing in it can be deleted or added, even by
// root. Tests skip themselves when the file system does not allow it.
class Immutable final {
public:
    explicit Immutable(const std::string& native) : m_native(native) { m_on = Set(true); }
    ~Immutable() {
        if (m_on)
            Set(false);
    }
    bool On() const { return m_on; }

private:
    bool Set(bool on) {
        const int fd = ::open(m_native.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return ok;
    }
    std::string m_native;
    bool m_on = false;
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
