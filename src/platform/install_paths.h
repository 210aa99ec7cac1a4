// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace sv {

// Where an installed program finds what it ships with, and where it keeps the user's data. Every
// result is a path text with a trailing backslash.
//
// Data: beside the executable while that folder takes a file (the program folder of run.sh, a
// copy on a USB stick); for an installed program (<prefix>/bin beside <prefix>/share/sorvanta), or
// one whose folder takes no file, $XDG_DATA_HOME/sorvanta (default ~/.local/share/sorvanta), made
// when missing. All three data files stay together either way.
// LookOnly makes nothing, not even the probe of whether the folder takes a file.
enum class DataFolderUse { Make, LookOnly };
std::string DataFolderFor(std::string_view executableFolder, DataFolderUse use = DataFolderUse::Make);

// The program was installed: it lives in <prefix>/bin and <prefix>/share/sorvanta exists.
bool IsInstalled(std::string_view executableFolder);

// The help pages: beside the executable, else the installed share folder of the program
// (<prefix>/share/sorvanta/help found from <prefix>/bin).
std::string HelpFolderFor(std::string_view executableFolder);

// The program's private library folder (<prefix>/lib/sorvanta), where the digest library goes.
std::string PrivateLibraryFolderFor(std::string_view executableFolder);

// Whether a file can be made in the folder now (tried, not guessed from permission bits: root,
// immutable folders and read-only mounts all answer truly).
bool FolderTakesFiles(std::string_view folderPathText);

} // namespace sv
