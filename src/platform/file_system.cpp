// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_system.h"

#include "platform/file_attributes.h"
#include "platform/file_reader.h"
#include "platform/files.h"
#include "platform/in_use.h"
#include "platform/removal.h"
#include "platform/trash.h"

namespace sv {

bool DiskFileSystem::Exists(std::string_view pathText) {
    return sv::Exists(pathText);
}

bool DiskFileSystem::FileExists(std::string_view pathText) {
    return sv::FileExists(pathText);
}

bool DiskFileSystem::FolderExists(std::string_view pathText) {
    return sv::FolderExists(pathText);
}

std::optional<std::uint64_t> DiskFileSystem::EntrySize(std::string_view pathText) {
    return sv::EntrySize(pathText);
}

std::optional<FileTime> DiskFileSystem::LastWriteTime(std::string_view pathText) {
    return sv::LastWriteTime(pathText);
}

bool DiskFileSystem::CanOpenForReading(std::string_view pathText) {
    return sv::CanOpenForReading(pathText);
}

bool DiskFileSystem::IsReadOnly(std::string_view pathText) {
    return sv::IsReadOnly(pathText);
}

bool DiskFileSystem::IsInUseForWriting(std::string_view pathText, const InUseProbe& probe) {
    return probe.IsInUseForWriting(pathText);
}

std::optional<FileIdentity> DiskFileSystem::IdentityOf(std::string_view pathText) {
    return sv::IdentityOf(pathText);
}

bool DiskFileSystem::IsSameItem(std::string_view pathTextA, std::string_view pathTextB) {
    return sv::IsSameItem(pathTextA, pathTextB);
}

std::optional<ItemStamp> DiskFileSystem::ItemStampOf(std::string_view pathText) {
    return sv::ItemStampOf(pathText);
}

std::optional<ContentStamp> DiskFileSystem::ContentStampOf(std::string_view pathText) {
    return sv::ContentStampOf(pathText);
}

bool DiskFileSystem::IsSymbolicLink(std::string_view pathText) {
    return sv::IsSymbolicLink(pathText);
}

bool DiskFileSystem::OnFileSystemOf(std::string_view entryPathText, std::string_view folderPathText) {
    return sv::OnFileSystemOf(entryPathText, folderPathText);
}

FileStatus DiskFileSystem::OpenFolder(DirReader& reader, std::string_view folderPathText,
                                      EnumOptions options) {
    return reader.Open(folderPathText, options);
}

FileStatus DiskFileSystem::OpenFile(FileReader& reader, std::string_view pathText) {
    return reader.Open(pathText);
}

TransferResult DiskFileSystem::Transfer(std::string_view sourcePathText, std::string_view targetPathText,
                                        TransferMode mode, const TransferOptions& options,
                                        TransferProgress* progress) {
    return TransferEntry(sourcePathText, targetPathText, mode, options, progress);
}

bool DiskFileSystem::MoveByRename(std::string_view sourcePathText, std::string_view targetPathText) {
    return sv::MoveByRename(sourcePathText, targetPathText);
}

FileStatus DiskFileSystem::Rename(std::string_view sourcePathText, std::string_view targetPathText) {
    return RenameEntry(sourcePathText, targetPathText);
}

FileStatus DiskFileSystem::ForceFolder(std::string_view pathText) {
    return sv::ForceFolder(pathText);
}

FileStatus DiskFileSystem::RemoveEmptyFolder(std::string_view pathText) {
    return sv::RemoveEmptyFolder(pathText);
}

FileStatus DiskFileSystem::DeletePermanently(std::string_view pathText) {
    return sv::DeletePermanently(pathText);
}

FileStatus DiskFileSystem::MoveToRecycleBin(std::string_view pathText) {
    return sv::MoveToRecycleBin(pathText).status();
}

FileSystem& Disk() {
    static DiskFileSystem disk;
    return disk;
}

FileStatus ForEachEntry(FileSystem& files, std::string_view folderPathText, const EntryVisitor& visit,
                        EnumOptions options) {
    DirReader reader;
    if (FileStatus opened = files.OpenFolder(reader, folderPathText, options); !opened)
        return opened;
    while (const auto entry = reader.Next()) {
        if (!visit(*entry))
            return {};
    }
    if (reader.error())
        return *reader.error();
    return {};
}

} // namespace sv
