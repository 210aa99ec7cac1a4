// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files.h"

#include "platform/pathtext.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {
namespace {

FileError Failed(FileOp op, const std::string& path, int err) {
    return FileError::System(op, path, err);
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
        result.error = Failed(FileOp::Open, path, errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        result.state = ReadState::Failed;
        result.error = Failed(FileOp::Read, path, EISDIR);
        return result;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.state = ReadState::Failed;
            result.error = Failed(FileOp::Read, path, errno);
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
FileStatus WriteInPlace(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return FileStatus(Failed(FileOp::Write, path, errno));
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
        return FileStatus(Failed(FileOp::Write, path, err));
    return {};
}

} // namespace

FileStatus WriteFileAtomic(std::string_view pathText, std::string_view bytes, bool* inPlace) {
    if (inPlace)
        *inPlace = false;
    const std::string path = ToNativePath(pathText);
    mode_t mode = 0644;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return FileStatus(Failed(FileOp::Write, path, EISDIR));
        if ((st.st_mode & S_IWUSR) == 0)
            return FileStatus(Failed(FileOp::Write, path, EACCES));
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
        return FileStatus(Failed(FileOp::Create, path, err));
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
        return FileStatus(Failed(FileOp::Write, path, err));
    }
    return {};
}

LineReader::LineReader() = default;

LineReader::~LineReader() {
    if (m_fd >= 0)
        ::close(m_fd);
}

ReadState LineReader::Open(std::string_view pathText) {
    m_path = ToNativePath(pathText);
    m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        const int err = errno;
        m_error = Failed(FileOp::Open, m_path, err);
        return err == ENOENT ? ReadState::Missing : ReadState::Failed;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        m_error = Failed(FileOp::Read, m_path, EISDIR);
        ::close(m_fd);
        m_fd = -1;
        return ReadState::Failed;
    }
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_buffer.resize(1 << 20);
    return ReadState::Ok;
}

bool LineReader::Refill() {
    // What is left moves to the front; a line longer than the buffer makes it grow.
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_end == m_buffer.size())
        m_buffer.resize(m_buffer.size() * 2);
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_error = Failed(FileOp::Read, m_path, errno);
            return false;
        }
        if (n == 0)
            m_eof = true;
        m_end += static_cast<std::size_t>(n);
        return true;
    }
}

std::optional<std::string_view> LineReader::Next() {
    if (m_fd < 0 || m_error)
        return std::nullopt;
    for (;;) {
        const char* const data = m_buffer.data();
        const std::size_t size = m_end - m_begin;
        const void* const lf = std::memchr(data + m_begin, '\n', size);
        const std::size_t lfAt = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : m_end;
        const void* const cr = std::memchr(data + m_begin, '\r', lfAt - m_begin);
        std::size_t lineEnd = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : lfAt;
        // A line is whole once its break is seen, and a CR once what follows it is known.
        const bool whole = lineEnd < m_end && (data[lineEnd] == '\n' || lineEnd + 1 < m_end || m_eof);
        if (!whole && !m_eof) {
            if (!Refill())
                return std::nullopt;
            continue;
        }
        if (m_begin == m_end)
            return std::nullopt;
        const std::size_t lineBegin = m_begin;
        std::size_t next = lineEnd;
        if (next < m_end && data[next] == '\r')
            ++next;
        if (next < m_end && data[next] == '\n')
            ++next;
        m_begin = next;
        if (lineEnd > lineBegin)
            return std::string_view(data + lineBegin, lineEnd - lineBegin);
    }
}

std::string_view LineReader::NextRun() {
    if (m_fd < 0 || m_error)
        return {};
    if (m_end - m_begin < 3 && !m_eof && !Refill())
        return {};
    const char* const data = m_buffer.data();
    std::size_t at = m_begin;
    std::size_t runEnd = m_begin;
    bool lineStart = true;
    // One pass over the bytes: a break must be CR LF, and a line must not be empty. Eight bytes
    // at a time where none of them is below 0x0E (no CR, no LF): that is nearly every word.
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    while (at < m_end) {
        if (at + 8 <= m_end) {
            std::uint64_t word;
            std::memcpy(&word, data + at, sizeof word);
            if (((word - 0x0E * kOnes) & ~word & 0x80 * kOnes) == 0) {
                lineStart = false;
                at += 8;
                continue;
            }
        }
        const char c = data[at];
        if (c != '\r' && c != '\n') {
            lineStart = false;
            ++at;
            continue;
        }
        if (lineStart || c != '\r' || at + 1 >= m_end || data[at + 1] != '\n')
            break;
        at += 2;
        runEnd = at;
        lineStart = true;
    }
    const std::string_view run(data + m_begin, runEnd - m_begin);
    m_begin = runEnd;
    return run;
}

