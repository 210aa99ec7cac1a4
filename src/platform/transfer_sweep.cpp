// SPDX-License-Identifier: GPL-3.0-or-later
// The old place of a move across file systems: only what was copied and is unchanged goes.
#include "platform/posix_util.h"
#include "platform/transfer_parts.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace sv::detail {

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
        result.error = FileError::System(FileOp::Examine, source, err);
        return result;
    }
    if (!Unchanged(copied.source, now)) {
        RemoveCopy(target, copied);
        result.changedDuringCopy = true;
        result.error = FileError::Found(FileOp::Move, FileFault::Changed, source);
        return result;
    }
    if (::unlink(source.c_str()) == 0 || errno == ENOENT) {
        result.outcome = TransferOutcome::Ok;
        return result;
    }
    // The source is whole: undo the copy so that the item exists once, where it was.
    const int err = errno;
    RemoveCopy(target, copied);
    result.error = FileError::System(FileOp::Delete, source, err);
    return result;
}

// Takes a folder moved across file systems out of its old place entry by entry, deepest first:

namespace {

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
    std::optional<FileError> error; // the first failure to remove, if any

private:
    bool Stays(const std::string& relative, std::optional<FileError> why = std::nullopt) {
        stayed.push_back(relative.empty() ? "." : relative);
        if (!error)
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
            return errno == ENOENT || Stays(relative, FileError::System(FileOp::Examine, shown, errno));
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
        return Stays(relative, FileError::System(FileOp::Delete, shown, errno));
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
            allGone = Stays(relative, err == ENOTEMPTY || err == EEXIST
                                          ? std::nullopt
                                          : std::optional(FileError::System(FileOp::Delete, shown, err)));
        }
        if (opened) {
            // Best effort: otherwise the folder keeps the permissions it was given to be emptied.
            [[maybe_unused]] const int restored = ::fchmodat(parentFd, name, now.st_mode & 07777, 0);
        }
        return allGone;
    }

    bool Children(int parentFd, const char* name, const std::string& shown, const std::string& relative) {
        const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return Stays(relative, FileError::System(FileOp::Open, shown, errno));
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            const int err = errno;
            ::close(fd);
            return Stays(relative, FileError::System(FileOp::Open, shown, err));
        }
        DirGuard guard(dir);
        // Names are collected first: removing while reading may make readdir skip entries.
        std::vector<std::string> names;
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                if (errno != 0)
                    return Stays(relative, FileError::System(FileOp::Read, shown, errno));
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

FolderLeftovers SweepMovedFolder(const CopiedEntries& copied, const std::string& source,
                                 const std::string& target) {
    MovedFolderSweep sweep(copied);
    sweep.Run(source, target);
    return {std::move(sweep.stayed), std::move(sweep.error)};
}

} // namespace sv::detail
