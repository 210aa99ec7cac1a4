// SPDX-License-Identifier: GPL-3.0-or-later
// What happens to an item: the checks, a rename within one file system, or a copy and the removal
// of what was copied across file systems.
#include "platform/transfer.h"

#include "platform/posix_util.h"
#include "platform/text.h"
#include "platform/transfer_parts.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

using detail::CanonicalPath;
using detail::ForceNative;
using detail::NativeOf;
using detail::ParentOf;
using detail::RemoveNative;
using detail::RenameNoReplace;
using detail::TransferNative;

namespace detail {

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

FileOp Verb(TransferMode mode) {
    return mode == TransferMode::Move ? FileOp::Move : FileOp::Copy;
}

} // namespace

TransferResult TransferNative(const std::string& source, const std::string& target, TransferMode mode,
                              const TransferOptions& options, TransferProgress* progress) {
    struct stat sourceStat {};
    if (::lstat(source.c_str(), &sourceStat) != 0) {
        return TransferResult::Failed(FileError::System(FileOp::Examine, source, errno));
    }
    if (S_ISDIR(sourceStat.st_mode) && IsInside(target, source)) {
        return TransferResult::Failed(FileError::Found(Verb(mode), FileFault::IntoItself, source));
    }
    struct stat targetStat {};
    const bool targetExists = ::lstat(target.c_str(), &targetStat) == 0;
    if (targetExists && targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino) {
        return TransferResult::Failed(FileError::Found(Verb(mode), FileFault::OntoItself, source));
    }
    if (targetExists && !options.replaceExisting) {
        return TransferResult::Failed(FileError::Found(Verb(mode), FileFault::Exists, target));
    }
    const std::string targetFolder = ParentOf(target);
    if (!ForceNative(targetFolder, 0777)) {
        return TransferResult::Failed(FileError::System(FileOp::MakeFolder, targetFolder, errno));
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
                if (FileStatus removed = RemoveNative(target); !removed)
                    return TransferResult::Failed(removed.error());
            }
        }
        renamed = ::rename(source.c_str(), target.c_str());
    }
    if (renamed == 0)
        return TransferResult::Done();
    if (errno != EXDEV) {
        const int err = errno;
        return TransferResult::Failed(err == EEXIST
                                          ? FileError::Found(FileOp::Move, FileFault::Exists, target)
                                          : FileError::System(FileOp::Move, source, err));
    }
    // Across file systems: the source goes only once its copy is complete. A source that could not
    // be removed afterwards is checked for before the copy starts.
    const std::string sourceFolder = ParentOf(source);
    if (::access(sourceFolder.c_str(), W_OK | X_OK) != 0) {
        return TransferResult::Failed(FileError::System(FileOp::Move, source, errno));
    }
    CopiedEntries copied;
    TransferResult result = CopyInto(source, target, options, progress, &copied, S_ISDIR(sourceStat.st_mode));
    if (!result.ok())
        return result;
    // A complete copy has noted the item itself.
    const CopiedEntry& item = copied[std::string()];
    if (!S_ISDIR(item.source.type))
        return RemoveMovedFile(source, target, item);
    FolderLeftovers sweep = SweepMovedFolder(copied, source, target);
    // The item is at the target; what stayed is named, never hidden.
    result.stayedBehind = std::move(sweep.stayed);
    if (result.leftBehind())
        result.leftBehindError = std::move(sweep.error);
    return result;
}

} // namespace detail

TransferResult TransferEntry(std::string_view sourcePathText, std::string_view targetPathText,
                             TransferMode mode, const TransferOptions& options, TransferProgress* progress) {
    return TransferNative(NativeOf(sourcePathText), NativeOf(targetPathText), mode, options, progress);
}

bool MoveByRename(std::string_view sourcePathText, std::string_view targetPathText) {
    return RenameNoReplace(NativeOf(sourcePathText), NativeOf(targetPathText)) == 0;
}

FileStatus RenameEntry(std::string_view sourcePathText, std::string_view targetPathText) {
    const std::string source = NativeOf(sourcePathText);
    const std::string target = NativeOf(targetPathText);
    if (RenameNoReplace(source, target) == 0)
        return {};
    const int err = errno;
    if (err == EEXIST)
        return FileError::Found(FileOp::Rename, FileFault::Exists, target);
    return FileError::System(FileOp::Rename, source, err);
}

} // namespace sv
