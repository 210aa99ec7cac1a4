// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_ui.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace sv {

// One planned action of a test run as "/t" prints it: action mark, name, source folder and
// destination path, tab-separated, native paths. A tab, line feed or other control character in
// a name is written as \t, \n or \xHH; a backslash cannot occur, since such names are never sorted.
std::string PreviewLine(const TReportEntry& row);

// "/t": a test run of all conditions with the stored settings, without a display. Nothing on disk
// changes (where the kernel allows it, the process first denies itself every write); the planned
// actions go to `out` one per line, notes and what the run would ask to `err`. Returns the exit code.
int RunPreviewCommand(std::string_view dataFolder, std::string_view iniFileName, std::FILE* out,
                      std::FILE* err);

} // namespace sv
