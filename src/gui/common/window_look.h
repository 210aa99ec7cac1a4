// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QIcon>

class QWidget;

namespace sv {

// What every window of the program looks like: "ＭＳ Ｐゴシック" 9 point, drawn with IPAPGothic
// on Linux, and the program's icon.
QFont ProgramFont();
QIcon ProgramIcon();

// Puts a window in the middle of the primary screen's free area instead of over its parent, as
// the dialogs open; called before it is shown.
void CentreOnDesktop(QWidget& window);

} // namespace sv
