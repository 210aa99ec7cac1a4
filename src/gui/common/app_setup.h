// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/common/window_look.h"

#include <QString>

#include <string>
#include <string_view>

class QApplication;

namespace sv {

// Loads Qt's Japanese texts (standard buttons はい, いいえ, キャンセル, the file dialogs).
void InstallJapaneseTranslation(QApplication& app);

// The settings file is named after the executable ("name.ini"); the shipped lowercase
// executable keeps the file name other installations use, "Sorvanta.ini".
std::string IniFileNameFor(std::string_view executableBaseName);

} // namespace sv
