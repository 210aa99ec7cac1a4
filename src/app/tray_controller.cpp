// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/tray_controller.h"

#include "app/watch_controller.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <utility>

namespace sv {

TrayController::TrayController(TrayHost host, QObject* parent) : QObject(parent), m_host(std::move(host)) {
    setObjectName(QStringLiteral("TrayController1"));
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setSingleShot(true);
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(500);
    connect(m_timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(m_timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });

    m_timerWatch = new QTimer(this);
    m_timerWatch->setObjectName(QStringLiteral("TimerWatch"));
    WatchHost watch;
    watch.clock = [this] { return Now(); };
    watch.folders = [this] { return m_host.folders(); };
    // The run's own moves change the folders too; nothing starts during a run or while a run is shown.
    watch.mayRun = [this] { return !m_autoRun && !m_host.runActive() && m_inTray; };
    watch.run = [this] { RunAutomatically(true); };
    watch.tell = [this](const std::string& text) { TellUnwatchable(text); };
    m_watcher = new WatchController(std::move(watch), m_timerWatch, this);
    m_watcher->setObjectName(QStringLiteral("Watcher1"));
}

TrayController::~TrayController() = default;

std::int64_t TrayController::Now() const {
    if (m_host.clock)
        return m_host.clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void TrayController::Configure() {
    // The new period counts at once, without a restart.
    m_schedule.SetPeriodMinutes(m_host.settings().CycleExecTime);
    ConfigureWatch();
}

void TrayController::ConfigureWatch() {
    const TAppSettings& s = m_host.settings();
    m_watcher->Configure(s.WatchWait, s.FileUsing ? s.FileUsingWait * 60 : 0, s.CycleExecTime);
}

void TrayController::Start() {
    m_timer2->start();
}

void TrayController::Stop() {
    m_timer1->stop();
    m_timer2->stop();
}

TTrayState TrayController::State() const {
    const TAppSettings& s = m_host.settings();
    TTrayState state;
    state.inTray = m_inTray;
    state.autoRun = m_autoRun;
    state.runActive = m_host.runActive();
    state.noticeMuted = m_noticeMuted;
    state.completionCount = m_host.completionCount();
    state.leakWarning = m_leakWarning;
    state.cycleExec = s.CycleExec;
    state.cycleExecTime = s.CycleExecTime;
    state.watching = m_watcher->Active();
    state.periodicFallback = m_watcher->PeriodicFallback();
    state.watchProblem = m_watcher->Problem();
    return state;
}

// Timer1 fires when the schedule says the run is due; an early or stale tick only sets it again.
void TrayController::ArmTimer1() {
    const std::optional<std::int64_t> remaining = m_schedule.Remaining(Now());
    if (!remaining) {
        m_timer1->stop();
        return;
    }
    // QTimer takes an int of milliseconds; a longer wait is taken in steps.
    constexpr std::int64_t kLongest = 24LL * 60 * 60 * 1000;
    m_timer1->start(static_cast<int>(std::min(*remaining, kLongest)));
}

void TrayController::ShowState() {
    const TTrayState state = State();
    m_host.menu(TrayMenuStates(state));
    if (!m_inTray)
        return;
    const std::string tip = TrayTip(state);
    if (tip != m_tip) {
        m_tip = tip;
        m_host.tip(tip);
    }
    // Set only when it changes: a tray host is told of every new icon.
    if (m_iconShown != m_iconApplied) {
        m_iconApplied = m_iconShown;
        m_host.icon(m_iconShown);
    }
    m_host.caption();
}

void TrayController::EnterTray() {
    m_host.clearCompletions();
    m_inTray = true;
    m_iconShown = TrayIcon::Program;
    m_iconApplied = TrayIcon::Program;
    const TAppSettings& s = m_host.settings();
    m_tip = CutTrayTip(PeriodicTip(s.CycleExec, s.CycleExecTime));
}

void TrayController::StartInTray() {
    StartWatching();
    if (m_host.settings().CycleExec || m_watcher->PeriodicFallback())
        m_schedule.Arm(Now());
    else
        m_schedule.Disarm();
    ArmTimer1();
    ShowState();
}

void TrayController::LeaveTray() {
    m_inTray = false;
    m_schedule.Disarm();
    m_timer1->stop();
    m_watcher->Stop();
    m_iconShown = TrayIcon::Program;
    m_iconApplied = TrayIcon::Program;
}

void TrayController::ResetClick() {
    m_host.clearCompletions();
    ShowState();
}

void TrayController::Timer1Timer() {
    if (!PeriodicRunAllowed(State()))
        return;
    if (!m_schedule.Due(Now())) {
        ArmTimer1();
        return;
    }
    RunAutomatically(false);
}

// A periodic run, or a run on arrival: all conditions with the window left in the tray.
void TrayController::RunAutomatically(bool onArrival) {
    m_schedule.Disarm();
    m_timer1->stop();
    m_autoRun = true;
    m_iconShown = TrayIcon::Running;
    // What could not be watched was said until now; the run takes the folders anew.
    m_watcher->ClearProblem();
    ShowState();
    const int before = m_host.completionCount();
    m_host.runAll();
    const int processed = m_host.completionCount() - before;
    m_noticeMuted = false;
    m_autoRun = false;
    // The next run follows one full period after this one ended; a folder error brought the window
    // back, and periodic runs wait for the next time it goes to the tray. The watch took the
    // folders anew when the run ended: a folder that appeared is picked up.
    if (m_inTray) {
        if (m_host.settings().CycleExec || m_watcher->PeriodicFallback()) {
            m_schedule.Arm(Now());
            ArmTimer1();
        }
        Notify(processed, onArrival);
    }
    m_iconShown = TrayIcon::Program;
    ShowState();
}

// One desktop notification for an automatic run that sorted something.
void TrayController::Notify(int processed, bool onArrival) {
    const std::optional<std::string> text =
        CompletionNoticeText(processed, m_host.completionCount(), onArrival);
    if (!text)
        return;
    ++m_notices;
    m_lastNotice = *text;
    m_host.notice(*text);
}

void TrayController::LeakCheck() {
    const TAppSettings& s = m_host.settings();
    m_leakWarning = LeakWarningHolds(s.Ny, s.NyFolder);
    if (m_leakWarning) {
        ++m_flashes;
        m_host.alert();
    }
    m_host.caption();
}

void TrayController::Timer2Timer() {
    LeakCheck();
    if (m_inTray)
        m_iconShown = NextTrayIcon(State(), m_iconShown);
    ShowState();
    m_host.tick();
}

void TrayController::TimerWatchTimer() {
    m_watcher->TimerFired();
}

void TrayController::StartWatching() {
    if (!m_host.settings().WatchSource || !m_inTray) {
        m_watcher->Stop();
        return;
    }
    ConfigureWatch();
    m_watcher->Start();
}

// A folder that is missing, not readable, went away or is beyond the system's watch limit.
void TrayController::TellUnwatchable(const std::string& text) {
    m_host.message(text);
    if (m_inTray && !m_schedule.Armed() && !m_autoRun) {
        m_schedule.Arm(Now());
        ArmTimer1();
    }
}

} // namespace sv
