// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of the main window: the list of conditions and the source-folder box.
#include "app/tray_controller.h"
#include "gui/common/qt_text.h"
#include "gui/main/about_box.h"
#include "gui/main/condition_list_view.h"
#include "gui/main/condition_table_model.h"
#include "gui/main/main_window.h"
#include "platform/help.h"
#include "platform/pathtext.h"
#include "platform/user_folders.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>

namespace sv {
// ---- the list ----

void TFormMain::RebuildList() {
    m_conditions->Reset(m_settings.ExecChkBox);
    LblCondition->setText(Q(ConditionCountLabel(m_list.Count())));
}

bool TFormMain::RowChecked(int row) const {
    return m_conditions->Checked(row);
}

void TFormMain::SetRowChecked(int row, bool on) {
    m_conditions->SetChecked(row, on);
}

int TFormMain::SelectedRow() const {
    return ListView1->SelectedRow();
}

void TFormMain::SelectRow(int row) {
    if (row < 0 || row >= m_conditions->rowCount())
        return;
    const QModelIndex index = m_conditions->index(row, 0);
    ListView1->setCurrentIndex(index);
    ListView1->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ListView1->scrollTo(index);
    ListView1->setFocus();
}

void TFormMain::UpdateCommandStates() {
    const TCommandStates states = CommandStates(SelectedRow(), m_list.Count());
    for (QAction* a : {N11, N13, N3, N9, N4, N10, MenuCopyCond, CondCopy, MenuFolderOpen, F1})
        a->setEnabled(states.selectionCommands);
    ToolButtonFiler->setEnabled(states.selectionCommands);
    ButtonUp->setEnabled(states.up);
    ButtonDown->setEnabled(states.down);
    MenuPasteCond->setEnabled(m_copyBuffer.full);
    CondPaste->setEnabled(m_copyBuffer.full);
    MenuAllCheck->setEnabled(m_settings.ExecChkBox);
    MenuDelCheck->setEnabled(m_settings.ExecChkBox);
}

void TFormMain::DeleteCondition() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    MessageBoxRequest request;
    request.title = "Sorvanta";
    request.text = DeleteQuestion(m_list.At(row).keywordText);
    request.icon = MbIcon::Warning;
    request.buttons = MbButtons::YesNo;
    request.defaultButton = MbAnswer::Yes;
    if (m_env.box->Show(request) == MbAnswer::No)
        return;
    m_list.RemoveAt(row);
    RebuildList();
    UpdateCommandStates();
    SaveAll();
}

void TFormMain::CopyCondition() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    m_copyBuffer.condition = m_list.At(row);
    m_copyBuffer.checked = RowChecked(row);
    m_copyBuffer.full = true;
    UpdateCommandStates();
}

void TFormMain::PasteCondition() {
    if (!m_copyBuffer.full)
        return;
    const int index = std::max(SelectedRow(), 0);
    const Status pasted = PasteFromBuffer(m_list, index, m_copyBuffer);
    if (!pasted.ok()) {
        ShowError(pasted.error());
        return;
    }
    RebuildList();
    SelectRow(index);
    UpdateCommandStates();
    SaveAll();
}

void TFormMain::MoveSelected(bool up) {
    const int row = SelectedRow();
    const int count = m_conditions->rowCount();
    if (row < 0 || (up && row == 0) || (!up && row >= count - 1))
        return;
    const int other = up ? row - 1 : row + 1;
    // The row moves as it is, with its check box, in the table and in the list.
    m_conditions->SwapWithNext(std::min(row, other));
    SelectRow(other);
    UpdateCommandStates();
}

void TFormMain::DropRow(int targetRow) {
    const int from = SelectedRow();
    if (from < 0 || targetRow < 0 || targetRow >= m_list.Count() || from == targetRow)
        return;
    m_list.Move(from, targetRow);
    RebuildList();
    SelectRow(targetRow);
    UpdateCommandStates();
}

void TFormMain::CheckAll(bool on) {
    if (!m_settings.ExecChkBox)
        return;
    for (int i = 0; i < m_conditions->rowCount(); ++i)
        SetRowChecked(i, on);
}

void TFormMain::OpenDestinationFolder() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    OpenFolder(DecodeDestFolder(m_list.At(row).destText), FolderRole::Destination, m_settings, *m_env.shell,
               *m_env.box);
}

void TFormMain::ToggleAlwaysOnTop() {
    m_settings.HwndTop = !m_settings.HwndTop;
    N7->setChecked(m_settings.HwndTop);
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, m_settings.HwndTop);
    if (visible)
        show(); // changing the flag hides the window
    SaveAll();
}

void TFormMain::ShowHelp() {
    sv::ShowHelp(m_env.programFolder, help::Main, *m_env.shell, *m_env.box);
}

