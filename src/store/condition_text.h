// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace sv {

// What keeps a text typed or imported into a condition from being stored and read back as it was.
// The editor and the import refuse the same texts; each says why in its own words.
enum class TextFault {
    None,
    ControlChar,  // a byte below 0x20 or 0x7F: a marker, a block or a line end once stored
    FolderMarker, // / * ? " < > | in a folder: a marker, or the start of the source folder
    DoubleSlash,  // "//" in the keywords: what follows would be read as the setting name
    Unstorable,   // a character code page 932 cannot hold exactly, or a raw byte read from a file
    TooLong,      // a folder longer than the settings file reads back (2047 bytes)
};

struct TTextCheck final {
    TextFault fault = TextFault::None;
    std::string character; // the character, for Unstorable

    explicit operator bool() const { return fault != TextFault::None; }
};

// Each finds the first fault, checked in the order of the enumeration. Folders are path texts.
TTextCheck CheckKeywordText(std::string_view keywords);
TTextCheck CheckSettingNameText(std::string_view name);
TTextCheck CheckFolderText(std::string_view pathText);

// Whether keywords ending in "/" run into the "//" in front of a setting name: "abc/" and "name"
// would be stored as "abc///name" and read back as "abc" and "/name".
bool SlashRunsIntoName(std::string_view keywords, std::string_view settingName);

} // namespace sv
