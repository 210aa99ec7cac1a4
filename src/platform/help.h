// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"
#include "platform/shell.h"

#include <string>
#include <string_view>

namespace sv {

// Help context numbers of the windows.
namespace help {
inline constexpr int Main = 14;
inline constexpr int History = 20;
inline constexpr int Exchange = 20; // the export and import dialogs share the history's page
inline constexpr int Condition = 22;
inline constexpr int Options = 24;
inline constexpr int About = 30;
} // namespace help

// The page of a context: `programFolder`\help\<context>.html.
std::string HelpPagePath(std::string_view programFolder, int context);

// Opens the page of `context` in the default browser; a missing page is told in a box.
void ShowHelp(std::string_view programFolder, int context, Shell& shell, MessageBox& box);

} // namespace sv
