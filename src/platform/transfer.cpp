// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/transfer.h"
#include "platform/dry_run.h"

#include "platform/posix_util.h"
#include "platform/text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <signal.h>
#include <stdio.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace sv {

using detail::CanonicalPath;
using detail::DirGuard;
using detail::ErrnoText;
using detail::FdGuard;
using detail::ForceNative;
using detail::IsDotOrDotDot;
using detail::NativeOf;
using detail::ParentOf;
using detail::RemoveNative;
using detail::TransferNative;
using detail::WriteAll;

namespace {

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

// ---- What was copied ----------------------------------------------------------------------------

// An entry as it was read for its copy. Looked at again later, it is unchanged only when all of
// these are: a writer that appends, rewrites in place or replaces the file changes one of them.
struct EntryState final {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified {};
    struct timespec changed {};
    mode_t type = 0;
};

EntryState StateOf(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim, st.st_mode & S_IFMT};
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool Unchanged(const EntryState& was, const struct stat& now) {
    return was.device == now.st_dev && was.inode == now.st_ino && was.size == now.st_size &&
           was.type == (now.st_mode & S_IFMT) && SameTime(was.modified, now.st_mtim) &&
           SameTime(was.changed, now.st_ctim);
}

// One entry of a copy made for a move: the source as it was copied, and the copy's inode, so that
// a copy that is no longer wanted is removed only if it is still ours.
struct CopiedEntry final {
    EntryState source;
    dev_t copyDevice = 0;
    ino_t copyInode = 0; // 0 for a link or folder: not needed
};

// By path relative to the moved item ("" for the item itself).
using CopiedEntries = std::unordered_map<std::string, CopiedEntry>;

std::string ChildPath(const std::string& relative, const std::string& name) {
    return relative.empty() ? name : relative + "/" + name;
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
    bool changed = false; // the failure is a source that changed while it was copied
    std::string error;
    // A move notes every entry it copies, to remove from the source only those.
    CopiedEntries* copied = nullptr;
    // A folder being moved: an entry that changes during its own copy, or vanishes before it, is
    // left out (it stays in the source) instead of failing the whole folder.
    bool leaveOutChanged = false;

    bool Fail(std::string text) {
        if (error.empty())
            error = std::move(text);
        return false;
    }
    bool Changed(std::string text) {
        changed = true;
        return Fail(std::move(text));
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
            return state.Fail(ErrnoText("cannot write", target, errno));
        if (n < 0)
            return state.Fail(ErrnoText("cannot copy", source + " to " + target, errno));
        if (n == 0)
            return state.Changed("cannot read " + source + ": the file became shorter while it was copied");
        offset += n;
        if (!state.progress->Advance(static_cast<std::uint64_t>(n))) {
            state.aborted = true;
            return state.Fail("the transfer was cancelled");
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
            return state.Changed(ErrnoText("cannot open", source, err));
        return state.Fail(ErrnoText("cannot open", source, err));
    }
    FdGuard out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return state.Fail(ErrnoText("cannot create", target, errno));
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
            state.aborted = true;
            return state.Fail("the transfer was cancelled");
        }
        if (!CopyRange(in.get(), out.get(), data, hole, source, target, state, way))
            return false;
        offset = hole;
    }
    if (::ftruncate(out.get(), size) != 0)
        return state.Fail(ErrnoText("cannot write", target, errno));
    // The file that was opened is the one examined before, and nobody wrote to it meanwhile.
    struct stat after {};
    if (::fstat(in.get(), &after) != 0)
        return state.Fail(ErrnoText("cannot examine", source, errno));
    if (!Unchanged(copied.source, after))
        return state.Changed("cannot copy " + source + ": it changed while it was copied");
    if (::fsync(out.get()) != 0)
        return state.Fail(ErrnoText("cannot flush", target, errno));
    struct stat written {};
    if (::fstat(out.get(), &written) != 0 || written.st_size != size)
        return state.Fail("cannot copy " + source + ": the copy has the wrong size");
    copied.copyDevice = written.st_dev;
    copied.copyInode = written.st_ino;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.get(), times);
    if (::fchmod(out.get(), st.st_mode & 07777) != 0)
        return state.Fail(ErrnoText("cannot set the permissions of", target, errno));
    if (::close(out.release()) != 0)
        return state.Fail(ErrnoText("cannot write", target, errno));
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
        return state.Fail(ErrnoText("cannot examine", source, errno));
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
        state.error.clear();
        return true;
    }
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
        NoteCopied(state, relative, entry);
        return true;
    }
    if (!S_ISDIR(st.st_mode))
        return state.Fail("cannot copy " + source + ": not a file, folder or link");
    if (::mkdir(target.c_str(), 0700) != 0)
        return state.Fail(ErrnoText("cannot create", target, errno));
    NoteCopied(state, relative, entry);
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
        if (!CopyTree(source + "/" + name, target + "/" + name, ChildPath(relative, name), state))
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
TransferResult CopyInto(const std::string& source, const std::string& target, const TransferOptions& options,
                        TransferProgress* progress, CopiedEntries* copied = nullptr,
                        bool leaveOutChanged = false) {
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
            result.reason = state.error;
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

// ---- The old place of a move across file systems -----------------------------------------------

// Removes a copy that is not wanted after all, if it is still the one made (a link has no inode
// noted: any link there is ours, the folder being fresh).
void RemoveCopy(const std::string& copy, const CopiedEntry& entry) {
    struct stat st {};
    if (::lstat(copy.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return;
    const bool ours = entry.copyInode == 0 ? S_ISLNK(st.st_mode)
                                           : st.st_dev == entry.copyDevice && st.st_ino == entry.copyInode;
    if (ours)
        ::unlink(copy.c_str());
}

// A file moved across file systems leaves its old place only when it is still what was copied:
// bytes written to it since the copy began would otherwise be lost with it. The look comes
// right before the unlink, after the copy is in place, to leave a writer the least time.
TransferResult RemoveMovedFile(const std::string& source, const std::string& target,
                               const CopiedEntry& copied) {
    TransferResult result;
    struct stat now {};
    if (::lstat(source.c_str(), &now) != 0) {
        const int err = errno;
        if (err == ENOENT) {
            // Someone else took it away meanwhile; the copy is all there is of it now.
            result.outcome = TransferOutcome::Ok;
            return result;
        }
        RemoveCopy(target, copied);
        result.reason = ErrnoText("cannot examine", source, err);
        return result;
    }
    if (!Unchanged(copied.source, now)) {
        RemoveCopy(target, copied);
        result.changedDuringCopy = true;
        result.reason = "cannot move " + source + ": it changed while it was copied";
        return result;
    }
    if (::unlink(source.c_str()) == 0 || errno == ENOENT) {
        result.outcome = TransferOutcome::Ok;
        return result;
    }
    // The source is whole: undo the copy so that the item exists once, where it was.
    const int err = errno;
    RemoveCopy(target, copied);
    result.reason = ErrnoText("cannot delete", source, err);
    return result;
}

// Takes a folder moved across file systems out of its old place entry by entry, deepest first:
// only what was copied and has not changed since goes, and a folder goes only once it is empty.
// Whatever was added or changed meanwhile stays, and is named.
class MovedFolderSweep final {
public:
    explicit MovedFolderSweep(const CopiedEntries& copied) : m_copied(copied) {}

    void Run(const std::string& source, const std::string& target) {
        static_cast<void>(Entry(AT_FDCWD, source.c_str(), source, {}));
        // The copy of a changed file is not what the source holds now: it does not stay as if whole.
        for (const std::string& relative : m_changed)
            RemoveCopy(target + "/" + relative, m_copied.at(relative));
    }

    std::vector<std::string> stayed;
    std::string error; // the first failure to remove, if any

private:
    bool Stays(const std::string& relative, std::string why = {}) {
        stayed.push_back(relative.empty() ? "." : relative);
        if (error.empty())
            error = std::move(why);
        return false;
    }

    // True when the entry is gone from the source.
    bool Entry(int parentFd, const char* name, const std::string& shown, const std::string& relative) {
        const auto found = m_copied.find(relative);
        if (found == m_copied.end())
            return Stays(relative); // arrived after its folder was read, or changed during its copy
        struct stat now {};
        if (::fstatat(parentFd, name, &now, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT || Stays(relative, ErrnoText("cannot examine", shown, errno));
        const EntryState& was = found->second.source;
        if (S_ISDIR(was.type)) {
            // A folder's times change with what is added to it; whether it may go is whether it is
            // empty once its copied entries are gone.
            if (!S_ISDIR(now.st_mode) || now.st_dev != was.device || now.st_ino != was.inode)
                return Stays(relative);
            return Folder(parentFd, name, shown, relative, now);
        }
        if (!Unchanged(was, now)) {
            m_changed.push_back(relative);
            return Stays(relative);
        }
        if (::unlinkat(parentFd, name, 0) == 0 || errno == ENOENT)
            return true;
        return Stays(relative, ErrnoText("cannot delete", shown, errno));
    }

    bool Folder(int parentFd, const char* name, const std::string& shown, const std::string& relative,
                const struct stat& now) {
        // Entries of a folder without the owner's write bit could not be removed otherwise; the
        // bits come back if the folder stays.
        const bool opened = (now.st_mode & S_IRWXU) != S_IRWXU &&
                            ::fchmodat(parentFd, name, (now.st_mode & 07777) | S_IRWXU, 0) == 0;
        bool allGone = Children(parentFd, name, shown, relative);
        if (allGone) {
            if (::unlinkat(parentFd, name, AT_REMOVEDIR) == 0)
                return true;
            // Not empty: something arrived after the folder was read.
            const int err = errno;
            allGone =
                Stays(relative, err == ENOTEMPTY || err == EEXIST ? std::string()
                                                                  : ErrnoText("cannot delete", shown, err));
        }
        if (opened)
            ::fchmodat(parentFd, name, now.st_mode & 07777, 0);
        return allGone;
    }

    bool Children(int parentFd, const char* name, const std::string& shown, const std::string& relative) {
        const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return Stays(relative, ErrnoText("cannot open", shown, errno));
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            const int err = errno;
            ::close(fd);
            return Stays(relative, ErrnoText("cannot open", shown, err));
        }
        DirGuard guard(dir);
        // Names are collected first: removing while reading may make readdir skip entries.
        std::vector<std::string> names;
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                if (errno != 0)
                    return Stays(relative, ErrnoText("cannot read", shown, errno));
                break;
            }
            if (!IsDotOrDotDot(entry->d_name))
                names.emplace_back(entry->d_name);
        }
        bool allGone = true;
        for (const std::string& child : names)
            allGone = Entry(::dirfd(dir), child.c_str(), shown + "/" + child, ChildPath(relative, child)) &&
                      allGone;
        return allGone;
    }

    const CopiedEntries& m_copied;
    std::vector<std::string> m_changed;
};

} // namespace

namespace detail {

namespace {

// Whether `target` lies in the folder `source` or is it, under any spelling: the nearest existing
// folder of the target is compared after resolving links, "." and "..".
bool IsInside(const std::string& target, const std::string& source) {
    if (target == source || StartsWith(target, source + "/"))
        return true;
    const std::string folder = CanonicalPath(source);
    if (folder.empty())
        return false;
    std::string existing = target;
    struct stat st {};
    while (::lstat(existing.c_str(), &st) != 0) {
        const std::string parent = ParentOf(existing);
        if (parent == existing)
            return false;
        existing = parent;
    }
    const std::string reached = CanonicalPath(existing);
    return !reached.empty() &&
           (reached == folder || StartsWith(reached, folder == "/" ? folder : folder + "/"));
}

} // namespace

TransferResult TransferNative(const std::string& source, const std::string& target, TransferMode mode,
                              const TransferOptions& options, TransferProgress* progress) {
    TransferResult result;
    struct stat sourceStat {};
    if (::lstat(source.c_str(), &sourceStat) != 0) {
        result.reason = ErrnoText("cannot transfer", source, errno);
        return result;
    }
    if (S_ISDIR(sourceStat.st_mode) && IsInside(target, source)) {
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
    if (options.acrossFileSystems && !options.replaceExisting) {
        errno = EXDEV;
    } else if (!options.replaceExisting) {
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
    CopiedEntries copied;
    result = CopyInto(source, target, options, progress, &copied, S_ISDIR(sourceStat.st_mode));
    if (!result.ok())
        return result;
    // A complete copy has noted the item itself.
    const CopiedEntry& item = copied[std::string()];
    if (!S_ISDIR(item.source.type))
        return RemoveMovedFile(source, target, item);
    MovedFolderSweep sweep(copied);
    sweep.Run(source, target);
    if (!sweep.stayed.empty()) {
        // The item is at the target; what stayed is named, never hidden.
        result.leftBehind = "the folder was moved to " + target +
                            " but could not be removed completely from " + source + ": " +
                            (sweep.error.empty() ? std::to_string(sweep.stayed.size()) +
                                                       " entries were added or changed while it was moved"
                                                 : sweep.error);
        result.stayedBehind = std::move(sweep.stayed);
    }
    return result;
}

} // namespace detail

TransferResult TransferEntry(std::string_view sourcePathText, std::string_view targetPathText,
                             TransferMode mode, const TransferOptions& options, TransferProgress* progress) {
    if (DryRun* dry = ActiveDryRun())
        return dry->Transfer(sourcePathText, targetPathText, mode, options);
    return TransferNative(NativeOf(sourcePathText), NativeOf(targetPathText), mode, options, progress);
}

bool MoveByRename(std::string_view sourcePathText, std::string_view targetPathText) {
    if (DryRun* dry = ActiveDryRun())
        return dry->MoveByRename(sourcePathText, targetPathText);
    return RenameNoReplace(NativeOf(sourcePathText), NativeOf(targetPathText)) == 0;
}

Status RenameEntry(std::string_view sourcePathText, std::string_view targetPathText) {
    if (DryRun* dry = ActiveDryRun())
        return dry->Rename(sourcePathText, targetPathText);
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