AtomicFileWriter::~AtomicFileWriter() {
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temp.c_str());
    }
}

FileStatus AtomicFileWriter::Begin(std::string_view pathText) {
    m_path = ToNativePath(pathText);
    struct stat st {};
    const bool exists = ::stat(m_path.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return FileStatus(Failed(FileOp::Write, m_path, EISDIR));
        if ((st.st_mode & S_IWUSR) == 0)
            return FileStatus(Failed(FileOp::Write, m_path, EACCES));
        m_mode = st.st_mode & 07777;
    }
    m_temp = m_path + ".tmpXXXXXX";
    m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
    if (m_fd < 0) {
        const int err = errno;
        if (exists && (err == EACCES || err == EPERM || err == EROFS) &&
            ::access(m_path.c_str(), W_OK) == 0) {
            m_inPlace = true;
            return {};
        }
        return FileStatus(Failed(FileOp::Create, m_path, err));
    }
    m_buffer.reserve(kFlushAt + (64 << 10));
    return {};
}

void AtomicFileWriter::Flush() {
    if (m_error == 0 && !WriteAll(m_fd, m_buffer))
        m_error = errno;
#ifdef SYNC_FILE_RANGE_WRITE
    // The disk starts on what was written while the rest is made: the flush at the end then
    // waits for the last part only, not for a hundred megabytes.
    if (m_error == 0)
        ::sync_file_range(m_fd, m_written, static_cast<off_t>(m_buffer.size()), SYNC_FILE_RANGE_WRITE);
#endif
    m_written += static_cast<off_t>(m_buffer.size());
    m_buffer.clear();
}

FileStatus AtomicFileWriter::Commit() {
    if (m_inPlace)
        return WriteInPlace(m_path, m_buffer);
    if (m_fd < 0)
        return FileStatus(Failed(FileOp::Write, m_path, EBADF));
    Flush();
    bool ok = m_error == 0;
    int err = m_error;
    if (ok && ::fchmod(m_fd, static_cast<mode_t>(m_mode)) != 0) {
        ok = false;
        err = errno;
    }
    if (ok && ::fsync(m_fd) != 0) {
        ok = false;
        err = errno;
    }
    if (::close(m_fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    m_fd = -1;
    if (ok && ::rename(m_temp.c_str(), m_path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(m_temp.c_str());
        return FileStatus(Failed(FileOp::Write, m_path, err));
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

FileStatus KeepCopyAside(std::string_view pathText, std::string& copyPathText, bool* existed) {
    if (existed)
        *existed = false;
    const std::string path = ToNativePath(pathText);
    const FileRead read = ReadWholeFile(pathText);
    if (read.state != ReadState::Ok)
        return read.error;
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
            return FileStatus(Failed(FileOp::Create, candidate, errno));
        }
        const bool written = WriteAll(fd, read.bytes) && ::fsync(fd) == 0;
        const int err = errno;
        if (::close(fd) != 0 || !written) {
            ::unlink(candidate.c_str());
            return FileStatus(Failed(FileOp::Write, candidate, err));
        }
        copyPathText = FromNativePath(candidate);
        return {};
    }
    return FileError::Found(FileOp::Copy, FileFault::NoSpareName, path);
}

bool FileExists(std::string_view pathText) {
    struct stat st {};
    return ::stat(ToNativePath(pathText).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(std::string_view pathText) {
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
    struct stat st {};
    return ::stat(ToNativePath(pathText).c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

FileStatus ClearReadOnly(std::string_view pathText) {
    const std::string path = ToNativePath(pathText);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return FileStatus(Failed(FileOp::Examine, path, errno));
    if ((st.st_mode & S_IWUSR) != 0)
        return {};
    if (::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0)
        return FileStatus(Failed(FileOp::SetPermissions, path, errno));
    return {};
}

FileStatus MoveAside(std::string_view pathText, std::string& newPathText) {
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
            return FileStatus(Failed(FileOp::Rename, path, errno));
        }
        newPathText = FromNativePath(candidate);
        return {};
    }
    return FileError::Found(FileOp::Rename, FileFault::NoSpareName, path);
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
