// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/ports/qt_filedialog.h"

#include "platform/pathtext.h"

#include <QApplication>
#include <QFileDialog>

namespace sv {

std::optional<std::string> QtFileDialog::Choose(const FileDialogRequest& request) {
    QWidget* owner = m_owner != nullptr ? m_owner : QApplication::activeWindow();
    const QString title = QString::fromStdString(request.title);
    const QString start = QString::fromStdString(ToNativePath(request.start));
    const QString filter = QString::fromStdString(request.filter);
    QString chosen;
    switch (request.kind) {
    case FileDialogKind::Folder:
        chosen = QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
        break;
    case FileDialogKind::Open:
        chosen = QFileDialog::getOpenFileName(owner, title, start, filter);
        break;
    case FileDialogKind::Save: {
        QFileDialog dialog(owner, title, start, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().front();
        break;
    }
    }
    if (chosen.isEmpty())
        return std::nullopt;
    return FromNativePath(chosen.toStdString());
}

} // namespace sv
