// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QIcon>

namespace sv {

// What every window of the program looks like: "ＭＳ Ｐゴシック" 9 point, drawn with IPAPGothic
// on Linux, and the program's icon.
QFont ProgramFont();
QIcon ProgramIcon();

} // namespace sv
