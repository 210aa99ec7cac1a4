// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"
#include "platform/shell.h"
#include "store/settings.h"

#include <string_view>

namespace sv {

enum class FolderRole { Source, Destination };

// Opens a folder with the file manager program of the options, or else with the desktop. A
// folder that does not exist, or an opener that fails, is told in a box. Shared by the main, run
// and history windows.
void OpenFolder(std::string_view folder, FolderRole role, const TAppSettings& settings, Shell& shell,
                MessageBox& box);

} // namespace sv
