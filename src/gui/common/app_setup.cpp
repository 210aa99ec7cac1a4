// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/app_setup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace sv {

void InstallJapaneseTranslation(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace sv
