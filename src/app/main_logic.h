// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"
#include "platform/result.h"
#include "platform/shell.h"
#include "services/open_folder.h"
#include "store/condition_list.h"
#include "store/settings.h"

#include <string>
#include <string_view>

// What the main window decides, kept apart from its controls so that it can be tested alone.
namespace sv {

// A folder text (path text) holding one of / * ? < > " | cannot name a folder.
bool HasForbiddenFolderChar(std::string_view pathText);

// Why a folder typed in native form cannot be stored, or "" when it can: a forbidden character,
// a backslash (no path text can hold it) or a character code page 932 cannot hold.
std::string TypedFolderProblem(std::string_view native);

// The message for a text that code page 932 cannot hold; `what` names the field.
std::string UnencodableMessage(std::string_view what, std::string_view text);

// The question asked before a condition is deleted.
std::string DeleteQuestion(std::string_view keywordText);

// The condition copied with "コピー"; lives until the program ends.
struct TCopyBuffer final {
    TSortCondition condition;
    bool checked = false;
    bool full = false;
};

// Inserts the buffered condition at `index` with the check state it had when it was copied.
// A full table refuses, naming why, and keeps every condition.
Status PasteFromBuffer(TConditionList& list, int index, const TCopyBuffer& buffer);

// Enabled states of the commands that depend on the selection.
struct TCommandStates final {
    bool selectionCommands = false; // run selected, edit, delete, copy, open destination
    bool up = false;
    bool down = false;
};

TCommandStates CommandStates(int selectedRow, int rowCount);

// Heights and tops of the up and down buttons beside the list: each is half the list's height
// minus 5, the down button 11 pixels below the up button.
struct TUpDownLayout final {
    int upTop = 0;
    int downTop = 0;
    int height = 0;
};

TUpDownLayout UpDownLayout(int listTop, int listHeight);

// The settings file is named after the executable ("name.ini"); the shipped lowercase
// executable keeps the file name other installations use, "Sorvanta.ini".
std::string IniFileNameFor(std::string_view executableBaseName);

} // namespace sv
