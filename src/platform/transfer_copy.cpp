// SPDX-License-Identifier: GPL-3.0-or-later
// The copy of bytes and trees: into a hidden temporary beside the target, flushed, checked, then
// given the target's name.
#include "platform/posix_util.h"
#include "platform/text.h"
#include "platform/transfer_parts.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sv::detail {
namespace {

void SyncFolder(const std::string& native) {
    const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

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
    bool changed = false; // the failure is a source that changed while it was copied
    std::optional<FileError> error;
    // A move notes every entry it copies, to remove from the source only those.
    CopiedEntries* copied = nullptr;
    // A folder being moved: an entry that changes during its own copy, or vanishes before it, is
    // left out (it stays in the source) instead of failing the whole folder.
    bool leaveOutChanged = false;

    bool Fail(FileError why) {
        if (!error)
            error = std::move(why);
        return false;
    }
    bool Fail(FileOp op, const std::string& path, int code) {
        return Fail(FileError::System(op, path, code));
    }
    bool Changed(FileError why) {
        changed = true;
        return Fail(std::move(why));
    }
    bool Cancelled(const std::string& path) {
        aborted = true;
        return Fail(FileError::Found(FileOp::Copy, FileFault::Cancelled, path));
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

// How the bytes travel: in the kernel where it can (copy_file_range, within or across file
// systems; sendfile, from any file to any file), through our buffer where nothing else works.
enum class CopyWay { Range, Send, Buffer };

// One chunk from `offset` by the current way; -1 with errno on failure, 0 when the source ended.
ssize_t CopyChunk(int in, int out, off_t offset, std::size_t want, CopyState& state, CopyWay& way) {
    for (;;) {
        ssize_t n = -1;
        if (way == CopyWay::Range) {
            off_t from = offset;
            off_t to = offset;
            n = ::copy_file_range(in, &from, out, &to, want, 0);
        } else if (way == CopyWay::Send) {
            off_t from = offset;
            n = ::lseek(out, offset, SEEK_SET) < 0 ? -1 : ::sendfile(out, in, &from, want);
        } else {
            n = ::pread(in, state.buffer.data(), std::min(want, state.buffer.size()), offset);
            if (n > 0 && (::lseek(out, offset, SEEK_SET) < 0 ||
                          !WriteAll(out, state.buffer.data(), static_cast<std::size_t>(n))))
                return -2;
        }
        if (n >= 0 || errno == EINTR) {
            if (n >= 0)
                return n;
            continue;
        }
        // A way this pair of files does not support refuses before it copies anything.
        if (way != CopyWay::Buffer && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                                       errno == EOPNOTSUPP || errno == EBADF || errno == ETXTBSY)) {
            way = way == CopyWay::Range ? CopyWay::Send : CopyWay::Buffer;
            if (way == CopyWay::Buffer && state.buffer.empty())
                state.buffer.resize(kChunk);
            continue;
        }
        return -1;
    }
}

// Copies the bytes of [from, to) of `in` to the same offsets of `out`, reporting every chunk.
bool CopyRange(int in, int out, off_t from, off_t to, const std::string& source, const std::string& target,
               CopyState& state, CopyWay& way) {
    off_t offset = from;
    while (offset < to) {
        const auto want = static_cast<std::size_t>(std::min<off_t>(to - offset, static_cast<off_t>(kChunk)));
        const ssize_t n = CopyChunk(in, out, offset, want, state, way);
        if (n == -2)
            return state.Fail(FileOp::Write, target, errno);
        if (n < 0)
            return state.Fail(FileOp::Copy, source, errno);
        if (n == 0)
            return state.Changed(FileError::Found(FileOp::Read, FileFault::Changed, source));
        offset += n;
        if (!state.progress->Advance(static_cast<std::uint64_t>(n))) {
            return state.Cancelled(source);
        }
    }
    return true;
}

bool CopyFileContents(const std::string& source, const std::string& target, const struct stat& st,
                      CopyState& state, CopiedEntry& copied) {
    FdGuard in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0) {
        const int err = errno;
        if (err == ENOENT)
            return state.Changed(FileError::System(FileOp::Open, source, err));
        return state.Fail(FileOp::Open, source, err);
    }
    FdGuard out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return state.Fail(FileOp::Create, target, errno);
    const off_t size = st.st_size;
    // Holes stay holes: a sparse file of many gigabytes costs only its data.
    off_t offset = 0;
    // Only a file with fewer blocks than its size can have holes: the others need no search.
    bool sparseAware = static_cast<off_t>(st.st_blocks) * 512 < size;
    CopyWay way = CopyWay::Range;
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
            return state.Cancelled(source);
        }
        if (!CopyRange(in.get(), out.get(), data, hole, source, target, state, way))
            return false;
        offset = hole;
    }
    if (::ftruncate(out.get(), size) != 0)
        return state.Fail(FileOp::Write, target, errno);
    // The file that was opened is the one examined before, and nobody wrote to it meanwhile.
    struct stat after {};
    if (::fstat(in.get(), &after) != 0)
        return state.Fail(FileOp::Examine, source, errno);
    if (!Unchanged(copied.source, after))
        return state.Changed(FileError::Found(FileOp::Copy, FileFault::Changed, source));
    if (::fsync(out.get()) != 0)
        return state.Fail(FileOp::Flush, target, errno);
    struct stat written {};
    if (::fstat(out.get(), &written) != 0 || written.st_size != size)
        return state.Fail(FileError::Found(FileOp::Copy, FileFault::WrongSize, source));
    copied.copyDevice = written.st_dev;
    copied.copyInode = written.st_ino;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.get(), times);
    if (::fchmod(out.get(), st.st_mode & 07777) != 0)
        return state.Fail(FileOp::SetPermissions, target, errno);
    if (::close(out.release()) != 0)
        return state.Fail(FileOp::Write, target, errno);
    return true;
}

