// SPDX-License-Identifier: GPL-3.0-or-later
// Starting runs from the main window: all conditions, the selected one, and the one-shot run of
// the command line ("/a").
#include "app/tray_controller.h"
#include "app/watch_controller.h"
#include "engine/source_check.h"
#include "gui/main/condition_list_view.h"
#include "gui/main/main_window.h"
#include "gui/run/report_window.h"
#include "platform/dry_run.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

#include <optional>

namespace sv {

void TFormMain::ConnectRunCommands() {
    m_report = new TFormReport(
        TReportEnv{m_env.programFolder, m_env.iniFileName, m_env.box, m_env.shell, &Disk()}, this);
    for (QAction* a : {E2, N14, PreviewRun})
        a->setEnabled(true);
    connect(PreviewRun, &QAction::triggered, this, [this] { RunPreview(); });
    BtnExec->setEnabled(true);
    for (QAction* a : {N11, N13})
        connect(a, &QAction::triggered, this, [this] { RunSelected(); });
    for (QAction* a : {E2, N14})
        connect(a, &QAction::triggered, this, [this] { RunAll(); });
    connect(BtnExec, &QPushButton::clicked, this, [this] { RunAll(); });
    connect(ListView1, &QTreeView::doubleClicked, this, [this] { RunSelected(); });
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
    if (m_tray->InTray())
        RestoreFromTray();
    else
        BringToFront();
    if (check.currentIndex >= 0 && check.currentIndex < ComboBox1->count())
        ComboBox1->setCurrentIndex(check.currentIndex);
    ShowError(check.message);
    return false;
}

TRunRequest TFormMain::RunRequest(RunMode runMode, FileSystem& files) const {
    TRunRequest request{
        .conditions = m_list, .settings = m_settings, .extRules = m_settings.ExtRules, .files = files};
    request.runMode = runMode;
    for (int i = 0; i < m_list.Count(); ++i)
        request.listChecks.push_back(RowChecked(i));
    request.selectedIndex = SelectedRow();
    request.sourceText = ComboPathText();
    request.sourceItems = m_settings.SourceHistory;
    return request;
}

void TFormMain::StartRun(RunMode runMode, bool preview) {
    // A test run changes nothing on disk: its changes stay in memory.
    std::optional<DryRun> dry;
    TRunRequest request = RunRequest(runMode, preview ? static_cast<FileSystem&>(dry.emplace()) : Disk());
    request.preview = preview;
    m_report->ApplyGeometry(m_settings);
    hide();
    const bool inTray = m_tray->InTray();
    request.inTray = inTray;
    // While the folders are watched, the watch says what arrived and is not yet complete, and
    // hears of what the run passed over as in use.
    WatchController* watch = m_tray->Watcher();
    const bool watching = inTray && watch->Active() && !preview;
    if (watching) {
        watch->RunStarting();
        request.heldBack = [watch](std::string_view pathText) { return watch->Holds(pathText); };
        request.passedOverInUse = [watch](std::string_view pathText) { watch->PassedOver(pathText); };
    }
    m_report->Execute(request, m_runShared, m_settings, m_tray->AutoRun());
    // A run from the tray menu took what it moved out of the folders: that is not an arrival.
    if (watching)
        watch->RunEnded();
    // A run from the tray leaves the window there: hidden, or minimised where there is no tray.
    if (!m_tray->InTray())
        show();
    else if (m_tray->TrayFallback())
        showMinimized();
}

bool TFormMain::RunAll() {
    if (m_report->isVisible())
        return false;
    m_runActive = true;
    TidySourceHistory();
    m_tray->MuteNotices();
    m_report->StopTimer();
    ShowTrayState();
    if (!CheckSourceFolders()) {
        m_runActive = false;
        ComboBox1->setFocus();
        return false;
    }
    StartRun(RunMode::AllConditions);
    m_runActive = false;
    if (!m_tray->AutoRun())
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
        m_tray->SetAutoRun(true);
        if (!RunAll())
            m_exitStatus = 1;
        close();
    });
}

} // namespace sv
