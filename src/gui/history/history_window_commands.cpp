// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of the history window's pop-up menu.
#include "gui/history/history_window.h"

#include "gui/history/history_model.h"
#include "gui/run/transfer_progress_window.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "services/open_folder.h"
#include "services/open_warnings.h"
#include "store/record_text.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTreeView>

namespace sv {

void TFormHistory::OpenClick() {
    const int row = CurrentRow();
    if (row < 0)
        return;
    const std::string path = HistoryItemPath(m_list.entries[static_cast<std::size_t>(row)]);
    if (!FileExists(path)) {
        Tell("このファイルは存在しないか、またはフォルダのため開けません･･･　");
        return;
    }
    (void)OpenWithWarnings(path, m_env.settings != nullptr && m_env.settings->ArchiveAlarm, *m_env.shell,
                           *m_env.box);
}

void TFormHistory::FolderClick() {
    const int row = CurrentRow();
    if (row < 0)
        return;
    const TAppSettings defaults;
    OpenFolder(UnescapeRecordText(m_list.entries[static_cast<std::size_t>(row)].EntryDest),
               FolderRole::Destination, m_env.settings != nullptr ? *m_env.settings : defaults, *m_env.shell,
               *m_env.box);
}

void TFormHistory::SourceClick() {
    const int row = CurrentRow();
    if (row < 0)
        return;
    const TAppSettings defaults;
    OpenFolder(HistorySourceFolder(m_list.entries[static_cast<std::size_t>(row)]), FolderRole::Source,
               m_env.settings != nullptr ? *m_env.settings : defaults, *m_env.shell, *m_env.box);
}

void TFormHistory::BackClick() {
    const std::vector<std::size_t> rows = SelectedRows();
    if (rows.empty())
        return;
    // Nothing else may start while files move: both windows wait.
    if (m_env.mainWindow != nullptr)
        m_env.mainWindow->setEnabled(false);
    setEnabled(false);
    if (Ask("選択したファイルを振り分け元フォルダへ戻します。\n"
            "振り分け元フォルダが記録されていない場合は、メイン画面で設定されている振り分け元フォルダへ戻しま"
            "す。\n"
            "\nよろしいですか？")) {
        const std::string mainSource = m_env.mainSourceFolder ? m_env.mainSourceFolder() : std::string();
        const bool fileUsing = m_env.settings != nullptr && m_env.settings->FileUsing;
        for (const std::size_t row : rows) {
            if (MoveHistoryItemBack(Disk(), m_list.entries[row], mainSource, fileUsing, m_transfer.get()) ==
                MoveBackResult::Failed)
                break;
        }
    }
    setEnabled(true);
    if (m_env.mainWindow != nullptr)
        m_env.mainWindow->setEnabled(true);
}

void TFormHistory::UndoRunClick() {
    if (m_env.mainWindow != nullptr)
        m_env.mainWindow->setEnabled(false);
    setEnabled(false);
    TUndoRequest request(Disk());
    request.dataFolder = m_env.programFolder;
    request.mainSource = m_env.mainSourceFolder ? m_env.mainSourceFolder() : std::string();
    request.fileUsing = m_env.settings != nullptr && m_env.settings->FileUsing;
    request.dustBox = m_env.settings != nullptr && m_env.settings->DustBox;
    request.progress = m_transfer.get();
    if (UndoLastRun(request, *m_env.box))
        LoadHistory();
    setEnabled(true);
    if (m_env.mainWindow != nullptr)
        m_env.mainWindow->setEnabled(true);
}

void TFormHistory::DelClick() {
    const std::vector<std::size_t> rows = SelectedRows();
    if (rows.empty() || !Ask("選択したファイルを削除しますか？"))
        return;
    (void)DeleteHistoryFiles(Disk(), m_list, rows, m_env.settings != nullptr && m_env.settings->DustBox);
}

void TFormHistory::EraseClick() {
    const std::vector<std::size_t> rows = SelectedRows();
    if (rows.empty() || !Ask("選択したファイルを振り分け履歴リストから消去しますか？"))
        return;
    EraseHistoryEntries(m_list, rows);
    AfterListChange();
}

void TFormHistory::DelAndEraseClick() {
    const std::vector<std::size_t> rows = SelectedRows();
    if (rows.empty())
        return;
    if (Ask("選択したファイルを削除し、リストからも消去しますか？")) {
        (void)DeleteHistoryFiles(Disk(), m_list, rows, m_env.settings != nullptr && m_env.settings->DustBox);
        EraseHistoryEntries(m_list, rows);
        m_model->Reset();
        m_rememberedSelection = static_cast<std::size_t>(-1);
    }
    SaveHistory();
}

void TFormHistory::SelAllClick() {
    ListView1->selectAll();
}

void TFormHistory::SeiriClick() {
    if (!Ask(std::string("振り分け先フォルダに振り分けたはずのファイルが存在") +
                 "しない場合、その項目をリストから消去して履歴表示を整理します。" + "よろしいですか？　",
             "Sorvanta - 履歴の整理"))
        return;
    std::vector<std::size_t> missing;
    for (std::size_t i = 0; i < m_list.entries.size(); ++i) {
        if (HistoryItemMissing(m_list.entries[i]))
            missing.push_back(i);
    }
    if (!missing.empty() && Ask(CleanupQuestion(missing.size()), "履歴の整理 - 念のため確認", MbAnswer::No)) {
        StatusPanel[0]->setText(QStringLiteral("整理中..."));
        StatusPanel[1]->clear();
        repaint();
        ListView1->clearSelection();
        EraseHistoryEntries(m_list, missing);
        m_model->Reset();
        m_rememberedSelection = static_cast<std::size_t>(-1);
    }
    SaveHistory();
}

} // namespace sv
