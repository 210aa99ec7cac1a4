// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clock.h"
#include "platform/dir_reader.h"
#include "platform/file_identity.h"
#include "platform/file_system.h"
#include "platform/result.h"
#include "platform/transfer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace sv {

class DryListing;

// What a run would change, kept in memory instead of on disk: the file system of a test run. Reads
// see the folders as the changes so far would have left them, and every change (move, copy,
// rename, delete, a new folder, a move to the trash) is only noted. Contents never change, so a
// file's bytes, size and permissions are read from the real item wherever it still lies. Paths
// are compared after resolving the links of their folders, as the kernel would; a link that is
// itself moved is followed where it really points. Items the run recorded carry no stamp here,
// and nothing is a symbolic link: what a test run lists is not on disk to be looked at again.
class DryRun final : public FileSystem {
public:
    DryRun();
    ~DryRun() override;
    DryRun(const DryRun&) = delete;
    DryRun& operator=(const DryRun&) = delete;

    bool KeepsChangesInMemory() const override { return true; }

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
    std::optional<ItemStamp> ItemStampOf(std::string_view) override { return std::nullopt; }
    std::optional<ContentStamp> ContentStampOf(std::string_view pathText) override;
    bool IsSymbolicLink(std::string_view) override { return false; }
    // Asked of the disk: a wrong answer costs a transfer only speed.
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
    // The item goes without a trash to go to.
    FileStatus MoveToRecycleBin(std::string_view pathText) override { return DeletePermanently(pathText); }

    // The real file that holds the bytes at this path, as a native path; nothing when there is no
    // file there (a folder the run made has no real counterpart).
    std::optional<std::string> RealFile(std::string_view pathText);
    // How many changes were noted (moves, copies, renames, deletions, new folders).
    int ChangeCount() const { return m_changes; }

private:
    friend class DryListing;
    std::unique_ptr<DryListing> OpenListing(std::string_view folderPathText, EnumOptions options,
                                            FileError& error);
    enum class Kind { Hidden, Real, Made };
    struct Node final {
        Kind kind = Kind::Real;
        std::string real;       // Real: the native path of the item that lies here
        std::uint64_t copy = 0; // not 0: a copy the run made, an item of its own
        std::optional<FileTime> mtime;
        std::uint64_t serial = 0; // order of arrival, for listings
    };
    struct Where final {
        Kind kind = Kind::Hidden; // Hidden: nothing there
        std::string real;
        std::uint64_t copy = 0;
        std::optional<FileTime> mtime;
        std::uint64_t serial = 0;
    };

    std::string Key(std::string_view pathText);
    std::string FolderKey(const std::string& native);
    Where Resolve(const std::string& key) const;
    Where ResolveText(std::string_view pathText);
    int MissingError(const std::string& key) const;
    bool Writable(const std::string& folderKey) const;
    std::uint64_t RealDevice(const std::string& key) const;
    void Place(const std::string& from, const std::string& to, bool copy);
    void Touch(const std::string& folderKey);
    void EraseBelow(const std::string& key, bool includingKey);

    std::recursive_mutex m_mutex; // the duplicate compare reads on a worker thread
    std::map<std::string, Node> m_nodes;
    std::unordered_map<std::string, std::string> m_folderKeys;
    std::uint64_t m_serial = 0;
    std::uint64_t m_copies = 0;
    int m_changes = 0;
};

// One enumeration of a folder as the dry run sees it: the real entries that are still there, in
// the file system's order, then those the run had brought in when the listing began, in the order
// they came.
class DryListing final : public FolderView {
public:
    DryListing(DryRun& run, std::string key, std::string real, bool realFolder, EnumOptions options);
    ~DryListing() override;
    std::optional<DirEntry> Next() override;
    bool Opened() const { return m_dir != nullptr || !m_realFolder; }

private:
    bool Wanted(DirEntry& entry) const;

    DryRun& m_run;
    std::string m_key;
    std::string m_real;
    EnumOptions m_options;
    bool m_realFolder = false;
    void* m_dir = nullptr; // DIR*
    bool m_realDone = false;
    std::vector<std::string> m_arrivals; // names of items the run brought in
    std::size_t m_nextArrival = 0;
    std::string m_name;
};

} // namespace sv
