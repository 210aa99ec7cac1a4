// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/ports/qt_shell.h"

#include "platform/pathtext.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTimer>
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
    // The desktop's opener tells by its exit status whether some program took the file; Qt's own
    // call only tells whether the opener started. Most openers hand the file over and end at once;
    // one that is still running after a moment is running the program itself and has succeeded.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return OpenLocal(file);
    // Never deleted while it runs: deleting a QProcess kills the program it started.
    auto* process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QEventLoop wait;
    QObject::connect(process, &QProcess::finished, &wait, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &wait, &QEventLoop::quit);
    QTimer::singleShot(2000, &wait, &QEventLoop::quit);
    process->start(opener, QStringList{Native(file)});
    if (!process->waitForStarted(2000)) {
        process->deleteLater();
        return OpenLocal(file);
    }
    wait.exec();
    if (process->state() != QProcess::NotRunning)
        return {};
    if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
        return {};
    return Status::Fail(ToNativePath(file) + " を開くプログラムが見つかりません。");
}

Status QtShell::StartProgram(std::string_view program, std::string_view argument) {
    // An argument list, never a command line: nothing in the folder name is interpreted.
    if (QProcess::startDetached(Native(program), QStringList{Native(argument)}))
        return {};
    return Status::Fail(ToNativePath(program) + " を起動できませんでした。");
}

} // namespace sv
