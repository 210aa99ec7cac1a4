// SPDX-License-Identifier: GPL-3.0-or-later
// What happens to an item: the checks, a rename within one file system, or a copy and the removal
// of what was copied across file systems.
#include "platform/transfer.h"
#include "platform/dry_run.h"

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
using detail::ErrnoText;
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
    FolderLeftovers sweep = SweepMovedFolder(copied, source, target);
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
