// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sv {

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

// The mount point of the file system holding the path (native form, "/" or "/media/usb"), found
// by walking up while the device stays the same; empty when the path cannot be reached.
std::string MountPointOf(std::string_view pathText);

} // namespace sv
