// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clock.h"
#include "platform/dir_reader.h"
#include "platform/file_error.h"
#include "platform/file_identity.h"
#include "platform/result.h"
#include "platform/transfer.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace sv {

class FileReader;
class InUseProbe;

// The items a run sorts, as the run, its placement and duplicate compare, the undo of a run and
// the history window's commands reach them: they are handed one of these, as they are handed their
// RunUi and MessageBox, and touch the disk only through it. DiskFileSystem is the disk itself; a
// DryRun (dry_run.h) notes every change in memory and answers as if it had been made, which is
// what makes a test run harmless. The program's data files are not items: the store reads and
// writes them itself.
//
// Every function takes path texts and does what the function of its name in this folder does
// (files.h, file_attributes.h, file_identity.h, in_use.h, removal.h, transfer.h, trash.h). They may
// be called from several threads at once: the duplicate compare hashes on workers.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Whether changes stay in memory: nothing on disk changes, and the kernel's change notices
    // tell nothing of them, so that what was learned from notices does not hold here.
    virtual bool KeepsChangesInMemory() const = 0;

    virtual bool Exists(std::string_view pathText) = 0;
    virtual bool FileExists(std::string_view pathText) = 0;
    virtual bool FolderExists(std::string_view pathText) = 0;
    virtual std::optional<std::uint64_t> EntrySize(std::string_view pathText) = 0;
    virtual std::optional<FileTime> LastWriteTime(std::string_view pathText) = 0;
    virtual bool CanOpenForReading(std::string_view pathText) = 0;
    virtual bool IsReadOnly(std::string_view pathText) = 0;
    // Asked the way `probe` asks (its quiet time, its clock).
    virtual bool IsInUseForWriting(std::string_view pathText, const InUseProbe& probe) = 0;
    virtual std::optional<FileIdentity> IdentityOf(std::string_view pathText) = 0;
    virtual bool IsSameItem(std::string_view pathTextA, std::string_view pathTextB) = 0;
    virtual std::optional<ItemStamp> ItemStampOf(std::string_view pathText) = 0;
    virtual std::optional<ContentStamp> ContentStampOf(std::string_view pathText) = 0;
    virtual bool IsSymbolicLink(std::string_view pathText) = 0;
    virtual bool OnFileSystemOf(std::string_view entryPathText, std::string_view folderPathText) = 0;
    // Starts `reader` on the folder's entries.
    virtual FileStatus OpenFolder(DirReader& reader, std::string_view folderPathText,
                                  EnumOptions options) = 0;
    // Opens `reader` on the file's bytes.
    virtual FileStatus OpenFile(FileReader& reader, std::string_view pathText) = 0;

    virtual TransferResult Transfer(std::string_view sourcePathText, std::string_view targetPathText,
                                    TransferMode mode, const TransferOptions& options,
                                    TransferProgress* progress) = 0;
    virtual bool MoveByRename(std::string_view sourcePathText, std::string_view targetPathText) = 0;
    virtual FileStatus Rename(std::string_view sourcePathText, std::string_view targetPathText) = 0;
    virtual FileStatus ForceFolder(std::string_view pathText) = 0;
    virtual FileStatus RemoveEmptyFolder(std::string_view pathText) = 0;
    virtual FileStatus DeletePermanently(std::string_view pathText) = 0;
    virtual FileStatus MoveToRecycleBin(std::string_view pathText) = 0;
};

// The disk itself. It keeps nothing: one object serves the whole program.
class DiskFileSystem final : public FileSystem {
public:
    bool KeepsChangesInMemory() const override { return false; }

    bool Exists(std::string_view pathText) override;
    bool FileExists(std::string_view pathText) override;
    bool FolderExists(std::string_view pathText) override;
    std::optional<std::uint64_t> EntrySize(std::string_view pathText) override;
    std::optional<FileTime> LastWriteTime(std::string_view pathText) override;
    bool CanOpenForReading(std::string_view pathText) override;
    bool IsReadOnly(std::string_view pathText) override;
    bool IsInUseForWriting(std::string_view pathText, const InUseProbe& probe) override;
    std::optional<FileIdentity> IdentityOf(std::string_view pathText) override;
    bool IsSameItem(std::string_view pathTextA, std::string_view pathTextB) override;
    std::optional<ItemStamp> ItemStampOf(std::string_view pathText) override;
    std::optional<ContentStamp> ContentStampOf(std::string_view pathText) override;
    bool IsSymbolicLink(std::string_view pathText) override;
    bool OnFileSystemOf(std::string_view entryPathText, std::string_view folderPathText) override;
    FileStatus OpenFolder(DirReader& reader, std::string_view folderPathText, EnumOptions options) override;
    FileStatus OpenFile(FileReader& reader, std::string_view pathText) override;

    TransferResult Transfer(std::string_view sourcePathText, std::string_view targetPathText,
                            TransferMode mode, const TransferOptions& options,
                            TransferProgress* progress) override;
    bool MoveByRename(std::string_view sourcePathText, std::string_view targetPathText) override;
    FileStatus Rename(std::string_view sourcePathText, std::string_view targetPathText) override;
    FileStatus ForceFolder(std::string_view pathText) override;
    FileStatus RemoveEmptyFolder(std::string_view pathText) override;
    FileStatus DeletePermanently(std::string_view pathText) override;
    FileStatus MoveToRecycleBin(std::string_view pathText) override;
};

// The program's disk, for the callers at the top that decide what a run works on.
FileSystem& Disk();

// ForEachEntry (dir_reader.h) as `files` shows the folder.
FileStatus ForEachEntry(FileSystem& files, std::string_view folderPathText, const EntryVisitor& visit,
                        EnumOptions options = {});

} // namespace sv
