// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/window_look.h"

#include <QString>

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

} // namespace sv
