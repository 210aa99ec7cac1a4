// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fileops.h"

#include "platform/pathtext.h"
#include "platform/text.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace sv {
namespace {

std::string ErrnoText(std::string_view what, std::string_view path, int err) {
    std::string out(what);
    out += " ";
    out += path;
    out += ": ";
    out += std::strerror(err);
    return out;
}

// Native path without trailing slashes (the root stays "/").
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

std::string BaseNameOf(const std::string& native) {
    const auto pos = native.rfind('/');
    return pos == std::string::npos ? native : native.substr(pos + 1);
}

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

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// renameat2 with RENAME_NOREPLACE where the file system has it; elsewhere a check, then rename.
int RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return -1;
#endif
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.c_str(), to.c_str());
}

void SyncFolder(const std::string& native) {
    const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// ---- Removal -----------------------------------------------------------------------------------

// Removes `name` below the folder `parentFd`; a folder with everything in it. Folders whose owner
// write bit is off get it back first: their entries could not be removed otherwise.
bool RemoveAt(int parentFd, const char* name, const std::string& shownPath, std::string& error) {
    struct stat st {};
    if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (error.empty())
            error = ErrnoText("cannot examine", shownPath, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::unlinkat(parentFd, name, 0) == 0)
            return true;
        if (error.empty())
            error = ErrnoText("cannot delete", shownPath, errno);
        return false;
    }
    if ((st.st_mode & (S_IWUSR | S_IXUSR | S_IRUSR)) != (S_IWUSR | S_IXUSR | S_IRUSR))
        ::fchmodat(parentFd, name, (st.st_mode & 07777) | S_IRWXU, 0);
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (error.empty())
            error = ErrnoText("cannot open", shownPath, errno);
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        if (error.empty())
            error = ErrnoText("cannot open", shownPath, errno);
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
                if (error.empty())
                    error = ErrnoText("cannot read", shownPath, errno);
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
    if (error.empty())
        error = ErrnoText("cannot delete", shownPath, errno);
    return false;
}

Status RemoveNative(const std::string& native) {
    std::string error;
    if (RemoveAt(AT_FDCWD, native.c_str(), native, error))
        return {};
    return Status::Fail(error);
}

// ---- Folders -----------------------------------------------------------------------------------

