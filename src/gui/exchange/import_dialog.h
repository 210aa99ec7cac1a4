// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exchange/csv_import.h"
#include "gui/exchange/file_box.h"
#include "store/condition_list.h"
#include "store/settings.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace sv {

// The import dialog. Created once: the undo copy and its mark live as long as the program, so
// the last import can be undone after the dialog was closed and opened again.
class TFormImport final : public QDialog {
    Q_OBJECT

public:
    explicit TFormImport(TExchangeEnv env, QWidget* parent = nullptr);

    // Shown modally; imports into `list`, whose row `selectedRow` is selected in the main list
    // (-1 for none). Keeps the recent import files and the mode in `settings`.
    void Execute(TConditionList& list, int selectedRow, TAppSettings& settings);
    // Loads the controls as an opening does, without showing (tests, and Execute).
    void Prepare(TConditionList& list, int selectedRow, TAppSettings& settings);
    // Stores the chosen mode, as closing does.
    void Finish();

    // The changed mark: the import or the undo changed the table.
    bool Changed() const { return m_state.changed; }
    void ClearChanged() { m_state.changed = false; }
    bool UndoPossible() const { return m_state.undoPossible; }

    // Handlers, named after their control and event.
    void BtnOkClick();
    void BtnBackClick();
    void ButtonRefClick();
    void BtnOpenClick();
    void BtnHelpClick();
    void Timer1Timer();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateModes();
    std::string FileName() const;
    void SetMemo(const std::string& text);

    TExchangeEnv m_env;
    TImportState m_state;
    TConditionList* m_list = nullptr;
    int m_selectedRow = -1;
    TAppSettings* m_settings = nullptr;

public:
    // Controls keep their component names.
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* CboFile = nullptr;
    QPushButton* ButtonRef = nullptr;
    QGroupBox* RdGrp1 = nullptr;
    QButtonGroup* RdGrp1Items = nullptr; // ids are the modes
    QLabel* Label2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BtnOpen = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnBack = nullptr;
    QPushButton* BtnCancel = nullptr;
    QPushButton* BtnHelp = nullptr;
    QTimer* Timer1 = nullptr;
};

} // namespace sv
