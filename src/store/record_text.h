// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace sv {

// History records name files found on disk, whose names may hold anything but "/" and the zero
// byte. A record must lead back to exactly the sorted item, so what code page 932 cannot hold
// exactly is written as a reversible escape made of ASCII: "&#x" + hexadecimal code + ";".
// - a character the code page lacks or holds only approximately (é, ¥, an emoji): its code point;
// - a control character (line feed, tab, ...): its code;
// - a byte that is not UTF-8: U+DC00 + the byte, a code no real character has;
// - a "&" that begins "&#x": "&#x26;", so that a name that looks like an escape reads back as itself;
// - with `escapeStar`, the "*" (it separates the destination from the source in a record).
// Names the code page holds exactly come out unchanged, so existing records read as before.
std::string EscapeRecordText(std::string_view nativeName, bool escapeStar = false);

// The native name (or path text) a record text stands for: the escapes turned back. Text that is
// not a complete escape stays as it is.
std::string UnescapeRecordText(std::string_view recordText);

} // namespace sv