bool ForceNative(const std::string& native, mode_t mode, int depth = 0) {
    if (native.empty() || depth > 4096)
        return false;
    struct stat st {};
    if (::stat(native.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (errno != ENOENT)
        return false;
    const std::string parent = ParentOf(native);
    if (parent == native)
        return false;
    if (!ForceNative(parent, mode, depth + 1))
        return false;
    if (::mkdir(native.c_str(), mode) == 0)
        return true;
    return errno == EEXIST && ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ---- Copy --------------------------------------------------------------------------------------

constexpr std::size_t kChunk = 1 << 20;

class ProgressScope final {
public:
    ProgressScope(TransferProgress* progress, std::string_view title, std::uint64_t total)
        : m_progress(progress) {
        if (m_progress)
            m_progress->Begin(title, total);
    }
    ~ProgressScope() {
        if (m_progress)
            m_progress->End();
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    bool Advance(std::uint64_t bytes) { return !m_progress || m_progress->Advance(bytes); }

private:
    TransferProgress* m_progress;
};

struct CopyState final {
    ProgressScope* progress = nullptr;
    std::vector<char> buffer;
    bool aborted = false;
    std::string error;

    bool Fail(std::string text) {
        if (error.empty())
            error = std::move(text);
        return false;
    }
};

std::uint64_t TreeBytes(const std::string& native) {
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0)
        return 0;
    if (!S_ISDIR(st.st_mode))
        return S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    DIR* dir = ::opendir(native.c_str());
    if (!dir)
        return 0;
    DirGuard guard(dir);
    std::uint64_t total = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsDotOrDotDot(entry->d_name))
            total += TreeBytes(native + "/" + entry->d_name);
    }
    return total;
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

// Copies the bytes of [from, to) of `in` to the same offsets of `out`.
bool CopyRange(int in, int out, off_t from, off_t to, const std::string& source, const std::string& target,
               CopyState& state) {
    off_t offset = from;
    while (offset < to) {
        const auto want = static_cast<std::size_t>(std::min<off_t>(to - offset, static_cast<off_t>(kChunk)));
        const ssize_t n = ::pread(in, state.buffer.data(), want, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return state.Fail(ErrnoText("cannot read", source, errno));
        }
        if (n == 0)
            return state.Fail("cannot read " + source + ": the file became shorter while it was copied");
        if (::lseek(out, offset, SEEK_SET) < 0 ||
            !WriteAll(out, state.buffer.data(), static_cast<std::size_t>(n)))
            return state.Fail(ErrnoText("cannot write", target, errno));
        offset += n;
        if (!state.progress->Advance(static_cast<std::uint64_t>(n))) {
            state.aborted = true;
            return state.Fail("the transfer was cancelled");
        }
    }
    return true;
}

bool CopyFileContents(const std::string& source, const std::string& target, const struct stat& st,
                      CopyState& state) {
    FdGuard in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0)
        return state.Fail(ErrnoText("cannot open", source, errno));
    FdGuard out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return state.Fail(ErrnoText("cannot create", target, errno));
    const off_t size = st.st_size;
    // Holes stay holes: a sparse file of many gigabytes costs only its data.
    off_t offset = 0;
    bool sparseAware = true;
    while (offset < size) {
        off_t data = offset;
        off_t hole = size;
        if (sparseAware) {
            data = ::lseek(in.get(), offset, SEEK_DATA);
            if (data < 0) {
                if (errno == ENXIO) {
                    data = size; // only a hole remains
                } else {
                    sparseAware = false;
                    data = offset;
                }
            }
            if (sparseAware && data < size) {
                hole = ::lseek(in.get(), data, SEEK_HOLE);
                if (hole < 0)
                    hole = size;
            }
        }
        data = std::min(data, size);
        hole = std::min(hole, size);
        if (data > offset && !state.progress->Advance(static_cast<std::uint64_t>(data - offset))) {
            state.aborted = true;
            return state.Fail("the transfer was cancelled");
        }
        if (!CopyRange(in.get(), out.get(), data, hole, source, target, state))
            return false;
        offset = hole;
    }
    if (::ftruncate(out.get(), size) != 0)
        return state.Fail(ErrnoText("cannot write", target, errno));
    struct stat after {};
    if (::fstat(in.get(), &after) == 0 && after.st_size != size)
        return state.Fail("cannot copy " + source + ": its size changed while it was copied");
    if (::fsync(out.get()) != 0)
        return state.Fail(ErrnoText("cannot flush", target, errno));
    struct stat written {};
    if (::fstat(out.get(), &written) != 0 || written.st_size != size)
        return state.Fail("cannot copy " + source + ": the copy has the wrong size");
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.get(), times);
    if (::fchmod(out.get(), st.st_mode & 07777) != 0)
        return state.Fail(ErrnoText("cannot set the permissions of", target, errno));
    if (::close(out.release()) != 0)
        return state.Fail(ErrnoText("cannot write", target, errno));
    return true;
}

bool CopyTree(const std::string& source, const std::string& target, CopyState& state) {
    struct stat st {};
    if (::lstat(source.c_str(), &st) != 0)
        return state.Fail(ErrnoText("cannot examine", source, errno));
    if (S_ISREG(st.st_mode))
        return CopyFileContents(source, target, st, state);
    if (S_ISLNK(st.st_mode)) {
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(source.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size())
            return state.Fail(ErrnoText("cannot read the link", source, n < 0 ? errno : ENAMETOOLONG));
        link.resize(static_cast<std::size_t>(n));
        if (::symlink(link.c_str(), target.c_str()) != 0)
            return state.Fail(ErrnoText("cannot create", target, errno));
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(AT_FDCWD, target.c_str(), times, AT_SYMLINK_NOFOLLOW);
        return true;
    }
    if (!S_ISDIR(st.st_mode))
        return state.Fail("cannot copy " + source + ": not a file, folder or link");
    if (::mkdir(target.c_str(), 0700) != 0)
        return state.Fail(ErrnoText("cannot create", target, errno));
    std::vector<std::string> names;
    {
        DIR* dir = ::opendir(source.c_str());
        if (!dir)
            return state.Fail(ErrnoText("cannot open", source, errno));
        DirGuard guard(dir);
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                if (errno != 0)
                    return state.Fail(ErrnoText("cannot read", source, errno));
                break;
            }
            if (!IsDotOrDotDot(entry->d_name))
                names.emplace_back(entry->d_name);
        }
    }
    for (const std::string& name : names) {
        if (!CopyTree(source + "/" + name, target + "/" + name, state))
            return false;
        if (!state.progress->Advance(0)) {
            state.aborted = true;
            return state.Fail("the transfer was cancelled");
        }
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, target.c_str(), times, 0);
    if (::chmod(target.c_str(), st.st_mode & 07777) != 0)
        return state.Fail(ErrnoText("cannot set the permissions of", target, errno));
    return true;
}

