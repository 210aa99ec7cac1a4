// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

#include <string>
#include <string_view>

namespace sv {

// The desktop's services for opening things. Every path is a path text.
class Shell {
public:
    virtual ~Shell() = default;
    // Shows a folder in the desktop's file manager.
    virtual Status OpenFolder(std::string_view folder) = 0;
    // Opens a file with the program the desktop associates with it (a help page in the browser).
    virtual Status OpenFile(std::string_view file) = 0;
    // Starts `program` with `argument` as its one argument, without a shell in between, so blanks,
    // quotes or ";" in the argument reach the program as they are.
    virtual Status StartProgram(std::string_view program, std::string_view argument) = 0;
};

} // namespace sv
