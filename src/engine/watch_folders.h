// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run.h"

#include <string>
#include <vector>

namespace sv {

// The folders a run of all conditions would visit, as path texts, each once and in the order the
// run meets them: the main folder (every history entry with ExecAll) when a condition uses it, and
// each condition's own source folder, with every folder below it where the condition searches
// subfolders. Conditions the run would pass over (unticked with the list's check boxes, no
// destination) add nothing. Folders below are those that exist now.
std::vector<std::string> WatchedSourceFolders(const TRunRequest& request);

} // namespace sv
