// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's history command and the history window it owns.
#include "gui/main/main_window.h"

#include "gui/history/history_window.h"
#include "gui/run/report_window.h"

#include <QAction>
#include <QToolButton>

namespace sv {

void TFormMain::ConnectHistoryCommands() {
    THistoryEnv env;
    env.programFolder = m_env.programFolder;
    env.iniFileName = m_env.iniFileName;
    env.box = m_env.box;
    env.shell = m_env.shell;
    env.settings = &m_settings;
    env.mainSourceFolder = [this] { return ComboPathText(); };
    env.mainWindow = this;
    m_history = new TFormHistory(env, this);
    MenuHistory->setEnabled(true);
    ToolButtonHist->setEnabled(true);
    connect(MenuHistory, &QAction::triggered, this, [this] { ShowHistoryWindow(); });
    connect(ToolButtonHist, &QToolButton::clicked, this, [this] { ShowHistoryWindow(); });
    // A finished run's records reach a shown list at once, a hidden one when it is shown.
    connect(m_report, &TFormReport::HistorySaved, m_history, [this] { m_history->HistoryFileChanged(); });
}

void TFormMain::ShowHistoryWindow() {
    m_history->ShowFromMain();
}

} // namespace sv
