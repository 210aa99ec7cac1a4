// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

#include <string_view>

namespace sv {

// True when the folder exists or could be created together with all missing parents; false
// otherwise (also when a part of the path is a file). Never throws.
bool ForceFolder(std::string_view pathText);

// Removes a folder only when it is empty; false when it is not or cannot be removed.
bool RemoveEmptyFolder(std::string_view pathText);

// Removes a file, symbolic link or whole folder for good. A folder is removed as far as possible;
// the result says what stayed.
Status DeletePermanently(std::string_view pathText);

} // namespace sv