void NoteCopied(CopyState& state, const std::string& relative, const CopiedEntry& entry) {
    if (state.copied)
        state.copied->insert_or_assign(relative, entry);
}

// `relative`: the path below the item being transferred, "" for the item itself.
bool CopyTree(const std::string& source, const std::string& target, const std::string& relative,
              CopyState& state) {
    const bool mayLeaveOut = state.leaveOutChanged && !relative.empty();
    struct stat st {};
    if (::lstat(source.c_str(), &st) != 0) {
        // Gone before its copy: nothing to copy, nothing to remove.
        if (errno == ENOENT && mayLeaveOut)
            return true;
        return state.Fail(FileOp::Examine, source, errno);
    }
    CopiedEntry entry{StateOf(st)};
    if (S_ISREG(st.st_mode)) {
        if (CopyFileContents(source, target, st, state, entry)) {
            NoteCopied(state, relative, entry);
            return true;
        }
        if (!state.changed || state.aborted || !mayLeaveOut)
            return false;
        // Still being written: it stays in the source, and its partial copy goes.
        ::unlink(target.c_str());
        state.changed = false;
        state.error.reset();
        return true;
    }
    if (S_ISLNK(st.st_mode)) {
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(source.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size())
            return state.Fail(FileOp::ReadLink, source, n < 0 ? errno : ENAMETOOLONG);
        link.resize(static_cast<std::size_t>(n));
        if (::symlink(link.c_str(), target.c_str()) != 0)
            return state.Fail(FileOp::Create, target, errno);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(AT_FDCWD, target.c_str(), times, AT_SYMLINK_NOFOLLOW);
        NoteCopied(state, relative, entry);
        return true;
    }
    if (!S_ISDIR(st.st_mode))
        return state.Fail(FileError::Found(FileOp::Copy, FileFault::Unsupported, source));
    if (::mkdir(target.c_str(), 0700) != 0)
        return state.Fail(FileOp::Create, target, errno);
    NoteCopied(state, relative, entry);
    std::vector<std::string> names;
    {
        DIR* dir = ::opendir(source.c_str());
        if (!dir)
            return state.Fail(FileOp::Open, source, errno);
        DirGuard guard(dir);
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                if (errno != 0)
                    return state.Fail(FileOp::Read, source, errno);
                break;
            }
            if (!IsDotOrDotDot(entry->d_name))
                names.emplace_back(entry->d_name);
        }
    }
    for (const std::string& name : names) {
        if (!CopyTree(source + "/" + name, target + "/" + name, ChildPath(relative, name), state))
            return false;
        if (!state.progress->Advance(0)) {
            return state.Cancelled(source);
        }
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, target.c_str(), times, 0);
    if (::chmod(target.c_str(), st.st_mode & 07777) != 0)
        return state.Fail(FileOp::SetPermissions, target, errno);
    return true;
}

