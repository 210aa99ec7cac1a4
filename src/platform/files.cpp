// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files.h"

#include "platform/pathtext.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {
namespace {

std::string ErrnoText(const char* what, const std::string& path, int err) {
    return std::string(what) + " " + path + ": " + std::strerror(err);
}

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

FileRead ReadWholeFile(std::string_view pathText) {
    FileRead result;
    const std::string path = ToNativePath(pathText);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.state = errno == ENOENT ? ReadState::Missing : ReadState::Failed;
        result.error = ErrnoText("cannot open", path, errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        result.state = ReadState::Failed;
        result.error = ErrnoText("cannot read", path, EISDIR);
        return result;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.state = ReadState::Failed;
            result.error = ErrnoText("cannot read", path, errno);
            result.bytes.clear();
            ::close(fd);
            return result;
        }
        if (n == 0)
            break;
        result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    result.state = ReadState::Ok;
    return result;
}

Status WriteFileAtomic(std::string_view pathText, std::string_view bytes) {
    const std::string path = ToNativePath(pathText);
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return Status::Fail(ErrnoText("cannot write", path, EISDIR));
        if ((st.st_mode & S_IWUSR) == 0)
            return Status::Fail(ErrnoText("cannot write", path, EACCES));
        mode = st.st_mode & 07777;
    }
    std::string temp = path + ".tmpXXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return Status::Fail(ErrnoText("cannot create", temp, errno));
    bool ok = WriteAll(fd, bytes);
    int err = ok ? 0 : errno;
    if (ok && ::fchmod(fd, mode) != 0) {
        ok = false;
        err = errno;
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        err = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return Status::Fail(ErrnoText("cannot write", path, err));
    }
    return {};
}

bool FileExists(std::string_view pathText) {
    struct stat st {};
    return ::stat(ToNativePath(pathText).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(std::string_view pathText) {
    struct stat st {};
    return ::stat(ToNativePath(pathText).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadOnly(std::string_view pathText) {
    struct stat st {};
    return ::stat(ToNativePath(pathText).c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

Status ClearReadOnly(std::string_view pathText) {
    const std::string path = ToNativePath(pathText);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return Status::Fail(ErrnoText("cannot read attributes of", path, errno));
    if ((st.st_mode & S_IWUSR) != 0)
        return {};
    if (::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0)
        return Status::Fail(ErrnoText("cannot change attributes of", path, errno));
    return {};
}

Status MoveAside(std::string_view pathText, std::string& newPathText) {
    const std::string path = ToNativePath(pathText);
    for (int n = 0; n < 1000; ++n) {
        const std::string candidate = path + ".bad" + (n == 0 ? std::string() : std::to_string(n));
        struct stat st {};
        if (::lstat(candidate.c_str(), &st) == 0)
            continue;
        // link + unlink never replaces an existing file, unlike rename.
        if (::link(path.c_str(), candidate.c_str()) == 0) {
            ::unlink(path.c_str());
        } else if (errno == EEXIST) {
            continue;
        } else if (::rename(path.c_str(), candidate.c_str()) != 0) {
            return Status::Fail(ErrnoText("cannot rename", path, errno));
        }
        newPathText = FromNativePath(candidate);
        return {};
    }
    return Status::Fail("cannot rename " + path + ": too many copies");
}

std::string ExecutableFolder() {
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0)
        return {};
    buffer.resize(static_cast<std::size_t>(n));
    return FolderOf(FromNativePath(buffer));
}

} // namespace sv