std::atomic<unsigned> g_tempCounter{0};

// A fresh hidden name in the target's folder for the copy in progress; hidden so that a run that
// enumerates the destination passes it over.
std::string TempNameBeside(const std::string& target) {
    const std::string folder = ParentOf(target);
    for (;;) {
        const std::string candidate = folder + "/.sorvanta-transfer-" + std::to_string(::getpid()) + "-" +
                                      std::to_string(g_tempCounter.fetch_add(1));
        struct stat st {};
        if (::lstat(candidate.c_str(), &st) != 0)
            return candidate;
    }
}

// Copies `source` under a temporary name beside `target`, then gives it the target's name.
TransferResult CopyInto(const std::string& source, const std::string& target, const TransferOptions& options,
                        TransferProgress* progress) {
    TransferResult result;
    const std::string temp = TempNameBeside(target);
    CopyState state;
    state.buffer.resize(kChunk);
    {
        ProgressScope scope(progress, options.progressTitle, TreeBytes(source));
        state.progress = &scope;
        if (!CopyTree(source, temp, state)) {
            struct stat st {};
            if (::lstat(temp.c_str(), &st) == 0)
                static_cast<void>(RemoveNative(temp));
            result.outcome = state.aborted ? TransferOutcome::Aborted : TransferOutcome::Failed;
            result.reason = state.error;
            return result;
        }
    }
    int placed = -1;
    if (options.replaceExisting) {
        struct stat existing {};
        struct stat copied {};
        const bool exists = ::lstat(target.c_str(), &existing) == 0;
        ::lstat(temp.c_str(), &copied);
        if (exists && (S_ISDIR(existing.st_mode) || S_ISDIR(copied.st_mode))) {
            const Status removed = RemoveNative(target);
            if (!removed) {
                static_cast<void>(RemoveNative(temp));
                result.reason = removed.error();
                return result;
            }
        }
        placed = ::rename(temp.c_str(), target.c_str());
    } else {
        placed = RenameNoReplace(temp, target);
    }
    if (placed != 0) {
        const int err = errno;
        static_cast<void>(RemoveNative(temp));
        result.reason = err == EEXIST ? "cannot transfer to " + target + ": it already exists"
                                      : ErrnoText("cannot create", target, err);
        return result;
    }
    SyncFolder(ParentOf(target));
    result.outcome = TransferOutcome::Ok;
    return result;
}

// ---- In-use test -------------------------------------------------------------------------------

