// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

#include <string>
#include <string_view>

namespace sv {

// Every function here takes path texts.

enum class ReadState { Ok, Missing, Failed };

struct FileRead final {
    ReadState state = ReadState::Missing;
    std::string bytes;
    std::string error; // why a read failed
};

FileRead ReadWholeFile(std::string_view pathText);

// Replaces the file atomically: a temporary file in the same folder is written, flushed and
// renamed over it, so a failed save never leaves a half-written file. An existing file whose
// write permission is off is not replaced (it is the user's read-only mark) and the write fails.
// When the folder cannot take the temporary file but the file itself is writable (a program
// folder made read-only around writable data files), the file is written in place instead:
// whole, then cut to its new length, flushed and synced. `inPlace`, when given, says which way
// was taken.
Status WriteFileAtomic(std::string_view pathText, std::string_view bytes, bool* inPlace = nullptr);

// What a file looked like when it was read or written, to notice a change made by someone else.
struct FileStamp final {
    bool exists = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long mtimeNanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(std::string_view pathText);

// Copies a data file aside before it is replaced ("name.bak", "name.bak1", ...), never
// overwriting an older copy; returns the copy's path text. When a copy of exactly these bytes is
// already there, that one is returned and `existed` says so: an unchanged file is kept once.
Status KeepCopyAside(std::string_view pathText, std::string& copyPathText, bool* existed = nullptr);

bool FileExists(std::string_view pathText);
bool FolderExists(std::string_view pathText);
// A regular file that is not empty and can be opened for reading and writing; nothing is changed.
bool IsNonEmptyReadWriteFile(std::string_view pathText);

// Read-only means the owner write bit is off.
bool IsReadOnly(std::string_view pathText);
Status ClearReadOnly(std::string_view pathText);

// Renames an unreadable data file aside ("name.bad", "name.bad1", ...) so that no later save
// overwrites it; returns the new path text, or the failure.
Status MoveAside(std::string_view pathText, std::string& newPathText);

// The folder of the running executable as a path text with a trailing backslash.
std::string ExecutableFolder();

} // namespace sv