std::atomic<unsigned> g_tempCounter{0};
constexpr std::string_view kTempPrefix = ".sorvanta-transfer-";

// The pid in a temporary's name, or 0 when the name is not one of ours.
pid_t TempOwner(std::string_view name) {
    if (!StartsWith(name, kTempPrefix))
        return 0;
    name.remove_prefix(kTempPrefix.size());
    const auto dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size())
        return 0;
    long long pid = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i == dash)
            continue;
        if (name[i] < '0' || name[i] > '9' || (i < dash && pid > 1'000'000'000))
            return 0;
        if (i < dash)
            pid = pid * 10 + (name[i] - '0');
    }
    return static_cast<pid_t>(pid);
}

// A copy killed outright leaves its temporary behind, and nothing can clean up after SIGKILL; so
// the first transfer of this process into a folder removes those of processes that no longer
// exist. A live process (or one of another user, which kill cannot ask) keeps its own.
void RemoveDeadTemporaries(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> cleaned;
    {
        const std::lock_guard lock(mutex);
        if (!cleaned.insert(folder).second)
            return;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    DirGuard guard(dir);
    std::vector<std::string> dead;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = TempOwner(entry->d_name);
        if (owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH)
            dead.emplace_back(entry->d_name);
    }
    for (const std::string& name : dead)
        static_cast<void>(RemoveNative(folder + "/" + name));
}

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

// Copies `source` under a temporary name beside `target`, then gives it the target's name. A move
// passes `copied` to learn what was copied (and, for a folder, leaves out what changed meanwhile).
// The temporary's name means nothing to the user: a failure inside it names the target.
FileError NamedAsTarget(FileError error, const std::string& temp, const std::string& target) {
    if (error.path == temp || StartsWith(error.path, temp + "/"))
        error.path = target + error.path.substr(temp.size());
    return error;
}

} // namespace

TransferResult CopyInto(const std::string& source, const std::string& target, const TransferOptions& options,
                        TransferProgress* progress, CopiedEntries* copied, bool leaveOutChanged) {
    TransferResult result;
    RemoveDeadTemporaries(ParentOf(target));
    const std::string temp = TempNameBeside(target);
    CopyState state;
    state.copied = copied;
    state.leaveOutChanged = leaveOutChanged;
    {
        ProgressScope scope(progress, options.progressTitle, TreeBytes(source));
        state.progress = &scope;
        if (!CopyTree(source, temp, {}, state)) {
            struct stat st {};
            if (::lstat(temp.c_str(), &st) == 0)
                static_cast<void>(RemoveNative(temp));
            result.outcome = state.aborted ? TransferOutcome::Aborted : TransferOutcome::Failed;
            result.error = NamedAsTarget(std::move(*state.error), temp, target);
            result.changedDuringCopy = state.changed && !state.aborted;
            return result;
        }
    }
    if (options.beforePlacing)
        options.beforePlacing();
    int placed = -1;
    if (options.replaceExisting) {
        struct stat existing {};
        struct stat copied {};
        const bool exists = ::lstat(target.c_str(), &existing) == 0;
        ::lstat(temp.c_str(), &copied);
        if (exists && (S_ISDIR(existing.st_mode) || S_ISDIR(copied.st_mode))) {
            FileStatus removed = RemoveNative(target);
            if (!removed) {
                static_cast<void>(RemoveNative(temp));
                result.error = removed.error();
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
        result.error = err == EEXIST ? FileError::Found(FileOp::Create, FileFault::Exists, target)
                                     : FileError::System(FileOp::Create, target, err);
        return result;
    }
    SyncFolder(ParentOf(target));
    result.outcome = TransferOutcome::Ok;
    return result;
}

} // namespace sv::detail
