// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace sv {

// The user's download folder as a native path, the one the desktop's file dialogs and browsers
// use: XDG_DOWNLOAD_DIR of user-dirs.dirs in $XDG_CONFIG_HOME (default ~/.config), else
// ~/Downloads. Empty when that folder does not exist, and never the home folder itself (the
// desktop's way of turning a user folder off).
std::string DownloadFolder();

// The same for the given home folder and user-dirs.dirs file (both native paths).
std::string DownloadFolderOf(const std::string& home, const std::string& userDirsFile);

} // namespace sv
