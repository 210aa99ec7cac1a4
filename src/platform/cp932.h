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
// reproduces it: a character behind such a byte is written in another of its codes where its
// preferred one would join the byte into another character.

std::string Cp932ToUtf8(std::string_view bytes);

// Whether decoding these bytes and encoding the text again gives exactly these bytes. It does
// not when a character is written in one of its other codes (the NEC-selected IBM extensions, the
// NEC row 13 symbols that JIS also has, the IBM extensions that NEC also has): writing uses one
// code per character. Text in the preferred codes is checked by a table, without converting.
bool IsExactCp932(std::string_view bytes);

// Strict: nothing when a character cannot be held by code page 932.
std::optional<std::string> Utf8ToCp932(std::string_view text);

// Lossy: each character code page 932 cannot hold exactly becomes "?".
std::string Utf8ToCp932Lossy(std::string_view text);

bool CanEncodeCp932(std::string_view text);

// The first character of `text` that code page 932 cannot hold, empty when there is none.
std::string FirstUnencodableChar(std::string_view text);

// Whether a character is one of those code page 932 writes as a byte that reads back as another
// character (U+00A5 yen sign as 0x5C, the backslash; U+203E overline as 0x7E, the tilde; ...).
// They count as not holdable everywhere: a text never comes back from a file changed.
bool IsInexactCp932(char32_t cp);

// Whether a character is one of the escapes that stand for a raw byte read from a file.
bool IsByteEscape(char32_t cp);

// For texts the user types, pastes or picks, which will be stored: the first character that code
// page 932 cannot hold exactly, including the raw-byte escapes, which only bytes read from a file
// may carry (typed, they would write a zero byte, a line feed or a marker). Empty when none.
std::string FirstUnstorableChar(std::string_view text);

// Length of `text` in code page 932 bytes; a character it cannot hold counts as one byte ("?").
std::size_t Cp932Length(std::string_view text);

// Cuts `text` to at most `maxBytes` code page 932 bytes without splitting a character.
std::string Cp932Truncate(std::string_view text, std::size_t maxBytes);

} // namespace sv
