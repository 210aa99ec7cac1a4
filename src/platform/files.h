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
Status WriteFileAtomic(std::string_view pathText, std::string_view bytes);

bool FileExists(std::string_view pathText);
bool FolderExists(std::string_view pathText);

// Read-only means the owner write bit is off.
bool IsReadOnly(std::string_view pathText);
Status ClearReadOnly(std::string_view pathText);

// Renames an unreadable data file aside ("name.bad", "name.bad1", ...) so that no later save
// overwrites it; returns the new path text, or the failure.
Status MoveAside(std::string_view pathText, std::string& newPathText);

// The folder of the running executable as a path text with a trailing backslash.
std::string ExecutableFolder();

} // namespace sv
