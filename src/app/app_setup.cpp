// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_setup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

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

void InstallJapaneseTranslation(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
}

std::string IniFileNameFor(std::string_view executableBaseName) {
    if (executableBaseName == "sorvanta" || executableBaseName.empty())
        return "Sorvanta.ini";
    return std::string(executableBaseName) + ".ini";
}

} // namespace sv
