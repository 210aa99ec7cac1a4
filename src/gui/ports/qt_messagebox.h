// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"

class QWidget;

namespace sv {

// Shows a modal QMessageBox owned by the active window (or `owner` when one is set). The button
// texts come from Qt's own Japanese translation, loaded by main(). On the offscreen platform no box
// is shown: each answers itself as unattended.h says and is written to standard error.
class QtMessageBox final : public MessageBox {
public:
    explicit QtMessageBox(QWidget* owner = nullptr) : m_owner(owner) {}
    MbAnswer Show(const MessageBoxRequest& request) override;

private:
    QWidget* m_owner;
};

} // namespace sv
