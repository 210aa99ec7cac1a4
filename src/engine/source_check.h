// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sv {

// What the main window's source folders say before a run: empty `message` when the run may go
// on; otherwise the error to show and, for a missing history entry, the entry to make current.
struct TSourceCheck final {
    std::string message;
    int currentIndex = -1;

    bool ok() const { return message.empty(); }
};

// With ExecAll and a non-empty history every entry must be a usable, existing folder; otherwise
// the combo's text must be. Only the main window's folders count, also when every condition has
// its own source folder. Folders are path texts; messages show them in native form.
TSourceCheck CheckSourceFolders(bool execAll, const std::vector<std::string>& history,
                                std::string_view comboText);

} // namespace sv
