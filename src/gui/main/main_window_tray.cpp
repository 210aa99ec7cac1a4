// SPDX-License-Identifier: GPL-3.0-or-later
// The tray icon and its menu, going to the tray and back, and the minimised start. The tray's
// state, the periodic runs, the half-second tick and the folder watch are the tray controller's;
// what each of them decides is in tray_logic.
#include "app/tray_controller.h"
#include "engine/watch_folders.h"
#include "gui/common/qt_text.h"
#include "gui/common/window_look.h"
#include "gui/history/history_window.h"
#include "gui/main/condition_list_view.h"
#include "gui/main/main_window.h"
#include "gui/options/option_dialog.h"
#include "gui/run/report_window.h"
#include "platform/pathtext.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include <chrono>

namespace sv {
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
    connect(Reset, &QAction::triggered, this, [this] { m_tray->ResetClick(); });
    connect(Exit, &QAction::triggered, this, [this] { close(); });
    connect(PopupMenu2, &QMenu::aboutToShow, this, [this] { ShowTrayState(); });

    FindTray();

    m_tray->Start();
    m_startMinPending = m_settings.StartMin;
    ApplyCaption();
}

// Asked again each time the window goes to the tray: a program started at login may come up before
// the desktop's panel and its tray do.
void TFormMain::FindTray() {
    m_tray->SetTrayFallback(
        !(m_env.trayAvailable ? m_env.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable()));
    if (m_tray->TrayFallback() || m_trayIcon != nullptr)
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

void TFormMain::CreateTrayController() {
    TrayHost host;
    host.clock = m_env.clock;
    host.settings = [this]() -> const TAppSettings& { return m_settings; };
    host.runActive = [this] { return m_runActive; };
    host.completionCount = [this] { return m_runShared.completionCount; };
    host.clearCompletions = [this] { m_runShared.completionCount = 0; };
    host.runAll = [this] {
        m_report->StopTimer();
        RunAll();
    };
    host.folders = [this] { return WatchedSourceFolders(RunRequest(RunMode::AllConditions)); };
    host.menu = [this](const TTrayMenuStates& menu) {
        for (QAction* a : {Resize, AllExec, VerInfo, Exit})
            a->setEnabled(menu.commands);
        Reset->setEnabled(menu.reset);
    };
    host.tip = [this](const std::string& tip) {
        if (Tray() != nullptr)
            Tray()->setToolTip(Q(tip));
    };
    host.icon = [this](TrayIcon shown) {
        const QIcon icon = TrayImage(static_cast<int>(shown));
        if (Tray() != nullptr)
            Tray()->setIcon(icon);
        else
            setWindowIcon(icon);
    };
    host.caption = [this] { ApplyCaption(); };
    // Without a tray the task-bar button asks for attention instead.
    host.notice = [this](const std::string& text) {
        if (Tray() != nullptr)
            Tray()->showMessage(QStringLiteral("Sorvanta"), Q(text), ProgramIcon(), 10000);
        else
            QApplication::alert(this, 0);
    };
    host.message = [this](const std::string& text) {
        if (Tray() != nullptr)
            Tray()->showMessage(QStringLiteral("Sorvanta"), Q(text), ProgramIcon(), 10000);
    };
    host.alert = [this] { QApplication::alert(this, 0); };
    host.tick = [this] { TickCommands(); };
    m_tray = new TrayController(std::move(host), this);
}

QSystemTrayIcon* TFormMain::Tray() const {
    return m_tray->TrayFallback() ? nullptr : m_trayIcon;
}

TTrayState TFormMain::TrayState() const {
    return m_tray->State();
}

void TFormMain::ShowTrayState() {
    m_tray->ShowState();
}

void TFormMain::ApplyCaption() {
    const QString caption = Q(MainCaption(TrayState(), m_startMinPending, m_tray->TrayFallback()));
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void TFormMain::GoToTray() {
    if (m_tray->InTray() || m_closed)
        return;
    FindTray();
    if (!m_tray->TrayFallback() && !isVisible())
        return;
    m_tray->EnterTray();
    if (Tray() != nullptr) {
        Tray()->setToolTip(Q(m_tray->TrayTipText()));
        Tray()->setIcon(ProgramIcon());
        Tray()->show();
        hide();
    } else if (!isMinimized()) {
        showMinimized();
    }
    m_tray->StartInTray();
}

void TFormMain::RestoreFromTray() {
    if (!m_tray->InTray() || m_closed)
        return;
    m_tray->LeaveTray();
    if (Tray() != nullptr)
        Tray()->hide();
    setWindowIcon(ProgramIcon());
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

void TFormMain::TickCommands() {
    if (const int row = SelectedRow(); row >= 0) {
        if (row != m_lastSelectedRow) {
            UpdateCommandStates();
            m_lastSelectedRow = row;
        }
    }
    UpdateCommandStates();
    if (m_formOption != nullptr)
        m_formOption->ListView1Click();
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
    } else if (!isMinimized() && wasMinimised && m_tray->TrayFallback() && m_tray->InTray() && !m_runActive) {
        // Without a tray the task-bar button is the icon: bringing the window back restores it.
        RestoreFromTray();
    }
}

} // namespace sv
