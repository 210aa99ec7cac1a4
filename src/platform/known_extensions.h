// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace sv {

// How many known extensions (".exe", ".jpg", ...) the name holds anywhere, each one found
// removing itself but its last letter; two or more make a double extension. The run and the
// guarded opening of files both ask it.
int CountKnownExtensions(std::string_view name);

} // namespace sv
