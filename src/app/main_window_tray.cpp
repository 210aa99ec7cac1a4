// SPDX-License-Identifier: GPL-3.0-or-later
// The tray icon and its menu, the periodic runs (Timer1), the half-second tick (Timer2) with the
// leak warning, and the minimised start. What each of them decides is in tray_logic.
#include "app/condition_list_view.h"
#include "app/main_window.h"
#include "app/watch_controller.h"
#include "dialogs/option_dialog.h"
#include "engine/report_window.h"
#include "engine/watch_folders.h"
#include "history/history_window.h"
#include "platform/pathtext.h"
#include "services/window_look.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeWidget>
#include <QWindowStateChangeEvent>

#include <chrono>

namespace sv {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void TFormMain::CreateTray() {
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Resize = MakeAction("Resize", QStringLiteral("元のサイズに戻す"));
    AllExec = MakeAction("AllExec", QStringLiteral("全ての条件で振り分け実行"));
    VerInfo = MakeAction("VerInfo", QStringLiteral("バージョン情報"));
    Reset = MakeAction("Reset", QStringLiteral("振り分け完了通知をクリア"));
    Exit = MakeAction("Exit", QStringLiteral("終了"));
    PopupMenu2->addActions({Resize, AllExec});
    PopupMenu2->addSeparator();
    PopupMenu2->addAction(VerInfo);
    PopupMenu2->addSeparator();
    PopupMenu2->addAction(Reset);
    PopupMenu2->addSeparator();
    PopupMenu2->addAction(Exit);
    connect(Resize, &QAction::triggered, this, [this] { RestoreFromTray(); });
    connect(AllExec, &QAction::triggered, this, [this] { RunAll(); });
    connect(VerInfo, &QAction::triggered, this, [this] { ShowVersionInfo(); });
    connect(Reset, &QAction::triggered, this, [this] { ResetClick(); });
    connect(Exit, &QAction::triggered, this, [this] { close(); });
    connect(PopupMenu2, &QMenu::aboutToShow, this, [this] { ShowTrayState(); });

    FindTray();

    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
    Timer2->start();
    CreateWatch();
    m_startMinPending = m_settings.StartMin;
    ApplyCaption();
}

// Asked again each time the window goes to the tray: a program started at login may come up before
// the desktop's panel and its tray do.
void TFormMain::FindTray() {
    m_trayFallback =
        !(m_env.trayAvailable ? m_env.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable());
    if (m_trayFallback || m_trayIcon != nullptr)
        return;
    m_trayIcon = new QSystemTrayIcon(ProgramIcon(), this);
    m_trayIcon->setObjectName(QStringLiteral("TrayIcon1"));
    m_trayIcon->setContextMenu(PopupMenu2);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        TrayIconActivated(reason == QSystemTrayIcon::Trigger   ? TrayClick::Left
                          : reason == QSystemTrayIcon::Context ? TrayClick::Right
                                                               : TrayClick::Other);
    });
}