void TFormMain::ShowVersionInfo() {
    m_runActive = true;
    TAboutBox about(m_env, this);
    about.Version->setText(QStringLiteral("Version 3.90"));
    about.exec();
    m_runActive = false;
}

void TFormMain::BringToFront() {
    if (m_closed)
        return;
    // A second start while the window is in the tray restores it, unless a run is shown there.
    if (m_tray->InTray()) {
        if (TrayClickAction(TrayState(), TrayClick::Left) == TrayAction::Restore)
            RestoreFromTray();
        return;
    }
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

// ---- the source-folder box ----

std::string TFormMain::ComboPathText() const {
    return FromNativePath(ComboBox1->currentText().toStdString());
}

void TFormMain::SetSourceItems(const TSourceHistory& history) {
    const QSignalBlocker block(ComboBox1);
    ComboBox1->clear();
    for (const std::string& item : history.items)
        ComboBox1->addItem(Q(ToNativePath(item)));
    if (ComboBox1->count() > 0)
        ComboBox1->setCurrentIndex(0);
    ComboBox1->setEditText(Q(ToNativePath(history.text)));
    m_settings.SourceHistory = history.items;
    m_settings.Source = history.text;
    UpdateSourceButtons();
}

// A first start has nothing to sort from: the download folder stands in the box, so that the
// first condition can be added and run without a trip to the folder browser. It reaches the
// history only once the user runs or keeps it, as any typed folder does. A "/a" run sorts only
// folders somebody chose.
void TFormMain::OfferDownloadFolder() {
    const QStringList args = QCoreApplication::arguments();
    if (!ComboBox1->currentText().isEmpty() || (args.size() > 1 && args.at(1) == QStringLiteral("/a")))
        return;
    const std::string folder = m_env.downloadFolder ? m_env.downloadFolder() : DownloadFolder();
    if (!folder.empty() && TypedFolderProblem(folder).empty())
        ComboBox1->setEditText(Q(folder));
}

void TFormMain::UpdateSourceButtons() {
    const bool any = !ComboBox1->currentText().isEmpty();
    ButtonSourceDel->setEnabled(any);
    ButtonSourceOpen->setEnabled(any);
}

void TFormMain::TidySourceHistory() {
    std::vector<std::string> items;
    for (int i = 0; i < ComboBox1->count(); ++i)
        items.push_back(FromNativePath(ComboBox1->itemText(i).toStdString()));
    SetSourceItems(sv::TidySourceHistory(items, ComboPathText()));
}

void TFormMain::ComboBox1Enter() {
    const std::string problem = TypedFolderProblem(ComboBox1->currentText().toStdString());
    if (!problem.empty()) {
        ShowError(problem);
        return;
    }
    TidySourceHistory();
    SaveAll();
}

void TFormMain::ButtonRefClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Folder;
    request.title = "振り分け元フォルダを選択してください。";
    request.start = ComboPathText();
    const std::optional<std::string> chosen = m_env.fileDialog->Choose(request);
    if (!chosen)
        return;
    const std::string native = ToNativePath(*chosen);
    if (const std::string problem = TypedFolderProblem(native); !problem.empty()) {
        ShowError(problem);
        return;
    }
    ComboBox1->setEditText(Q(native)); // it enters the history at the next tidy
}

void TFormMain::ButtonSourceDelClick() {
    if (ComboBox1->currentText().isEmpty())
        return;
    if (const std::string problem = TypedFolderProblem(ComboBox1->currentText().toStdString());
        problem.empty())
        TidySourceHistory();
    const std::string text = ComboPathText();
    MessageBoxRequest request;
    request.title = "Sorvanta";
    request.text = "振り分け元フォルダ設定 [ " + ToNativePath(text) + " ] を消去しますか？";
    request.icon = MbIcon::Warning;
    request.buttons = MbButtons::YesNo;
    request.defaultButton = MbAnswer::Yes;
    if (m_env.box->Show(request) != MbAnswer::Yes)
        return;
    std::vector<std::string> items = m_settings.SourceHistory;
    if (const auto it = std::find(items.begin(), items.end(), NormaliseFolderPath(text)); it != items.end())
        items.erase(it);
    SetSourceItems(TSourceHistory{items, items.empty() ? std::string() : items.front()});
    SaveAll();
}

void TFormMain::ButtonSourceOpenClick() {
    if (ComboBox1->currentText().isEmpty())
        return;
    if (const std::string problem = TypedFolderProblem(ComboBox1->currentText().toStdString());
        !problem.empty()) {
        ShowError(problem);
        return;
    }
    TidySourceHistory();
    OpenFolder(ComboPathText(), FolderRole::Source, m_settings, *m_env.shell, *m_env.box);
}

void TFormMain::ShowError(const std::string& text, const std::string& title) {
    Tell(*m_env.box, title, text, MbIcon::Error);
}

} // namespace sv
