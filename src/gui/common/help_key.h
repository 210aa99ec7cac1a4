// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeyEvent>

namespace sv {

// F1 without a modifier opens the help page of the window that has the focus.
inline bool IsHelpKey(const QKeyEvent& event) {
    return event.key() == Qt::Key_F1 && event.modifiers() == Qt::NoModifier;
}

} // namespace sv
