// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fileops.h"

#include <string>
#include <string_view>

namespace sv {

// One row of a run's result list.
struct TReportEntry final {
    std::string name; // 振り分けファイル名: the final name, no folder
    std::string mark; // 処理: the action mark text
    // 振り分け先フォルダ: a path text without its trailing backslash, or "ごみ箱" / "削除" for a
    // deleted duplicate. The window shows it as a native path.
    std::string dest;
    // The folder the item came from, as a path text; not shown in the list, so rows compare
    // without it.
    std::string source{};

    bool operator==(const TReportEntry& other) const {
        return name == other.name && mark == other.mark && dest == other.dest;
    }
};

// What a sorting run needs of the window it runs in. The run window implements it; tests script
// it. Texts handed over are final (paths inside captions are already native paths), except the
// destination of a result row, which stays a path text.
//
// The continue flag lives here because both sides touch it: the run sets it before every transfer
// and the window's Cancel clears it while a transfer is under way, so that the transfer completes
// and the run ends afterwards.
class RunUi {
public:
    virtual ~RunUi() = default;

    // Keeps the window above others, without moving or resizing it (HwndTop).
    virtual void SetTopmost() = 0;
    // A run starts: flashing stops, the result list is emptied and enabled, the window timer is
    // off, OK is hidden and disabled, Cancel is enabled; while the program sits in the tray its
    // task-bar button stays hidden.
    virtual void BeginRun(bool inTray) = 0;
    // A run completed: the caption flashes, OK is enabled in Cancel's place and shown, Cancel is
    // disabled, the window timer starts.
    virtual void FinishRun() = 0;

    virtual void SetCaption(std::string_view caption) = 0;
    virtual void SetStatus(std::string_view status) = 0;
    virtual void SetCountLabel(std::string_view text) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void AddResultRow(const TReportEntry& row) = 0;
    // A line about an item the run left alone or could only partly handle, for the user to read
    // after the run (never a question; the run goes on).
    virtual void AddNote(std::string_view note) = 0;
    virtual void Repaint() = 0;

    // Called before every entry and for every folder of a subfolder search. The window lets pending
    // events through here (throttled by time), which is how Cancel and closing reach the run.
    virtual void LetEventsThrough() = 0;
    // The OK button is enabled: the user cancelled (or closed the window) while the run works.
    virtual bool CancelRequested() const = 0;
    // Cancel is usable again after a transfer (a Cancel pressed during it disabled the button).
    virtual void EnableCancel() = 0;
    // The Cancel button's own action, performed by the run when a transfer ended the run.
    virtual void PerformCancel() = 0;

    // The "振り分け中..." progress window of long copies; its cancel aborts the copy. May be null.
    virtual TransferProgress* TransferProgressWindow() = 0;

    bool ContinueFlag() const { return m_continue; }
    void SetContinueFlag(bool on) { m_continue = on; }

private:
    bool m_continue = false;
};

} // namespace sv
