// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clock.h"
#include "platform/result.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace sv {

// File operations on path texts ("\home\u\x" for "/home/u/x"). Nothing here shows a window;
// failures come back with their reason. FileExists, FolderExists, IsReadOnly and ClearReadOnly
// live in files.h.

// ---- Enumeration -------------------------------------------------------------------------------

// One directory entry. Only what readdir gives for free: the name and the entry type (lstat only
// when the file system does not fill d_type). Sizes and times are read on request (EntrySize,
// LastWriteTime): a stat per visit makes a run many times slower than the file system allows.
struct DirEntry final {
    std::string_view name;      // native name (valid only during the visit / until the next Next())
    bool isFolder = false;      // a real folder; a symbolic link is never a folder here
    bool hidden = false;        // the name begins with "."
    bool backslashName = false; // the name holds "\" and so cannot be part of a path text:
                                // callers pass such entries over (they are reported, not hidden)
};

struct EnumOptions final {
    bool skipHidden = false;         // leave out names beginning with "."
    bool skipBackslashNames = false; // leave out names that hold "\"
};

// Reads a folder one entry at a time, in the file system's order; "." and ".." never appear.
// Entries may be moved out of the folder between calls to Next().
class DirReader final {
public:
    DirReader();
    ~DirReader();
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    Status Open(std::string_view folderPathText, EnumOptions options = {});
    // The next entry, or nothing at the end (or after a read error, see error()).
    std::optional<DirEntry> Next();
    // Why the enumeration stopped early; empty after a normal end.
    const std::string& error() const { return m_error; }
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_error;
};

// Calls `visit` for every entry; `visit` returns false to stop early. Fails when the folder cannot
// be opened or read (a missing folder is a failure too).
using EntryVisitor = std::function<bool(const DirEntry& entry)>;
Status ForEachEntry(std::string_view folderPathText, const EntryVisitor& visit, EnumOptions options = {});

// ---- Attributes --------------------------------------------------------------------------------

// An entry of any kind at the path (file, folder, symbolic link even when dangling).
bool Exists(std::string_view pathText);

// Size in bytes of a file (a symbolic link: of what it points at); 0 for a folder; nothing when
// the entry does not exist or cannot be examined.
std::optional<std::uint64_t> EntrySize(std::string_view pathText);

// Last-write time of a file or folder; nothing when it cannot be read.
std::optional<FileTime> LastWriteTime(std::string_view pathText);

// Whether the file can be opened for reading now (the time-stamp folder asks this of files).
bool CanOpenForReading(std::string_view pathText);

// Free bytes for an unprivileged user on the file system holding the path.
std::optional<std::uint64_t> FreeSpace(std::string_view pathText);

// True when some process (this one included) holds the file open for writing. For a file this is
// asked of the kernel through a read lease (a few microseconds); where that is not possible (a
// folder, a file of another user, a file system without leases) IsOpenForWritingByAnyProcess
// answers. For a folder: some file inside it is open for writing.
bool IsInUseForWriting(std::string_view pathText);

// The same question answered from /proc/*/fd and /proc/*/fdinfo: always available but it visits
// every descriptor of every process (milliseconds). Processes of other users cannot be examined
// and count as not holding the file.
bool IsOpenForWritingByAnyProcess(std::string_view pathText);

// ---- Folders and deletion ----------------------------------------------------------------------

// True when the folder exists or could be created together with all missing parents; false
// otherwise (also when a part of the path is a file). Never throws.
bool ForceFolder(std::string_view pathText);

// Removes a file, symbolic link or whole folder for good. A folder is removed as far as possible;
// the result says what stayed.
Status DeletePermanently(std::string_view pathText);

// Moves a file or folder into the freedesktop trash of the user ($XDG_DATA_HOME/Trash, else
// ~/.local/share/Trash), creating the trash folders when missing and writing the .trashinfo
// record (Path=, DeletionDate= from Now()). A name already in the trash gets a unique one
// ("name.2", "name.3", ...). Entries on another file system are copied into the home trash and
// then removed. When `trashedPathText` is given it receives where the entry went.
Status MoveToRecycleBin(std::string_view pathText, std::string* trashedPathText = nullptr);

// ---- Transfer (the stand-in for the shell's move/copy) ------------------------------------------

enum class TransferMode { Move, Copy };

// Progress of a copy, for a progress window with a cancel button; kept abstract so that the
// logic stays free of windows. Begin is called only when bytes are actually copied (never for a
// rename within one file system); Advance after every chunk (about 1 MiB, also between the files of
// a folder) and returning false aborts the operation; End is called after every Begin.
class TransferProgress {
public:
    virtual ~TransferProgress() = default;
    virtual void Begin(std::string_view title, std::uint64_t totalBytes) = 0;
    virtual bool Advance(std::uint64_t bytesDone) = 0; // bytes since the last call; false = cancel
    virtual void End() = 0;
};

struct TransferOptions final {
    // Replace an entry already at the target (the suspicious-file folder wants that). Otherwise
    // an existing target is a failure and is never touched.
    bool replaceExisting = false;
    // The shell flag "no error display" (set when FileUsing is on). Nothing here ever shows an
    // error; the flag only tells the caller whether it should show result.reason itself.
    bool noErrorDisplay = false;
    // The shell flag "no confirmation" (set when ReadOnly is on). Linux asks nothing when a
    // read-only entry is moved or copied, so it changes nothing here; with ReadOnly off the caller
    // asks its own question about read-only sources before transferring.
    bool noConfirmation = false;
    // Title handed to TransferProgress::Begin ("振り分け中..." for a run).
    std::string progressTitle;
};

enum class TransferOutcome { Ok, Aborted, Failed };

struct TransferResult final {
    TransferOutcome outcome = TransferOutcome::Failed;
    std::string reason; // why it was aborted or failed; empty when Ok

    bool ok() const { return outcome == TransferOutcome::Ok; }
    // The shell operation's abort indication: anything but a complete transfer.
    bool aborted() const { return outcome != TransferOutcome::Ok; }
};

// Moves or copies a file or a whole folder (recursively) to `targetPathText`, the full new path.
// Missing parent folders of the target are created.
// - Move: rename within one file system; across file systems a copy, then the source is removed.
// - Copy: streamed into a hidden temporary name beside the target, flushed to disk, size checked,
//   modification time and permission bits kept, then renamed to the target; symbolic links are
//   copied as links.
// A failed or aborted copy removes its partial target and keeps the source; a move never removes
// its source before the copy is complete. `progress` may be null.
TransferResult TransferEntry(std::string_view sourcePathText, std::string_view targetPathText,
                             TransferMode mode, const TransferOptions& options = {},
                             TransferProgress* progress = nullptr);

// Renames within one folder or file system, never replacing an existing entry (for the extension
// rules and the history window).
Status RenameEntry(std::string_view sourcePathText, std::string_view targetPathText);

} // namespace sv
