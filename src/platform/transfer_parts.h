// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pieces a transfer is made of: transfer.cpp decides what happens to the item,
// transfer_copy.cpp copies bytes and trees, transfer_sweep.cpp takes a moved item out of its old
// place. Not for use outside src/platform.

#include "platform/transfer.h"

#include <optional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace sv::detail {

// renameat2 with RENAME_NOREPLACE where the file system has it; elsewhere a check, then rename.
int RenameNoReplace(const std::string& from, const std::string& to);

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

inline EntryState StateOf(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim, st.st_mode & S_IFMT};
}

inline bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

inline bool Unchanged(const EntryState& was, const struct stat& now) {
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

inline std::string ChildPath(const std::string& relative, const std::string& name) {
    return relative.empty() ? name : relative + "/" + name;
}

// Copies `source` under a temporary name beside `target`, then gives it the target's name. A move
// passes `copied` to learn what was copied (and, for a folder, leaves out what changed meanwhile).
TransferResult CopyInto(const std::string& source, const std::string& target, const TransferOptions& options,
                        TransferProgress* progress, CopiedEntries* copied = nullptr,
                        bool leaveOutChanged = false);

// Removes a copy that is not wanted after all, if it is still the one made (a link has no inode
// noted: any link there is ours, the folder being fresh).
void RemoveCopy(const std::string& copy, const CopiedEntry& entry);

// A file moved across file systems leaves its old place only when it is still what was copied.
TransferResult RemoveMovedFile(const std::string& source, const std::string& target,
                               const CopiedEntry& copied);

// What stayed in the old place of a folder moved across file systems.
struct FolderLeftovers final {
    std::vector<std::string> stayed; // relative paths, "." for the folder itself
    std::optional<FileError> error;  // the first failure to remove, if any
};

// Takes a folder moved across file systems out of its old place entry by entry (see
// transfer_sweep.cpp); the copy of a file that changed meanwhile goes from the target.
FolderLeftovers SweepMovedFolder(const CopiedEntries& copied, const std::string& source,
                                 const std::string& target);

} // namespace sv::detail
