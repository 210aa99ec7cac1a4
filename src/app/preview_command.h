// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/console_run.h"

#include <cstdio>
#include <string_view>

namespace sv {

// "/t": a test run of all conditions with the stored settings, without a display. Nothing on disk
// changes (where the kernel allows it, the process first denies itself every write); the planned
// actions go to `out` one per line (PreviewLine), notes and what the run would ask to `err`. Every
// question takes the answer "/a" would get, so that the plan is what "/a" then does. Returns the
// exit status: 0, or 1 when the run could not start (Condition.txt unreadable, a source folder
// missing), as for "/a".
int RunPreviewCommand(std::string_view dataFolder, std::string_view iniFileName, std::FILE* out,
                      std::FILE* err);

} // namespace sv
