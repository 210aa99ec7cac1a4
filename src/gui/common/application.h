// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"

#include <QApplication>

namespace sv {

// The application object. An error that escapes a window's handler is shown in a box instead of
// ending the program with the user's unsaved changes.
class TSorvantaApp final : public QApplication {
    Q_OBJECT

public:
    TSorvantaApp(int& argc, char** argv);
    void SetErrorBox(MessageBox* box) { m_box = box; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    MessageBox* m_box = nullptr;
};

} // namespace sv
