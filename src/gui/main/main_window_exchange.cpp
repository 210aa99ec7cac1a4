// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's export and import commands and the two dialogs it owns.
#include "gui/main/main_window.h"

#include "gui/exchange/export_dialog.h"
#include "gui/exchange/import_dialog.h"

#include <QAction>

namespace sv {

void TFormMain::ConnectExchangeCommands() {
    const TExchangeEnv env{m_env.programFolder, m_env.box, m_env.fileDialog, m_env.shell};
    m_formImport = new TFormImport(env, this);
    m_formExport = new TFormExport(env, this);
    connect(Export, &QAction::triggered, this, [this] { ShowExport(); });
    connect(Import, &QAction::triggered, this, [this] { ShowImport(); });
}

void TFormMain::ShowExport() {
    m_formExport->Execute(m_list, m_list.Count(), m_settings);
}

void TFormMain::ShowImport() {
    m_formImport->ClearChanged();
    m_formImport->Execute(m_list, SelectedRow(), m_settings);
    if (m_formImport->Changed()) {
        RebuildList();
        UpdateCommandStates();
    }
}

} // namespace sv
