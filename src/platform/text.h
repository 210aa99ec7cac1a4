// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sv {

// Removes every character with a code up to the blank (0x20) at both ends.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string_view TrimView(std::string_view text); // the same as Trim, without a copy
std::string TrimRight(std::string_view text);

// A decimal integer with optional leading and trailing blanks and an optional sign, as the data
// files store numbers; nothing for any other text or a value out of range.
std::optional<long long> ParseInteger(std::string_view text);

bool StartsWith(std::string_view text, std::string_view prefix);

// Case changes of the ASCII letters alone, whatever the process locale says.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

// The last two decimal digits of a non-negative value, zero-padded ("07").
std::string TwoDigits(int value);

} // namespace sv
