// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_error.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

// The stand-in for the shell's move/copy.

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
    // error; the flag only tells the caller whether it should show result.error itself.
    bool noErrorDisplay = false;
    // The shell flag "no confirmation" (set when ReadOnly is on). Linux asks nothing when a
    // read-only entry is moved or copied, so it changes nothing here; with ReadOnly off the caller
    // asks its own question about read-only sources before transferring.
    bool noConfirmation = false;
    // Title handed to TransferProgress::Begin ("振り分け中..." for a run).
    std::string progressTitle;
    // The caller found the source and the target's folder on different file systems: a move
    // copies at once instead of trying a rename first. Wrong, it costs only speed.
    bool acrossFileSystems = false;
    // Called once a copy is complete and flushed, before it takes the target's name (and so
    // before anything of a moved source is removed): what must be on the disk before that (the
    // journal's intent) is waited for here, while the copy itself did not wait for it.
    std::function<void()> beforePlacing;
};

enum class TransferOutcome { Ok, Aborted, Failed };

struct TransferResult final {
    TransferOutcome outcome = TransferOutcome::Failed;
    std::optional<FileError> error; // why it was aborted or failed; nothing when Ok
    // Ok, but a folder moved across file systems could not be removed from its old place
    // completely: what was copied and removed is at the target, and these entries stayed in the
    // folder, as native paths relative to it ("sub/new.txt"; "." for the folder itself): added or
    // changed while it was moved, or not removable. A changed file's copy is not kept at the target.
    std::vector<std::string> stayedBehind;
    // The first failure to remove one of them, when that is why it stayed.
    std::optional<FileError> leftBehindError;
    // Failed because the source changed while it was copied (a writer was still at it): the
    // source stays as it is, and no copy of it is kept.
    bool changedDuringCopy = false;

    bool ok() const { return outcome == TransferOutcome::Ok; }
    // The shell operation's abort indication: anything but a complete transfer.
    bool aborted() const { return outcome != TransferOutcome::Ok; }
    bool leftBehind() const { return !stayedBehind.empty(); }

    static TransferResult Done() { return {TransferOutcome::Ok, {}, {}, {}, false}; }
    static TransferResult Failed(FileError why) {
        return {TransferOutcome::Failed, std::move(why), {}, {}, false};
    }
};

// Moves or copies a file or a whole folder (recursively) to `targetPathText`, the full new path.
// Missing parent folders of the target are created.
// - Move: rename within one file system; across file systems a copy, then the source is removed,
//   but only what is still as it was copied (device, inode, size, modification and change time):
//   a file changed since fails the move and its copy goes; in a folder, an entry added or changed
//   meanwhile stays where it is (stayedBehind) and a folder is removed only once it is empty.
// - Copy: streamed into a hidden temporary name beside the target, flushed to disk, size checked,
//   modification time and permission bits kept, then renamed to the target; symbolic links are
//   copied as links.
// A failed or aborted copy removes its partial target and keeps the source; a move never removes
// its source before the copy is complete. `progress` may be null.
TransferResult TransferEntry(std::string_view sourcePathText, std::string_view targetPathText,
                             TransferMode mode, const TransferOptions& options = {},
                             TransferProgress* progress = nullptr);

// A move by one rename that never replaces an entry: true when it is done. False leaves everything
// as it was (the target exists, it lies on another file system, the source or the target's folder
// is missing, ...), and TransferEntry goes the full way then.
bool MoveByRename(std::string_view sourcePathText, std::string_view targetPathText);

// Renames within one folder or file system, never replacing an existing entry (for the extension
// rules and the history window).
FileStatus RenameEntry(std::string_view sourcePathText, std::string_view targetPathText);

} // namespace sv
