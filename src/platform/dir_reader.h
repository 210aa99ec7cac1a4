// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_error.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace sv {

// One directory entry. Only what readdir gives for free: the name and the entry type (lstat only
// when the file system does not fill d_type). Sizes and times are read on request (EntrySize,
// LastWriteTime): a stat per visit makes a run many times slower than the file system allows.
struct DirEntry final {
    std::string_view name;      // native name (valid only during the visit / until the next Next())
    bool isFolder = false;      // a real folder; a symbolic link is never a folder here
    bool link = false;          // a symbolic link (outside a test run)
    bool hidden = false;        // the name begins with "."
    bool backslashName = false; // the name holds "\" and so cannot be part of a path text:
                                // callers pass such entries over (they are reported, not hidden)
};

struct EnumOptions final {
    bool skipHidden = false;         // leave out names beginning with "."
    bool skipBackslashNames = false; // leave out names that hold "\"
};

// A folder's entries as something other than the disk shows them: the test run's memory.
class FolderView {
public:
    virtual ~FolderView() = default;
    virtual std::optional<DirEntry> Next() = 0;
};

// Reads a folder one entry at a time, in the file system's order; "." and ".." never appear.
// Entries may be moved out of the folder between calls to Next().
class DirReader final {
public:
    DirReader();
    ~DirReader();
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    FileStatus Open(std::string_view folderPathText, EnumOptions options = {});
    // Reads what `view` shows instead of the disk; without a view, the folder could not be opened
    // for `error`.
    FileStatus Open(std::unique_ptr<FolderView> view, FileError error);
    // The next entry, or nothing at the end (or after a read error, see error()).
    std::optional<DirEntry> Next();
    // Why the enumeration stopped early; nothing after a normal end.
    const std::optional<FileError>& error() const { return m_error; }
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::optional<FileError> m_error;
};

// Calls `visit` for every entry; `visit` returns false to stop early. Fails when the folder cannot
// be opened or read (a missing folder is a failure too).
using EntryVisitor = std::function<bool(const DirEntry& entry)>;
FileStatus ForEachEntry(std::string_view folderPathText, const EntryVisitor& visit, EnumOptions options = {});

} // namespace sv
