// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"
#include "platform/shell.h"

#include <optional>
#include <string_view>

namespace sv {

// The guarded opening of a sorted file with the program the desktop associates with it, used by
// the run window and the history window.

// "<path> を開きますか？"; the path is shown in native form.
MessageBoxRequest OpenQuestion(std::string_view pathText);

// The first warning that applies to the path (executable, archive when `archiveAlarm` is on,
// ".folder", double extension), asked with No as the default; nothing when none applies.
std::optional<MessageBoxRequest> OpenWarning(std::string_view pathText, bool archiveAlarm);

enum class OpenFailure { NotFound, NoAssociation, Other };

MessageBoxRequest OpenFailureMessage(OpenFailure failure);

enum class OpenResult { Declined, Opened, Failed };

// Opens a file with its program without a question; a failure is told as OpenWithWarnings tells it.
OpenResult OpenWithoutQuestions(std::string_view pathText, Shell& shell, MessageBox& box);

// Asks, warns, opens. A file that is gone by then is "not found", one we may not read cannot be
// opened, and a desktop opener that fails has no program for it.
OpenResult OpenWithWarnings(std::string_view pathText, bool archiveAlarm, Shell& shell, MessageBox& box);

} // namespace sv
