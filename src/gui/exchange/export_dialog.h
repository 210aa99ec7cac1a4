// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/exchange/file_box.h"
#include "store/condition_list.h"
#include "store/settings.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace sv {

// The export dialog. Created once and reused; each opening writes the conditions of the list as
// it stands and keeps the recent export files in the settings handed in.
class TFormExport final : public QDialog {
    Q_OBJECT

public:
    explicit TFormExport(TExchangeEnv env, QWidget* parent = nullptr);

    // Shown modally over the first `count` conditions of the table.
    void Execute(const TConditionList& list, int count, TAppSettings& settings);
    // Loads the controls as an opening does, without showing (tests, and Execute).
    void Prepare(const TConditionList& list, int count, TAppSettings& settings);

    // Handlers, named after their control and event.
    void BtnOkClick();
    void ButtonRefClick();
    void BtnOpenClick();
    void BtnHelpClick();
    void Timer1Timer();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string FileName() const;

    TExchangeEnv m_env;
    const TConditionList* m_list = nullptr;
    int m_count = 0;
    TAppSettings* m_settings = nullptr;

public:
    // Controls keep their component names.
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* CboFile = nullptr;
    QPushButton* ButtonRef = nullptr;
    QPushButton* BtnOpen = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;
    QPushButton* BtnHelp = nullptr;
    QTimer* Timer1 = nullptr;
};

} // namespace sv
