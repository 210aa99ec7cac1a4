// SPDX-License-Identifier: GPL-3.0-or-later
// Starting runs from the main window: all conditions, the selected one, and the one-shot run of
// the command line ("/a").
#include "app/condition_list_view.h"
#include "app/main_window.h"
#include "app/watch_controller.h"
#include "engine/report_window.h"
#include "engine/source_check.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

namespace sv {

void TFormMain::ConnectRunCommands() {
    m_report =
        new TFormReport(TReportEnv{m_env.programFolder, m_env.iniFileName, m_env.box, m_env.shell}, this);
    for (QAction* a : {E2, N14, PreviewRun})
        a->setEnabled(true);
    connect(PreviewRun, &QAction::triggered, this, [this] { RunPreview(); });
    BtnExec->setEnabled(true);
    for (QAction* a : {N11, N13})
        connect(a, &QAction::triggered, this, [this] { RunSelected(); });
    for (QAction* a : {E2, N14})
        connect(a, &QAction::triggered, this, [this] { RunAll(); });
    connect(BtnExec, &QPushButton::clicked, this, [this] { RunAll(); });
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { RunSelected(); });
    connect(ListView1, &TConditionListView::KeyPressed, this, [this](int key, Qt::KeyboardModifiers mods) {
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (mods & ~Qt::KeypadModifier) == Qt::NoModifier)
            RunSelected();
    });
}

bool TFormMain::CheckSourceFolders() {
    const TSourceCheck check =
        sv::CheckSourceFolders(m_settings.ExecAll, m_settings.SourceHistory, ComboPathText());
    if (check.ok())
        return true;
    // A folder error of a run from the tray brings the window back for its message.
    if (m_inTray)
        RestoreFromTray();
    else
        BringToFront();
    if (check.currentIndex >= 0 && check.currentIndex < ComboBox1->count())
        ComboBox1->setCurrentIndex(check.currentIndex);
    ShowError(check.message);
    return false;
}

TRunRequest TFormMain::RunRequest(RunMode runMode) const {
    TRunRequest request{.conditions = m_list, .settings = m_settings, .extRules = m_settings.ExtRules};
    request.runMode = runMode;
    for (int i = 0; i < m_list.Count(); ++i)
        request.listChecks.push_back(RowChecked(i));
    request.selectedIndex = SelectedRow();
    request.sourceText = ComboPathText();
    request.sourceItems = m_settings.SourceHistory;
    return request;
}

void TFormMain::StartRun(RunMode runMode, bool preview) {
    SyncCheckMarks();
    TRunRequest request = RunRequest(runMode);
    request.preview = preview;
    m_report->ApplyGeometry(m_settings);
    hide();
    request.inTray = m_inTray;
    // While the folders are watched, the watch says what arrived and is not yet complete, and
    // hears of what the run passed over as in use.
    const bool watching = m_inTray && m_watcher->Active() && !preview;
    if (watching) {
        m_watcher->RunStarting();
        request.heldBack = [this](std::string_view pathText) { return m_watcher->Holds(pathText); };
        request.passedOverInUse = [this](std::string_view pathText) { m_watcher->PassedOver(pathText); };
    }
    m_report->Execute(request, m_runShared, m_settings, m_autoRun);
    // A run from the tray menu took what it moved out of the folders: that is not an arrival.
    if (watching)
        m_watcher->RunEnded();
    // A run from the tray leaves the window there: hidden, or minimised where there is no tray.
    if (!m_inTray)
        show();
    else if (m_trayFallback)
        showMinimized();
}

bool TFormMain::RunAll() {
    if (m_report->isVisible())
        return false;
    m_runActive = true;
    TidySourceHistory();
    m_noticeMuted = true;
    m_report->StopTimer();
    ShowTrayState();
    if (!CheckSourceFolders()) {
        m_runActive = false;
        ComboBox1->setFocus();
        return false;
    }
    StartRun(RunMode::AllConditions);
    m_runActive = false;
    if (!m_autoRun)
        m_runShared.completionCount = 0;
    ShowTrayState();
    return true;
}

void TFormMain::RunPreview() {
    if (m_report->isVisible())
        return;
    TidySourceHistory();
    m_report->StopTimer();
    if (!CheckSourceFolders())
        return;
    StartRun(RunMode::AllConditions, true);
}

void TFormMain::RunSelected() {
    if (SelectedRow() < 0 || m_report->isVisible())
        return;
    TidySourceHistory();
    m_report->StopTimer();
    if (!CheckSourceFolders())
        return;
    StartRun(RunMode::SelectedCondition);
}

// "/a" runs all conditions once, right after the window is first painted, and ends the program.
void TFormMain::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    if (m_firstPainted)
        return;
    m_firstPainted = true;
    if (!m_env.runAllAndExit) {
        // A minimised start goes to the tray as soon as the window has been painted once.
        if (m_startMinPending) {
            QTimer::singleShot(0, this, [this] {
                m_startMinPending = false;
                GoToTray();
                ApplyCaption();
            });
        }
        return;
    }
    // Not from inside the paint: the run window is modal.
    QTimer::singleShot(0, this, [this] {
        m_autoRun = true;
        if (!RunAll())
            m_exitStatus = 1;
        close();
    });
}

} // namespace sv
