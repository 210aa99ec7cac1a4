// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace sv {

enum class ContentMatch { Equal, Different, Failed, Stopped };

// Compares two files of `files` byte for byte. `keepGoing` hears how many bytes of each file were
// compared so far, after every chunk; false stops the compare (Stopped).
ContentMatch CompareContents(FileSystem& files, std::string_view pathTextA, std::string_view pathTextB,
                             const std::function<bool(std::uint64_t done)>& keepGoing);

} // namespace sv
