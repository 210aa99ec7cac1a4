// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"
#include "store/condition_list.h"

#include <string>
#include <string_view>
#include <vector>

namespace sv {

// Where the imported rows go.
enum class ImportMode { Replace = 0, Top = 1, Bottom = 2, AtCursor = 3 };

inline constexpr std::string_view kImportDone = "インポート処理が正常に完了しました。";
inline constexpr std::string_view kImportErrorsHeader = "以下の行に構文エラーがありました。";

// What lives on between imports for the life of the process: the table as the last import found
// it, and the two marks the dialog and the main window read.
struct TImportState final {
    TConditionList undoCopy;
    bool undoPossible = false;
    bool changed = false;
};

struct TImportOutcome final {
    Status read;                     // the file could not be read: nothing changed
    std::vector<std::string> report; // one line per refused row and repaired size
    std::string note;                // says where the reading stopped in a longer file
    int imported = 0;
    // The report as the dialog shows it: the done text, or the header and the report lines.
    std::string MemoText() const;
};

// The insertion point of a mode: slot 0, the end of the list, or the selected row (slot 0 when
// none is selected).
int ImportInsertionPoint(ImportMode mode, int rowCount, int selectedRow);

// Reads the file and, when that worked, takes the undo copy, empties the table in mode 0, checks
// the rows behind the three header lines and inserts the accepted ones in file order in one pass.
// In mode 0 a row with the setting name, keywords and folders of a condition it replaces keeps that
// condition's time-stamp limits, which the file does not hold.
// Rows that no longer fit into the table are refused with a report line; no stored condition is
// lost. Sets both marks.
TImportOutcome ImportConditions(std::string_view pathText, ImportMode mode, int selectedRow,
                                TConditionList& list, TImportState& state);

// Puts the table back as the last import found it; clears the undo mark and sets the changed one.
void UndoImport(TConditionList& list, TImportState& state);

} // namespace sv
