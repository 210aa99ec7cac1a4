// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/tray_logic.h"
#include "store/settings.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QTimer;

namespace sv {

class WatchController;

// What the tray controller needs of the window it sits below: the settings and the run, and the
// tray's and the window's looks, which only the window can change.
struct TrayHost final {
    // A monotonic clock in milliseconds; empty: the system's.
    std::function<std::int64_t()> clock;
    std::function<const TAppSettings&()> settings;
    // A run of all conditions or the about box is shown.
    std::function<bool()> runActive;
    // What was sorted since the window went to the tray; and its clearing.
    std::function<int()> completionCount;
    std::function<void()> clearCompletions;
    // One run of all conditions, with the window left where it is; the folders such a run visits.
    std::function<void()> runAll;
    std::function<std::vector<std::string>()> folders;
    // The menu's items, the tip and the icon of the tray (or of the task-bar button standing for
    // it), the caption, a desktop notification (or, without a tray, a call for attention) and a
    // call for attention.
    std::function<void(const TTrayMenuStates&)> menu;
    std::function<void(const std::string&)> tip;
    std::function<void(TrayIcon)> icon;
    std::function<void()> caption;
    std::function<void(const std::string&)> notice;
    std::function<void(const std::string&)> message; // only where a tray is there
    std::function<void()> alert;
    // The half-second tick's work for the window itself (its command states).
    std::function<void()> tick;
};

// The tray's state below the window: in the tray or not, the periodic runs (Timer1) on their
// schedule, the half-second tick (Timer2) with the leak check and the blinking icon, the tip,
// the completion notices, and the folder watch of sorting on arrival. The window shows what it
// says and hands it the clicks; every rule it follows is in tray_logic.
class TrayController final : public QObject {
    Q_OBJECT

public:
    explicit TrayController(TrayHost host, QObject* parent = nullptr);
    ~TrayController() override;

    // The settings changed (or were read): the period and the watch's waits.
    void Configure();
    // Timer2 starts ticking.
    void Start();
    // The program ends: no more ticks.
    void Stop();

    // Going to the tray, in two steps around the window's hiding: the state, then the watch and
    // the schedule.
    void EnterTray();
    void StartInTray();
    // Leaving the tray: no periodic runs, no watch; the icon is the program's again.
    void LeaveTray();

    // The tip, the icon and the menu as the state says; the icon itself changes on the tick.
    void ShowState();
    TTrayState State() const;
    void Timer1Timer();
    void Timer2Timer();
    void TimerWatchTimer();
    void ResetClick();
    // A run of all conditions begins from a command: notices are muted until an automatic run.
    void MuteNotices() { m_noticeMuted = true; }
    // No tray on the desktop: the minimised window stands for the tray icon. Asked again each time
    // the window goes to the tray.
    void SetTrayFallback(bool on) { m_trayFallback = on; }
    bool TrayFallback() const { return m_trayFallback; }
    // "/a" runs as an automatic run does.
    void SetAutoRun(bool on) { m_autoRun = on; }

    bool InTray() const { return m_inTray; }
    bool AutoRun() const { return m_autoRun; }
    bool NoticeMuted() const { return m_noticeMuted; }
    bool LeakWarning() const { return m_leakWarning; }
    const std::string& TrayTipText() const { return m_tip; }
    TrayIcon TrayIconShown() const { return m_iconShown; }
    int NoticeCount() const { return m_notices; }
    const std::string& LastNotice() const { return m_lastNotice; }
    int FlashCount() const { return m_flashes; }
    const TPeriodicSchedule& Schedule() const { return m_schedule; }
    WatchController* Watcher() const { return m_watcher; }

private:
    std::int64_t Now() const;
    void ArmTimer1();
    void LeakCheck();
    void RunAutomatically(bool onArrival);
    void Notify(int processed, bool onArrival);
    void StartWatching();
    void ConfigureWatch();
    void TellUnwatchable(const std::string& text);

    TrayHost m_host;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QTimer* m_timerWatch = nullptr;
    WatchController* m_watcher = nullptr;
    TPeriodicSchedule m_schedule;
    bool m_inTray = false;
    bool m_autoRun = false; // an automatic run (periodic, on arrival, or "/a") is under way
    bool m_noticeMuted = true;
    bool m_trayFallback = false;
    bool m_leakWarning = false;
    std::string m_tip;
    TrayIcon m_iconShown = TrayIcon::Program;
    TrayIcon m_iconApplied = TrayIcon::Program; // what the tray (or task-bar button) has now
    int m_notices = 0;
    std::string m_lastNotice;
    int m_flashes = 0;
};

} // namespace sv
