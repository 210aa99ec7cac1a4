// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/console_run.h"

#include "platform/pathtext.h"
#include "platform/unattended.h"
#include "store/history_file.h"
#include "store/last_run.h"
#include "store/run_journal.h"
#include "store/settings.h"

namespace sv {

std::string EscapedLine(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", byte);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out;
}

void ConsoleRunUi::AddResultRow(const TReportEntry& row) {
    if (m_rows == nullptr)
        return;
    const std::string line = PreviewLine(row) + "\n";
    std::fputs(line.c_str(), m_rows);
}

void ConsoleRunUi::AddNote(std::string_view note) {
    std::fprintf(m_err, "Sorvanta: %s\n", EscapedLine(note).c_str());
    std::fflush(m_err);
}

void ConsoleRunUi::LetEventsThrough() {
    if (letEventsThrough)
        letEventsThrough();
}

bool ConsoleRunUi::CancelRequested() const {
    return cancelRequested && cancelRequested();
}

MbAnswer UnattendedMessageBox::Show(const MessageBoxRequest& request) {
    const MbAnswer answer = UnattendedAnswer(request);
    std::fprintf(m_err, "%s\n", UnattendedLine(request, answer).c_str());
    std::fflush(m_err);
    return answer;
}

std::string PreviewLine(const TReportEntry& row) {
    // A deleted duplicate has "ごみ箱" or "削除" where the folder would be.
    const bool folder = row.dest.empty() || row.dest.front() == '\\';
    const std::string destination = folder ? ToNativePath(JoinPath(row.dest, row.name)) : row.dest;
    return EscapedLine(row.mark) + "\t" + EscapedLine(row.name) + "\t" +
           EscapedLine(ToNativePath(row.source)) + "\t" + EscapedLine(destination);
}

TConsoleRunOutcome RunWithoutWindow(const TRunRequest& request, std::string_view dataFolder,
                                    std::string_view iniFileName, TRunShared& shared, RunUi& ui,
                                    MessageBox& box) {
    TConsoleRunOutcome outcome;
    TPendingHistory history;
    TRunJournal journal;
    // A run that cannot keep its journal still runs; it only loses that safety net.
    history.journal = journal.Open(dataFolder).ok() ? &journal : nullptr;
    outcome.run = PerformSortRun(request, shared, ui, box, history);
    journal.Flush();
    if (history.Empty()) {
        journal.Discard();
        return outcome;
    }
    const Status saved = WriteWithReadOnlyRetry(dataFolder, iniFileName, "履歴ファイルに書き込みできません。",
                                                box, [&] { return PrependRunHistory(dataFolder, history); });
    if (!saved.ok()) {
        // The records stay in the journal, and the next start puts them in front of History.dat.
        outcome.saved = false;
        outcome.saveError = saved.error();
        return outcome;
    }
    (void)WriteLastRun(dataFolder, history);
    journal.Discard();
    return outcome;
}

} // namespace sv
