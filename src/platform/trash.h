// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_error.h"

#include <string>
#include <string_view>

namespace sv {

// Moves a file or folder into the freedesktop trash of the user ($XDG_DATA_HOME/Trash, else
// ~/.local/share/Trash), creating the trash folders when missing and writing the .trashinfo
// record (Path=, DeletionDate= from Now()). A name already in the trash gets a unique one
// ("name.2", "name.3", ...). Entries on another file system are copied into the home trash and
// then removed. Gives the path text of where the entry went.
FileResult<std::string> MoveToRecycleBin(std::string_view pathText);

} // namespace sv
