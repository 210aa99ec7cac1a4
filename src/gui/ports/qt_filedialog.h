// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/filedialog.h"

class QWidget;

namespace sv {

// The Qt folder browser and file dialogs; paths cross between native form and path texts here.
class QtFileDialog final : public FileDialog {
public:
    explicit QtFileDialog(QWidget* owner = nullptr) : m_owner(owner) {}
    std::optional<std::string> Choose(const FileDialogRequest& request) override;

private:
    QWidget* m_owner;
};

} // namespace sv
