// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"

#include <string>
#include <string_view>

namespace sv {

// Without a display nobody can answer a box. Every question then takes the answer that leaves
// files where they are and lets the work go on: No to "create the folder?", "move the read-only
// file?", "stop the run?", "clear the read-only marks and retry?"; Cancel where there is one.
MbAnswer UnattendedAnswer(const MessageBoxRequest& request);

// The caption of the button that gives the answer ("はい", "いいえ", "OK", "キャンセル").
std::string_view AnswerText(MbAnswer answer);

// The line written to standard error for a box answered that way (one line, no line feeds).
std::string UnattendedLine(const MessageBoxRequest& request, MbAnswer answer);

} // namespace sv
