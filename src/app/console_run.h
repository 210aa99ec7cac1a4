// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run.h"
#include "engine/run_ui.h"
#include "platform/messagebox.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace sv {

// A text on one line of a terminal or a log: a tab, line feed or other control character is
// written as \t, \n or \xHH.
std::string EscapedLine(std::string_view text);

// The run window of a process that has none (the test run of the command line, the background
// service): result rows to `rows` (nowhere when null), notes to `err` as "Sorvanta: " lines.
class ConsoleRunUi final : public RunUi {
public:
    ConsoleRunUi(std::FILE* rows, std::FILE* err) : m_rows(rows), m_err(err) {}

    // Called between entries; the service lets its signals and notices through here.
    std::function<void()> letEventsThrough;
    // The run ends after the item in hand once this says so (a request to stop).
    std::function<bool()> cancelRequested;

    void SetTopmost() override {}
    void BeginRun(bool) override {}
    void FinishRun() override {}
    void SetCaption(std::string_view) override {}
    void SetStatus(std::string_view) override {}
    void SetCountLabel(std::string_view) override {}
    void SetProgress(int) override {}
    void AddResultRow(const TReportEntry& row) override;
    void AddNote(std::string_view note) override;
    void Repaint() override {}
    void LetEventsThrough() override;
    bool CancelRequested() const override;
    void EnableCancel() override {}
    void PerformCancel() override {}
    TransferProgress* TransferProgressWindow() override { return nullptr; }

private:
    std::FILE* m_rows;
    std::FILE* m_err;
};

// Message boxes nobody can answer: each takes the answer that leaves files where they are (as
// unattended.h says) and is written to `err` on one line.
class UnattendedMessageBox final : public MessageBox {
public:
    explicit UnattendedMessageBox(std::FILE* err) : m_err(err) {}
    MbAnswer Show(const MessageBoxRequest& request) override;

private:
    std::FILE* m_err;
};

// One test run row as "/t" prints it: action mark, name, source folder and destination path,
// tab-separated, native paths. A backslash cannot occur in a name, since such names are never
// sorted.
std::string PreviewLine(const TReportEntry& row);

struct TConsoleRunOutcome final {
    TRunOutcome run;
    // The run's records reached History.dat (or there were none); otherwise they stay in the
    // journal for the next start and `saveError` says why.
    bool saved = true;
    std::string saveError;
};

// A run as the run window performs it, without one: journaled as it goes, its records put in
// front of History.dat afterwards and kept as the run that can be taken back, the journal removed.
TConsoleRunOutcome RunWithoutWindow(const TRunRequest& request, std::string_view dataFolder,
                                    std::string_view iniFileName, TRunShared& shared, RunUi& ui,
                                    MessageBox& box);

} // namespace sv
