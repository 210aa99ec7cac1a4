// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files.h"
#include "platform/dry_run.h"

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

namespace {

// Writes the file over its own bytes: only where no temporary file can be made beside it.
Status WriteInPlace(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return Status::Fail(ErrnoText("cannot write", path, errno));
    bool ok = WriteAll(fd, bytes);
    int err = ok ? 0 : errno;
    if (ok && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
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
    if (!ok)
        return Status::Fail(ErrnoText("cannot write", path, err));
    return {};
}

} // namespace

Status WriteFileAtomic(std::string_view pathText, std::string_view bytes, bool* inPlace) {
    if (inPlace)
        *inPlace = false;
    const std::string path = ToNativePath(pathText);
    mode_t mode = 0644;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return Status::Fail(ErrnoText("cannot write", path, EISDIR));
        if ((st.st_mode & S_IWUSR) == 0)
            return Status::Fail(ErrnoText("cannot write", path, EACCES));
        mode = st.st_mode & 07777;
    }
    std::string temp = path + ".tmpXXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (exists && (err == EACCES || err == EPERM || err == EROFS) && ::access(path.c_str(), W_OK) == 0) {
            if (inPlace)
                *inPlace = true;
            return WriteInPlace(path, bytes);
        }
        return Status::Fail(ErrnoText("cannot create", temp, err));
    }
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

FileStamp StampOf(std::string_view pathText) {
    FileStamp stamp;
    struct stat st {};
    if (::stat(ToNativePath(pathText).c_str(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = static_cast<unsigned long long>(st.st_dev);
    stamp.inode = static_cast<unsigned long long>(st.st_ino);
    stamp.size = static_cast<long long>(st.st_size);
    stamp.mtimeNanoseconds = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return stamp;
}

Status KeepCopyAside(std::string_view pathText, std::string& copyPathText, bool* existed) {
    if (existed)
        *existed = false;
    const std::string path = ToNativePath(pathText);
    const FileRead read = ReadWholeFile(pathText);
    if (read.state != ReadState::Ok)
        return Status::Fail(read.error);
    for (int n = 0; n < 1000; ++n) {
        const std::string candidate = path + ".bak" + (n == 0 ? std::string() : std::to_string(n));
        const FileRead older = ReadWholeFile(FromNativePath(candidate));
        if (older.state == ReadState::Ok && older.bytes == read.bytes) {
            copyPathText = FromNativePath(candidate);
            if (existed)
                *existed = true;
            return {};
        }
        // Created exclusively: an older copy is never replaced.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return Status::Fail(ErrnoText("cannot create", candidate, errno));
        }
        const bool written = WriteAll(fd, read.bytes) && ::fsync(fd) == 0;
        const int err = errno;
        if (::close(fd) != 0 || !written) {
            ::unlink(candidate.c_str());
            return Status::Fail(ErrnoText("cannot write", candidate, err));
        }
        copyPathText = FromNativePath(candidate);
        return {};
    }
    return Status::Fail("cannot copy " + path + ": too many copies");
}

bool FileExists(std::string_view pathText) {
    if (DryRun* dry = ActiveDryRun())
        return dry->FileExists(pathText);
    struct stat st {};
    return ::stat(ToNativePath(pathText).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(std::string_view pathText) {
    if (DryRun* dry = ActiveDryRun())
        return dry->FolderExists(pathText);
    struct stat st {};
    return ::stat(ToNativePath(pathText).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsNonEmptyReadWriteFile(std::string_view pathText) {
    const int fd = ::open(ToNativePath(pathText).c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
    ::close(fd);
    return ok;
}

bool IsReadOnly(std::string_view pathText) {
    if (DryRun* dry = ActiveDryRun())
        return dry->IsReadOnly(pathText);
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
