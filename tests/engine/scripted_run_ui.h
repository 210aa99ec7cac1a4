// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_ui.h"

#include <functional>
#include <string>
#include <vector>

namespace sv::testing {

// A run window for tests: records what the run shows and behaves like the window's buttons.
class ScriptedRunUi final : public RunUi {
public:
    void SetTopmost() override { ++topmost; }
    void BeginRun(bool) override;
    void FinishRun() override;
    void SetCaption(std::string_view caption) override { captions.emplace_back(caption); }
    void SetStatus(std::string_view status) override {
        this->status = status;
        statuses.emplace_back(status);
        if (onStatus)
            onStatus(statuses.size());
    }
    void SetCountLabel(std::string_view text) override { countLabel = text; }
    void SetProgress(int percent) override {
        progress = percent;
        progressSteps.push_back(percent);
    }
    void AddResultRow(const TReportEntry& row) override { rows.push_back(row); }
    void AddNote(std::string_view note) override { notes.emplace_back(note); }
    void Repaint() override {}
    void LetEventsThrough() override;
    bool CancelRequested() const override { return m_okEnabled; }
    void EnableCancel() override {}
    void PerformCancel() override;
    TransferProgress* TransferProgressWindow() override { return progressWindow; }

    // The Cancel button: during a transfer it only clears the continue flag.
    void PressCancel();

    std::function<void(int call)> onEvents;
    // Called after every status text; the run sets one at the start of every condition.
    std::function<void(std::size_t count)> onStatus;
    TransferProgress* progressWindow = nullptr;
    std::vector<std::string> captions;
    std::vector<TReportEntry> rows;
    std::vector<std::string> notes;
    std::string status;
    std::vector<std::string> statuses; // every status text, in order
    std::vector<int> progressSteps;
    std::string countLabel;
    int progress = -1;
    int eventCalls = 0;
    int topmost = 0;
    int begun = 0;
    int finished = 0;
    int cancelActions = 0;

private:
    bool m_okEnabled = false;
};

} // namespace sv::testing
