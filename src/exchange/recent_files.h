// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/settings.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace sv {

using TRecentSlots = std::array<std::string, kMaxRecentFiles>;

// The non-empty slots in slot order, as the file box lists them.
std::vector<std::string> RecentItems(const TRecentSlots& slots);

// The recent-file update both exchange dialogs share: the empty entries go, the current name
// (normalised, when not empty) goes to the top, every later copy of an entry goes, at most ten
// stay. Returns the new list; the slots take entry k or the empty text.
std::vector<std::string> UpdateRecentFiles(const std::vector<std::string>& items, std::string_view current,
                                           TRecentSlots& slots);

// Why a file name cannot be kept in the settings file (a character code page 932 cannot hold, or
// longer than a value the file reads back), or "" when it can.
std::string RecentNameProblem(std::string_view pathText);

} // namespace sv
