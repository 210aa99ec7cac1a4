// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"

#include <string>
#include <string_view>

namespace sv {

// A data file the program could not take back exactly (it would write back less, or other
// content, than it read), or one changed on disk since it was read: its bytes were copied aside
// before anything replaced them.
struct TKeptAside final {
    std::string fileName;     // "Condition.txt"
    std::string reason;       // why, in the user's words; empty when nothing was wrong
    std::string copyPathText; // where the original bytes are now; empty when the copy failed
    std::string error;        // why the copy failed

    bool Needed() const { return !reason.empty(); }
};

// The reason for a file holding characters in codes other than those writing uses (the NEC-selected
// IBM extensions, for instance): the characters stay, their bytes would change.
inline constexpr std::string_view kOtherCodesReason =
    "同じ文字を別の符号で書いた部分（NEC 選定 IBM "
    "拡張文字など）を含んでいて、保存するとその部分のバイトが変わります";

// Looks at `pathText` and, when `reason` is not empty, copies the file aside.
TKeptAside KeepAsideFor(std::string_view pathText, std::string_view fileName, std::string reason);

// The message that tells the user what was kept and where (one box; in a run without a display it
// goes to standard error).
MessageBoxRequest KeptAsideMessage(const TKeptAside& kept);

} // namespace sv