// The access mode from /proc/<pid>/fdinfo/<fd>: "flags:\t0100002".
bool OpenForWriting(int fdinfoFolder, const char* fdName) {
    const int fd = ::openat(fdinfoFolder, fdName, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[512];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return false;
    text[n] = 0;
    const char* flags = std::strstr(text, "flags:");
    if (!flags)
        return false;
    const unsigned long value = std::strtoul(flags + 6, nullptr, 8);
    return (value & O_ACCMODE) == O_WRONLY || (value & O_ACCMODE) == O_RDWR;
}

std::string CanonicalPath(const std::string& native) {
    char* resolved = ::realpath(native.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string out(resolved);
    std::free(resolved);
    return out;
}

} // namespace

// ---- Enumeration -------------------------------------------------------------------------------

struct DirReader::Impl final {
    DIR* dir = nullptr;
    std::string path;
    EnumOptions options;
};

DirReader::DirReader() : m_impl(std::make_unique<Impl>()) {}

DirReader::~DirReader() {
    Close();
}

Status DirReader::Open(std::string_view folderPathText, EnumOptions options) {
    Close();
    m_error.clear();
    const std::string native = NativeOf(folderPathText);
    m_impl->dir = ::opendir(native.c_str());
    if (!m_impl->dir) {
        m_error = ErrnoText("cannot open the folder", native, errno);
        return Status::Fail(m_error);
    }
    m_impl->options = options;
    m_impl->path = native;
    return {};
}

std::optional<DirEntry> DirReader::Next() {
    if (!m_impl->dir)
        return std::nullopt;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(m_impl->dir);
        if (!entry) {
            if (errno != 0)
                m_error = ErrnoText("cannot read the folder", m_impl->path, errno);
            return std::nullopt;
        }
        const char* name = entry->d_name;
        if (IsDotOrDotDot(name))
            continue;
        DirEntry out;
        out.name = name;
        out.hidden = name[0] == '.';
        out.backslashName = std::strchr(name, '\\') != nullptr;
        if ((out.hidden && m_impl->options.skipHidden) ||
            (out.backslashName && m_impl->options.skipBackslashNames))
            continue;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            out.isFolder =
                ::fstatat(::dirfd(m_impl->dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        } else {
            out.isFolder = entry->d_type == DT_DIR;
        }
        return out;
    }
}

void DirReader::Close() {
    if (m_impl && m_impl->dir) {
        ::closedir(m_impl->dir);
        m_impl->dir = nullptr;
    }
}

Status ForEachEntry(std::string_view folderPathText, const EntryVisitor& visit, EnumOptions options) {
    DirReader reader;
    if (Status opened = reader.Open(folderPathText, options); !opened)
        return opened;
    while (const auto entry = reader.Next()) {
        if (!visit(*entry))
            return {};
    }
    if (!reader.error().empty())
        return Status::Fail(reader.error());
    return {};
}

// ---- Attributes --------------------------------------------------------------------------------

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

namespace {

enum class LeaseAnswer { InUse, Free, Unknown };

// The kernel refuses a read lease on a file that any process holds open for writing: one open and
// two fcntl calls instead of a walk over every descriptor of every process. A writer that opens
// the file while we hold the lease makes the kernel signal us; SIGURG is ignored by default, so
// the lease is only used while nobody has taken that signal over.
LeaseAnswer AskByLease(const std::string& native) {
    struct sigaction current {};
    if (::sigaction(SIGURG, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
        (current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN))
        return LeaseAnswer::Unknown;
    FdGuard fd(::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return LeaseAnswer::Unknown;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd.get(), F_SETSIG, SIGURG) != 0)
        return LeaseAnswer::Unknown;
    if (::fcntl(fd.get(), F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd.get(), F_SETLEASE, F_UNLCK);
        return LeaseAnswer::Free;
    }
    return errno == EAGAIN ? LeaseAnswer::InUse : LeaseAnswer::Unknown;
}

} // namespace

bool IsInUseForWriting(std::string_view pathText) {
    switch (AskByLease(NativeOf(pathText))) {
    case LeaseAnswer::InUse:
        return true;
    case LeaseAnswer::Free:
        return false;
    case LeaseAnswer::Unknown:
        break;
    }
    return IsOpenForWritingByAnyProcess(pathText);
}

bool IsOpenForWritingByAnyProcess(std::string_view pathText) {
    const std::string canonical = CanonicalPath(NativeOf(pathText));
    if (canonical.empty())
        return false;
    struct stat st {};
    const bool folder = ::stat(canonical.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    const std::string prefix = canonical == "/" ? canonical : canonical + "/";

    DIR* proc = ::opendir("/proc");
    if (!proc)
        return false;
    DirGuard procGuard(proc);
    std::string link(4096, '\0');
    while (const dirent* process = ::readdir(proc)) {
        if (process->d_name[0] < '1' || process->d_name[0] > '9')
            continue;
        const std::string base = std::string("/proc/") + process->d_name;
        const int fdFolder = ::open((base + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fdFolder < 0)
            continue;
        FdGuard fdGuard(fdFolder);
        DIR* fds = ::fdopendir(fdGuard.release());
        if (!fds) {
            continue;
        }
        DirGuard fdsGuard(fds);
        int fdinfoFolder = -1;
        while (const dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] < '0' || fd->d_name[0] > '9')
                continue;
            const ssize_t n = ::readlinkat(::dirfd(fds), fd->d_name, link.data(), link.size());
            if (n <= 0 || link[0] != '/')
                continue;
            const std::string_view target(link.data(), static_cast<std::size_t>(n));
            const bool match = folder ? target.substr(0, prefix.size()) == prefix : target == canonical;
            if (!match)
                continue;
            if (fdinfoFolder < 0)
                fdinfoFolder = ::open((base + "/fdinfo").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fdinfoFolder >= 0 && OpenForWriting(fdinfoFolder, fd->d_name)) {
                ::close(fdinfoFolder);
                return true;
            }
        }
        if (fdinfoFolder >= 0)
            ::close(fdinfoFolder);
    }
    return false;
}

// ---- Folders and deletion ----------------------------------------------------------------------

bool ForceFolder(std::string_view pathText) {
    try {
        return ForceNative(NativeOf(pathText), 0777);
    } catch (...) {
        return false;
    }
}

Status DeletePermanently(std::string_view pathText) {
    const std::string native = NativeOf(pathText);
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0)
        return Status::Fail(ErrnoText("cannot delete", native, errno));
    return RemoveNative(native);
}

