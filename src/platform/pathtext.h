// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace sv {

// Inside the program and in every stored file a path is a path text: "\" separates folders
// (on Linux "/home/u/Downloads" is "\home\u\Downloads"). Only these two functions cross over.
std::string ToNativePath(std::string_view pathText);
std::string FromNativePath(std::string_view nativePath);

// A native name holding a backslash cannot be a component of a path text.
bool IsPathTextName(std::string_view nativeName);

// Joins a folder path text and a name with exactly one backslash between them.
std::string JoinPath(std::string_view folder, std::string_view name);

// The folder part of a path text including its trailing backslash ("" when there is none).
std::string FolderOf(std::string_view pathText);

// What follows the last backslash: the name of a file or folder ("" when the text ends in a
// backslash, the whole text when it has none).
std::string_view LastComponent(std::string_view pathText);

// The text without its trailing backslashes; the root "\" stays as it is.
std::string_view WithoutTrailingSeparators(std::string_view pathText);

// A folder text ending in exactly one backslash, however many it had ("" gives "\").
std::string WithTrailingSeparator(std::string_view folder);

} // namespace sv