std::int64_t TFormMain::ClockNow() const {
    if (m_env.clock)
        return m_env.clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TTrayState TFormMain::TrayState() const {
    TTrayState state;
    state.inTray = m_inTray;
    state.autoRun = m_autoRun;
    state.runActive = m_runActive;
    state.noticeMuted = m_noticeMuted;
    state.completionCount = m_runShared.completionCount;
    state.leakWarning = m_leakWarning;
    state.cycleExec = m_settings.CycleExec;
    state.cycleExecTime = m_settings.CycleExecTime;
    state.watching = m_watcher->Active();
    state.periodicFallback = m_watcher->PeriodicFallback();
    state.watchProblem = m_watcher->Problem();
    return state;
}

// Timer1 fires when the schedule says the run is due; an early or stale tick only sets it again.
void TFormMain::ArmTimer1() {
    const std::optional<std::int64_t> remaining = m_schedule.Remaining(ClockNow());
    if (!remaining) {
        Timer1->stop();
        return;
    }
    // QTimer takes an int of milliseconds; a longer wait is taken in steps.
    constexpr std::int64_t kLongest = 24LL * 60 * 60 * 1000;
    Timer1->start(static_cast<int>(std::min(*remaining, kLongest)));
}

// The tip, the icon and the menu's items as the flags say; the icon itself changes on the tick.
void TFormMain::ShowTrayState() {
    const TTrayState state = TrayState();
    const TTrayMenuStates menu = TrayMenuStates(state);
    for (QAction* a : {Resize, AllExec, VerInfo, Exit})
        a->setEnabled(menu.commands);
    Reset->setEnabled(menu.reset);
    if (!m_inTray)
        return;
    const std::string tip = TrayTip(state);
    if (tip != m_trayTip) {
        m_trayTip = tip;
        if (Tray() != nullptr)
            Tray()->setToolTip(Q(tip));
    }
    // Set only when it changes: a tray host is told of every new icon.
    if (m_trayIconShown != m_trayIconApplied) {
        m_trayIconApplied = m_trayIconShown;
        const QIcon icon = TrayImage(static_cast<int>(m_trayIconShown));
        if (Tray() != nullptr)
            Tray()->setIcon(icon);
        else
            setWindowIcon(icon);
    }
    ApplyCaption();
}

void TFormMain::ApplyCaption() {
    const QString caption = Q(MainCaption(TrayState(), m_startMinPending, m_trayFallback));
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void TFormMain::GoToTray() {
    if (m_inTray || m_closed)
        return;
    FindTray();
    if (!m_trayFallback && !isVisible())
        return;
    m_runShared.completionCount = 0;
    m_inTray = true;
    m_trayIconShown = TrayIcon::Program;
    m_trayIconApplied = TrayIcon::Program;
    m_trayTip = CutTrayTip(PeriodicTip(m_settings.CycleExec, m_settings.CycleExecTime));
    if (Tray() != nullptr) {
        Tray()->setToolTip(Q(m_trayTip));
        Tray()->setIcon(ProgramIcon());
        Tray()->show();
        hide();
    } else if (!isMinimized()) {
        showMinimized();
    }
    StartWatching();
    if (m_settings.CycleExec || m_watcher->PeriodicFallback())
        m_schedule.Arm(ClockNow());
    else
        m_schedule.Disarm();
    ArmTimer1();
    ShowTrayState();
}

void TFormMain::RestoreFromTray() {
    if (!m_inTray || m_closed)
        return;
    m_inTray = false;
    m_schedule.Disarm();
    Timer1->stop();
    StopWatching();
    if (Tray() != nullptr)
        Tray()->hide();
    setWindowIcon(ProgramIcon());
    m_trayIconShown = TrayIcon::Program;
    m_trayIconApplied = TrayIcon::Program;
    if (isMinimized() || !isVisible())
        showNormal();
    raise();
    activateWindow();
    BtnExec->setFocus();
    ApplyCaption();
    ShowTrayState();
    if (HistoryWindowOnRestore(m_runShared.completionCount, m_env.programFolder))
        ShowHistoryWindow();
}

void TFormMain::TrayIconActivated(TrayClick click) {
    ShowTrayState();
    // A right click opens PopupMenu2, which the tray shows itself; its items follow the same rule.
    if (TrayClickAction(TrayState(), click) == TrayAction::Restore)
        RestoreFromTray();
}

void TFormMain::ResetClick() {
    m_runShared.completionCount = 0;
    ShowTrayState();
}

void TFormMain::Timer1Timer() {
    if (!PeriodicRunAllowed(TrayState()))
        return;
    if (!m_schedule.Due(ClockNow())) {
        ArmTimer1();
        return;
    }
    RunAutomatically(false);
}

// A periodic run, or a run on arrival: all conditions with the window left in the tray.
void TFormMain::RunAutomatically(bool onArrival) {
    m_schedule.Disarm();
    Timer1->stop();
    m_report->StopTimer();
    m_autoRun = true;
    m_trayIconShown = TrayIcon::Running;
    // What could not be watched was said until now; the run takes the folders anew.
    m_watcher->ClearProblem();
    ShowTrayState();
    const int before = m_runShared.completionCount;
    RunAll();
    const int processed = m_runShared.completionCount - before;
    m_noticeMuted = false;
    m_autoRun = false;
    // The next run follows one full period after this one ended; a folder error brought the window
    // back, and periodic runs wait for the next time it goes to the tray. The watch took the
    // folders anew when the run ended: a folder that appeared is picked up.
    if (m_inTray) {
        if (m_settings.CycleExec || m_watcher->PeriodicFallback()) {
            m_schedule.Arm(ClockNow());
            ArmTimer1();
        }
        Notify(processed, onArrival);
    }
    m_trayIconShown = TrayIcon::Program;
    ShowTrayState();
}

// One desktop notification for a periodic run that sorted something; without a tray the task-bar
// button asks for attention instead.
void TFormMain::Notify(int processed, bool onArrival) {
    const std::optional<std::string> text =
        CompletionNoticeText(processed, m_runShared.completionCount, onArrival);
    if (!text)
        return;
    ++m_notices;
    m_lastNotice = *text;
    if (Tray() != nullptr)
        Tray()->showMessage(QStringLiteral("Sorvanta"), Q(*text), ProgramIcon(), 10000);
    else
        QApplication::alert(this, 0);
}

void TFormMain::LeakCheck() {
    m_leakWarning = LeakWarningHolds(m_settings.Ny, m_settings.NyFolder);
    if (m_leakWarning) {
        ++m_flashes;
        QApplication::alert(this, 0);
    }
    ApplyCaption();
}

void TFormMain::Timer2Timer() {
    LeakCheck();
    if (m_inTray)
        m_trayIconShown = NextTrayIcon(TrayState(), m_trayIconShown);
    ShowTrayState();
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (selected.size() == 1) {
        const int row = ListView1->indexOfTopLevelItem(selected.front());
        if (row != m_lastSelectedRow) {
            UpdateCommandStates();
            m_lastSelectedRow = row;
        }
    }
    UpdateCommandStates();
    if (m_formOption != nullptr)
        m_formOption->ListView1Click();
}

void TFormMain::CreateWatch() {
    TimerWatch = new QTimer(this);
    TimerWatch->setObjectName(QStringLiteral("TimerWatch"));
    WatchHost host;
    host.clock = [this] { return ClockNow(); };
    host.folders = [this] { return WatchedSourceFolders(RunRequest(RunMode::AllConditions)); };
    // The run's own moves change the folders too; nothing starts during a run or while a run is shown.
    host.mayRun = [this] { return !m_autoRun && !m_runActive && m_inTray; };
    host.run = [this] { RunAutomatically(true); };
    host.tell = [this](const std::string& text) { TellUnwatchable(text); };
    m_watcher = new WatchController(std::move(host), TimerWatch, this);
    m_watcher->setObjectName(QStringLiteral("Watcher1"));
    ConfigureWatch();
}

void TFormMain::ConfigureWatch() {
    m_watcher->Configure(m_settings.WatchWait, m_settings.FileUsing ? m_settings.FileUsingWait * 60 : 0,
                         m_settings.CycleExecTime);
}

const std::string& TFormMain::WatchProblem() const {
    return m_watcher->Problem();
}

void TFormMain::StartWatching() {
    if (!m_settings.WatchSource || !m_inTray) {
        m_watcher->Stop();
        return;
    }
    ConfigureWatch();
    m_watcher->Start();
}

void TFormMain::StopWatching() {
    m_watcher->Stop();
}

// A folder that is missing, not readable, went away or is beyond the system's watch limit.
void TFormMain::TellUnwatchable(const std::string& text) {
    if (Tray() != nullptr)
        Tray()->showMessage(QStringLiteral("Sorvanta"), Q(text), ProgramIcon(), 10000);
    if (m_inTray && !m_schedule.Armed() && !m_autoRun) {
        m_schedule.Arm(ClockNow());
        ArmTimer1();
    }
}

void TFormMain::TimerWatchTimer() {
    m_watcher->TimerFired();
}

void TFormMain::WriteNoticesArrived() {
    m_watcher->NoticesArrived();
}

void TFormMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || m_closed)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMinimised = change->oldState().testFlag(Qt::WindowMinimized);
    if (isMinimized() && !wasMinimised) {
        // Minimising always goes to the tray; not from inside the state change itself.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                GoToTray();
        });
    } else if (!isMinimized() && wasMinimised && m_trayFallback && m_inTray && !m_runActive) {
        // Without a tray the task-bar button is the icon: bringing the window back restores it.
        RestoreFromTray();
    }
}

} // namespace sv
