// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sv {

// Removes every character with a code up to the blank (0x20) at both ends.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// A decimal integer with optional leading and trailing blanks and an optional sign, as the data
// files store numbers; nothing for any other text or a value out of range.
std::optional<long long> ParseInteger(std::string_view text);

bool StartsWith(std::string_view text, std::string_view prefix);

} // namespace sv
