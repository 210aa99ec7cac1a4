// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt_shell.h"

#include "platform/pathtext.h"

#include <QDesktopServices>
#include <QProcess>
#include <QString>
#include <QUrl>

namespace sv {
namespace {

QString Native(std::string_view pathText) {
    return QString::fromStdString(ToNativePath(pathText));
}

Status OpenLocal(std::string_view pathText) {
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(Native(pathText))))
        return {};
    return Status::Fail(ToNativePath(pathText) + " を開くプログラムを起動できませんでした。");
}

} // namespace

Status QtShell::OpenFolder(std::string_view folder) {
    return OpenLocal(folder);
}

Status QtShell::OpenFile(std::string_view file) {
    return OpenLocal(file);
}

Status QtShell::StartProgram(std::string_view program, std::string_view argument) {
    // An argument list, never a command line: nothing in the folder name is interpreted.
    if (QProcess::startDetached(Native(program), QStringList{Native(argument)}))
        return {};
    return Status::Fail(ToNativePath(program) + " を起動できませんでした。");
}

} // namespace sv
