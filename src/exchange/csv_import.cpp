// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_import.h"

#include "exchange/csv_columns.h"
#include "exchange/csv_lines.h"
#include "exchange/csv_row.h"
#include "platform/cp932.h"

#include <algorithm>
#include <optional>

namespace sv {
namespace {

constexpr std::string_view kTooLong = "行が長すぎるため、インポートできませんでした";
constexpr std::string_view kTableFull =
    "振り分け条件が上限の 10000 個に達したため、インポートできませんでした";

std::string NotReadBehind(std::size_t lines) {
    return "（ファイルの " + std::to_string(lines) + " 行目より後は読み込んでいません）";
}

// What tells one condition from another for the user: the list's four columns.
struct TIdentity final {
    std::string name;
    std::string keywords;
    bool ownSource = false;
    std::string source;
    std::string dest;
    bool operator==(const TIdentity&) const = default;
};

TIdentity ConditionIdentity(const TSortCondition& condition) {
    const TConditionFields f = DecodeCondition(condition);
    return {f.settingName, f.keywords, f.ownSource, f.sourceFolder, f.destFolder};
}

// The file has no columns for the time-stamp limits. A row that stands for a condition the import
// replaces keeps that condition's limits: the n-th row of one identity takes those of the n-th
// replaced condition of that identity.
void CarryTimeLimitsOfReplaced(const TConditionList& replaced, std::vector<TSortCondition>& rows) {
    std::vector<TIdentity> identities;
    std::vector<bool> used(static_cast<std::size_t>(replaced.Count()), false);
    for (int i = 0; i < replaced.Count(); ++i)
        identities.push_back(ConditionIdentity(replaced.At(i)));
    for (TSortCondition& row : rows) {
        const TIdentity identity = ConditionIdentity(row);
        for (std::size_t i = 0; i < identities.size(); ++i) {
            if (used[i] || !(identities[i] == identity))
                continue;
            used[i] = true;
            row.destText = CarryTimeLimits(row.destText, replaced.At(static_cast<int>(i)).destText);
            break;
        }
    }
}

} // namespace

std::string TImportOutcome::MemoText() const {
    std::string text(report.empty() ? kImportDone : kImportErrorsHeader);
    for (const std::string& line : report)
        text += "\n" + line;
    if (!note.empty())
        text += "\n" + note;
    return text;
}

int ImportInsertionPoint(ImportMode mode, int rowCount, int selectedRow) {
    switch (mode) {
    case ImportMode::Replace:
    case ImportMode::Top:
        return 0;
    case ImportMode::Bottom:
        return rowCount;
    case ImportMode::AtCursor:
        return std::clamp(selectedRow, 0, rowCount);
    }
    return 0;
}

TImportOutcome ImportConditions(std::string_view pathText, ImportMode mode, int selectedRow,
                                TConditionList& list, TImportState& state) {
    TImportOutcome outcome;
    TCsvLines file;
    outcome.read = ReadCsvLines(pathText, file);
    if (!outcome.read)
        return outcome;

    state.undoCopy = list;
    const int point = ImportInsertionPoint(mode, list.Count(), selectedRow);
    if (mode == ImportMode::Replace)
        list.Clear();
    int room = TConditionList::kCapacity - list.UsedSlots();

    std::vector<TSortCondition> accepted;
    for (std::size_t i = kCsvHeaderLines; i < file.lines.size(); ++i) {
        const TCsvLine& line = file.lines[i];
        const int number = static_cast<int>(i) + 1;
        if (line.tooLong) {
            outcome.report.push_back(ImportReportLine(number, 1, kTooLong));
            continue;
        }
        std::optional<TSortCondition> row = ImportRow(Cp932ToUtf8(line.bytes), number, outcome.report);
        if (!row)
            continue;
        if (room == 0) {
            outcome.report.push_back(ImportReportLine(number, 1, kTableFull));
            continue;
        }
        --room;
        accepted.push_back(std::move(*row));
    }
    if (file.more)
        outcome.note = NotReadBehind(file.lines.size());
    if (mode == ImportMode::Replace)
        CarryTimeLimitsOfReplaced(state.undoCopy, accepted);
    outcome.imported = list.InsertAll(point, std::move(accepted));
    state.undoPossible = true;
    state.changed = true;
    return outcome;
}

void UndoImport(TConditionList& list, TImportState& state) {
    list = state.undoCopy;
    state.undoPossible = false;
    state.changed = true;
}

} // namespace sv