namespace {

TransferResult TransferNative(const std::string& source, const std::string& target, TransferMode mode,
                              const TransferOptions& options, TransferProgress* progress);

std::string TrashDataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        return xdg;
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0] == '/') {
        home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty())
        return {};
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return (home == "/" ? std::string() : home) + "/.local/share";
}

std::string PercentEncodePath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            std::strchr("/-._~", c) != nullptr) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        }
    }
    return out;
}

} // namespace

Status MoveToRecycleBin(std::string_view pathText, std::string* trashedPathText) {
    std::string native = NativeOf(pathText);
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0)
        return Status::Fail(ErrnoText("cannot move to the trash", native, errno));
    if (native.front() != '/') {
        const std::string cwd = CanonicalPath(".");
        if (cwd.empty())
            return Status::Fail("cannot move to the trash " + native + ": the current folder is unknown");
        native = cwd + "/" + native;
    }
    const std::string dataHome = TrashDataHome();
    if (dataHome.empty())
        return Status::Fail("cannot move to the trash " + native + ": the home folder is unknown");
    const std::string trash = dataHome + "/Trash";
    const std::string files = trash + "/files";
    const std::string info = trash + "/info";
    if (!ForceNative(dataHome, 0700) || !ForceNative(trash, 0700) || !ForceNative(files, 0700) ||
        !ForceNative(info, 0700))
        return Status::Fail("cannot move to the trash " + native + ": cannot create the trash folder " +
                            trash);

    const std::string name = BaseNameOf(native);
    const LocalDateTime now = Now();
    const std::string record = "[Trash Info]\nPath=" + PercentEncodePath(native) +
                               "\nDeletionDate=" + std::to_string(now.year) + "-" + TwoDigits(now.month) +
                               "-" + TwoDigits(now.day) + "T" + TwoDigits(now.hour) + ":" +
                               TwoDigits(now.minute) + ":" + TwoDigits(now.second) + "\n";
    for (int n = 1; n < 100000; ++n) {
        const std::string candidate = n == 1 ? name : name + "." + std::to_string(n);
        const std::string infoPath = info + "/" + candidate + ".trashinfo";
        // The .trashinfo file is created exclusively first: it reserves the name.
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return Status::Fail(ErrnoText("cannot write", infoPath, errno));
        }
        const bool written = WriteAll(fd, record.data(), record.size()) && ::fsync(fd) == 0;
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            const int err = errno;
            ::unlink(infoPath.c_str());
            return Status::Fail(ErrnoText("cannot write", infoPath, err));
        }
        const std::string target = files + "/" + candidate;
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0) {
            // Left over without its record: the name is taken all the same.
            ::unlink(infoPath.c_str());
            continue;
        }
        const TransferResult moved = TransferNative(native, target, TransferMode::Move, {}, nullptr);
        if (!moved.ok()) {
            ::unlink(infoPath.c_str());
            return Status::Fail(moved.reason);
        }
        if (trashedPathText)
            *trashedPathText = FromNativePath(target);
        return {};
    }
    return Status::Fail("cannot move to the trash " + native + ": no free name in the trash");
}

