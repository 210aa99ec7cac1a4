// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/window_look.h"

#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QWidget>

namespace sv {

QFont ProgramFont() {
    static const bool substituted = [] {
        // No font alias maps the face to a Japanese font on Linux; we do it ourselves.
        QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), {QStringLiteral("IPAPGothic")});
        return true;
    }();
    (void)substituted;
    return QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9);
}

QIcon ProgramIcon() {
    return QIcon(QStringLiteral(":/icons/sorvanta.svg"));
}

void CentreOnDesktop(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    // A position of its own also keeps a dialog from centring itself over its parent.
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

} // namespace sv
