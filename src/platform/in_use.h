// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace sv {

// True when some process (this one included) holds the file open for writing. For a file this is
// asked of the kernel through a read lease (a few microseconds); where that is not possible (a
// folder, a file of another user, a file system without leases) IsOpenForWritingByAnyProcess
// answers. For a folder: some file inside it is open for writing.
bool IsInUseForWriting(std::string_view pathText);

// The same question answered from /proc/*/fd and /proc/*/fdinfo: always available but it visits
// every descriptor of every process (milliseconds). Processes of other users cannot be examined
// and count as not holding the file.
bool IsOpenForWritingByAnyProcess(std::string_view pathText);

} // namespace sv
