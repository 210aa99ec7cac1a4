// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/common/window_look.h"

#include <QString>

class QApplication;

namespace sv {

// Loads Qt's Japanese texts (standard buttons はい, いいえ, キャンセル, the file dialogs).
void InstallJapaneseTranslation(QApplication& app);

} // namespace sv