// ---- Transfer ----------------------------------------------------------------------------------

namespace {

TransferResult TransferNative(const std::string& source, const std::string& target, TransferMode mode,
                              const TransferOptions& options, TransferProgress* progress) {
    TransferResult result;
    struct stat sourceStat {};
    if (::lstat(source.c_str(), &sourceStat) != 0) {
        result.reason = ErrnoText("cannot transfer", source, errno);
        return result;
    }
    if (S_ISDIR(sourceStat.st_mode) && (target == source || StartsWith(target, source + "/"))) {
        result.reason = "cannot transfer " + source + " into itself";
        return result;
    }
    struct stat targetStat {};
    const bool targetExists = ::lstat(target.c_str(), &targetStat) == 0;
    if (targetExists && targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino) {
        result.reason = "cannot transfer " + source + " onto itself";
        return result;
    }
    if (targetExists && !options.replaceExisting) {
        result.reason = "cannot transfer to " + target + ": it already exists";
        return result;
    }
    const std::string targetFolder = ParentOf(target);
    if (!ForceNative(targetFolder, 0777)) {
        result.reason = "cannot create the folder " + targetFolder;
        return result;
    }

    if (mode == TransferMode::Copy)
        return CopyInto(source, target, options, progress);

    // Move: a rename when both lie on one file system.
    int renamed = -1;
    if (!options.replaceExisting) {
        renamed = RenameNoReplace(source, target);
    } else {
        if (targetExists && (S_ISDIR(targetStat.st_mode) || S_ISDIR(sourceStat.st_mode))) {
            struct stat folderStat {};
            const bool sameFileSystem =
                ::stat(targetFolder.c_str(), &folderStat) == 0 && folderStat.st_dev == sourceStat.st_dev;
            // Across file systems the copy goes first and replaces the target afterwards.
            if (sameFileSystem) {
                if (Status removed = RemoveNative(target); !removed) {
                    result.reason = removed.error();
                    return result;
                }
            }
        }
        renamed = ::rename(source.c_str(), target.c_str());
    }
    if (renamed == 0) {
        result.outcome = TransferOutcome::Ok;
        return result;
    }
    if (errno != EXDEV) {
        const int err = errno;
        result.reason = err == EEXIST ? "cannot transfer to " + target + ": it already exists"
                                      : ErrnoText("cannot move " + source + " to", target, err);
        return result;
    }
    // Across file systems: the source goes only once its copy is complete. A source that could not
    // be removed afterwards is checked for before the copy starts.
    const std::string sourceFolder = ParentOf(source);
    if (::access(sourceFolder.c_str(), W_OK | X_OK) != 0) {
        result.reason =
            ErrnoText("cannot move " + source + ": its folder cannot be changed", sourceFolder, errno);
        return result;
    }
    result = CopyInto(source, target, options, progress);
    if (!result.ok())
        return result;
    if (Status removed = RemoveNative(source); !removed) {
        struct stat left {};
        if (!S_ISDIR(sourceStat.st_mode) && ::lstat(source.c_str(), &left) == 0) {
            // The source is whole: undo the copy so that the item exists once, where it was.
            static_cast<void>(RemoveNative(target));
            result.outcome = TransferOutcome::Failed;
            result.reason = removed.error();
            return result;
        }
        result.outcome = TransferOutcome::Failed;
        result.reason =
            "the folder was copied to " + target + " but could not be removed completely: " + removed.error();
    }
    return result;
}

} // namespace

TransferResult TransferEntry(std::string_view sourcePathText, std::string_view targetPathText,
                             TransferMode mode, const TransferOptions& options, TransferProgress* progress) {
    return TransferNative(NativeOf(sourcePathText), NativeOf(targetPathText), mode, options, progress);
}

Status RenameEntry(std::string_view sourcePathText, std::string_view targetPathText) {
    const std::string source = NativeOf(sourcePathText);
    const std::string target = NativeOf(targetPathText);
    if (RenameNoReplace(source, target) == 0)
        return {};
    const int err = errno;
    if (err == EEXIST)
        return Status::Fail("cannot rename " + source + " to " + target + ": it already exists");
    return Status::Fail(ErrnoText("cannot rename " + source + " to", target, err));
}

} // namespace sv
