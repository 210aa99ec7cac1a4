// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's options command and what an accepted options dialog changes at once.
#include "app/tray_controller.h"
#include "gui/main/main_window.h"

#include "gui/options/option_dialog.h"

#include <QAction>
#include <QTimer>
#include <QToolButton>

namespace sv {

void TFormMain::ConnectOptionCommands() {
    TOptionDialogEnv env;
    env.programFolder = m_env.programFolder;
    env.box = m_env.box;
    env.fileDialog = m_env.fileDialog;
    env.shell = m_env.shell;
    m_formOption = new TFormOption(std::move(env), this);
    S2->setEnabled(true);
    ToolButtonOption->setEnabled(true);
    connect(S2, &QAction::triggered, this, [this] { ShowOptions(); });
    connect(ToolButtonOption, &QToolButton::clicked, this, [this] { ShowOptions(); });
}

void TFormMain::ShowOptions() {
    const std::optional<TAppSettings> stored = m_formOption->Execute(m_settings);
    if (stored)
        ApplyOptions(*stored);
}

void TFormMain::ApplyOptions(const TAppSettings& stored) {
    const bool checkBoxes = m_settings.ExecChkBox;
    const int row = SelectedRow();
    m_settings = stored;
    // The new period counts at once, without a restart.
    m_tray->Configure();
    if (checkBoxes != m_settings.ExecChkBox) {
        // The list's check boxes come or go; the ticks and the selection stay.
        RebuildList();
        if (row >= 0)
            SelectRow(row);
    }
    UpdateCommandStates();
    SaveAll();
}

} // namespace sv
