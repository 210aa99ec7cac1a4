// SPDX-License-Identifier: GPL-3.0-or-later
// Adding and editing conditions from the main window through the condition editor.
#include "gui/condition/condition_dialog.h"
#include "gui/main/condition_list_view.h"
#include "gui/main/main_window.h"

#include <QAction>
#include <QToolButton>

#include <algorithm>

namespace sv {

void TFormMain::ConnectEditCommands() {
    TCondDialogEnv env;
    env.programFolder = m_env.programFolder;
    env.box = m_env.box;
    env.fileDialog = m_env.fileDialog;
    env.shell = m_env.shell;
    env.files = &Disk();
    env.saveDefault = [this](const TDefaultCondition& def) {
        ApplyDefault(def, m_settings);
        return SaveAll();
    };
    m_formCond = new TFormCond(std::move(env), this);

    for (QAction* a : {N2, N5})
        a->setEnabled(true);
    ToolButtonAdd->setEnabled(true);
    for (QAction* a : {N2, N5})
        connect(a, &QAction::triggered, this, [this] { AddCondition(); });
    connect(ToolButtonAdd, &QToolButton::clicked, this, [this] { AddCondition(); });
    for (QAction* a : {N3, N9})
        connect(a, &QAction::triggered, this, [this] { EditCondition(); });
}

void TFormMain::AddCondition() {
    const int index = std::max(SelectedRow(), 0);
    if (m_list.IsFull()) {
        ShowError("振り分け条件は " + std::to_string(TConditionList::kCapacity) +
                  " 個までしか登録できません。不要な振り分け条件を削除してから追加してください。");
        return;
    }
    CondEditRequest request = AddConditionRequest(m_settings);
    request.mainFolders = MainSourceFolders(m_settings, ComboPathText());
    const auto condition = m_formCond->Execute(request);
    if (!condition)
        return;
    if (const Status inserted = m_list.InsertAt(index, *condition); !inserted.ok()) {
        ShowError(inserted.error());
        return;
    }
    RebuildList();
    SelectRow(index);
    UpdateCommandStates();
    SaveAll();
}

void TFormMain::EditCondition() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    CondEditRequest request = EditConditionRequest(m_list.At(row), RowChecked(row), m_settings);
    request.mainFolders = MainSourceFolders(m_settings, ComboPathText());
    const auto condition = m_formCond->Execute(request);
    if (!condition)
        return;
    m_list.Put(row, *condition);
    RebuildList();
    SelectRow(row);
    UpdateCommandStates();
    SaveAll();
}

} // namespace sv
