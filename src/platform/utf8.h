// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sv {

// Decodes one code point at `pos` and advances `pos`. Malformed input yields U+FFFD for one byte,
// so a damaged text never stops a loop or reads past its end.
char32_t Utf8Next(std::string_view text, std::size_t& pos);

void Utf8Append(std::string& out, char32_t cp);

std::u32string Utf8ToU32(std::string_view text);
std::string U32ToUtf8(std::u32string_view text);

// Number of code points.
std::size_t Utf8Length(std::string_view text);

} // namespace sv
