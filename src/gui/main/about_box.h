// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/main/main_window.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace sv {

// Version information: the program's icon, name and version, closed with OK.
class TAboutBox final : public QDialog {
    Q_OBJECT

public:
    TAboutBox(const TMainWindowEnv& env, QWidget* parent = nullptr);

    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TMainWindowEnv m_env;
};

} // namespace sv
