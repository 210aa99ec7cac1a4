// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

namespace sv {

// Forbids this process (and the threads and children it starts afterwards) every change to the
// file system: no file or folder may be created, written, renamed or removed; reading and running
// programs stay allowed. Uses Landlock. Fails, with the reason, where the kernel offers no
// Landlock; nothing is changed then. The lock cannot be lifted again.
// Landlock has its limits, so call this early: threads already running keep their rights, files
// opened for writing before the call can still be written, and the mode, owner and times of a file
// can still be changed. On kernels before Landlock ABI 3, truncate() by path is not caught either.
Status DenyFileSystemWrites();

} // namespace sv
