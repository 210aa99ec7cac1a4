// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sv {

// Code page 932 is the on-disk form of every data file; inside the program texts are UTF-8.
//
// A byte that is not valid code page 932 is decoded to the private-use character U+F700 + byte
// and encoded back to that same byte. A damaged file therefore reads without a crash, none of its
// bytes turns into a character with a meaning (a marker, a separator), and writing it back
// reproduces it exactly.

std::string Cp932ToUtf8(std::string_view bytes);

// Strict: nothing when a character cannot be held by code page 932.
std::optional<std::string> Utf8ToCp932(std::string_view text);

// Lossy: each character code page 932 cannot hold becomes "?". For records of names found on disk.
std::string Utf8ToCp932Lossy(std::string_view text);

bool CanEncodeCp932(std::string_view text);

// The first character of `text` that code page 932 cannot hold, empty when there is none.
std::string FirstUnencodableChar(std::string_view text);

// Length of `text` in code page 932 bytes; a character it cannot hold counts as one byte ("?").
std::size_t Cp932Length(std::string_view text);

// Cuts `text` to at most `maxBytes` code page 932 bytes without splitting a character.
std::string Cp932Truncate(std::string_view text, std::size_t maxBytes);

} // namespace sv
