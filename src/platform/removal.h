// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_error.h"

#include <string_view>

namespace sv {

// Done when the folder exists or could be created together with all missing parents; fails
// otherwise (also when a part of the path is a file). Never throws.
FileStatus ForceFolder(std::string_view pathText);

// Removes a folder only when it is empty; fails when it is not or cannot be removed.
FileStatus RemoveEmptyFolder(std::string_view pathText);

// Removes a file, symbolic link or whole folder for good. A folder is removed as far as possible;
// the result says what stayed.
FileStatus DeletePermanently(std::string_view pathText);

} // namespace sv
