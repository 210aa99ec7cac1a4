// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_setup.h"
#include "app/application.h"
#include "app/main_window.h"
#include "app/preview_command.h"
#include "app/qt_filedialog.h"
#include "app/qt_messagebox.h"
#include "platform/dry_run.h"
#include "platform/files.h"
#include "platform/install_paths.h"
#include "platform/pathtext.h"
#include "platform/qt_shell.h"
#include "platform/quit_signals.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>

namespace {

// Without a display Qt would abort at start. The one-shot run needs no display, so it runs
// offscreen; anything else says why it cannot start instead of crashing.
bool PrepareDisplay(int argc, char* argv[]) {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY"))
        return true;
    if (argc > 1 && std::strcmp(argv[1], "/a") == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return true;
    }
    std::fputs("Sorvanta: 画面（DISPLAY）が見つからないため起動できません。"
               "画面なしで振り分けるには /a を付けて起動してください。\n",
               stderr);
    return false;
}

// "/t" needs neither a display nor the single-instance lock: it changes nothing.
int PreviewCommand() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    std::string dataFolder;
    {
        // Finding the data folder would make the user's one when missing.
        sv::DryRun dry;
        const sv::DryRunScope scope(&dry);
        dataFolder = sv::DataFolderFor(sv::ExecutableFolder());
    }
    return sv::RunPreviewCommand(
        dataFolder, sv::IniFileNameFor(error ? "sorvanta" : executable.stem().string()), stdout, stderr);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "/t") == 0)
        return PreviewCommand();
    if (!PrepareDisplay(argc, argv))
        return 1;
    sv::QtMessageBox box; // outlives the application object, which reports errors through it
    sv::TSorvantaApp app(argc, argv);
    app.SetErrorBox(&box);
    // Caught from the start: a request to end that comes early waits until the window can close.
    sv::QuitSignals quitSignals;
    QApplication::setApplicationName(QStringLiteral("Sorvanta"));

    const QFileInfo executable(QCoreApplication::applicationFilePath());
    // The data files live beside the program while its folder takes files, else in the user's
    // data folder; the lock protects those files, so it is named after their folder.
    const std::string dataFolder = sv::DataFolderFor(sv::ExecutableFolder());
    QString lockedFolder = QString::fromStdString(sv::ToNativePath(dataFolder));
    while (lockedFolder.size() > 1 && lockedFolder.endsWith(QLatin1Char('/')))
        lockedFolder.chop(1);
    sv::SingleInstance instance(lockedFolder);
    if (!instance.Claim())
        return -1; // another instance owns this folder's data files; it was asked to come forward
    if (!instance.Problem().isEmpty())
        std::fprintf(stderr, "%s\n", instance.Problem().toUtf8().constData());

    sv::InstallJapaneseTranslation(app);
    QApplication::setFont(sv::ProgramFont());
    QApplication::setWindowIcon(sv::ProgramIcon());

    sv::QtFileDialog fileDialog;
    sv::QtShell shell;
    try {
        sv::TMainWindowEnv env;
        env.programFolder = dataFolder;
        env.iniFileName = sv::IniFileNameFor(executable.completeBaseName().toStdString());
        env.box = &box;
        env.fileDialog = &fileDialog;
        env.shell = &shell;
        sv::TFormMain window(env);
        QObject::connect(&instance, &sv::SingleInstance::ActivationRequested, &window,
                         [&window] { window.BringToFront(); });
        QObject::connect(&quitSignals, &sv::QuitSignals::QuitRequested, &window,
                         [&window] { window.close(); });
        window.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        sv::MessageBoxRequest request;
        request.title = "Sorvanta";
        request.text = std::string("予期しないエラーが発生しました。\n") + error.what();
        request.icon = sv::MbIcon::Error;
        box.Show(request);
        return 1;
    }
}
