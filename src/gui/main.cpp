// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"
#include "app/main_logic.h"
#include "app/preview_command.h"
#include "app/unattended_output.h"
#include "app/watch_service.h"
#include "gui/common/app_setup.h"
#include "gui/common/application.h"
#include "gui/main/main_window.h"
#include "gui/ports/qt_filedialog.h"
#include "gui/ports/qt_messagebox.h"
#include "gui/ports/qt_shell.h"
#include "platform/files.h"
#include "platform/install_paths.h"
#include "platform/pathtext.h"
#include "platform/quit_signals.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string_view>
#include <vector>

namespace {

// How long a desktop start waits for the background service to save and let go of the folder.
constexpr int kHandOverWaitMs = 120000;

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Without a display Qt would abort at start. The one-shot run needs no display, so it runs
// offscreen; the window says why it cannot start instead of crashing.
bool PrepareDisplay(sv::Command command) {
    if (Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY"))
        return true;
    if (command == sv::Command::RunAll) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return true;
    }
    std::fputs("Sorvanta: 画面（DISPLAY）が見つからないため起動できません。"
               "画面なしで振り分けるには /a（一度だけ）か --watch（バックグラウンドサービス）を付けて"
               "起動してください。\n",
               stderr);
    return false;
}

std::string ExecutableName() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("sorvanta") : executable.stem().string();
}

// The data files live beside the program while its folder takes files, else in the user's data
// folder. `make`: the user's data folder is made when missing.
std::string DataFolder(bool make) {
    return sv::DataFolderFor(sv::ExecutableFolder(),
                             make ? sv::DataFolderUse::Make : sv::DataFolderUse::LookOnly);
}

// The lock protects the data files, so it is named after their folder.
QString LockedFolder(const std::string& dataFolder) {
    QString folder = QString::fromStdString(sv::ToNativePath(dataFolder));
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

sv::FolderHolder HolderOf(const sv::SingleInstance::Holder& holder) {
    if (!holder.known)
        return sv::FolderHolder::Unknown;
    switch (holder.role) {
    case sv::SingleInstance::Role::Window:
        return sv::FolderHolder::Window;
    case sv::SingleInstance::Role::OneShot:
        return sv::FolderHolder::OneShot;
    case sv::SingleInstance::Role::Service:
        return sv::FolderHolder::Service;
    }
    return sv::FolderHolder::Unknown;
}

// "/a", "/t" and "--watch" have nobody to read a box: standard error carries their own lines only.
void PrepareUnattended() {
    sv::KeepQtMessagesOffStandardError();
    sv::ProvideRuntimeFolder();
}

// "/t" needs no display and changes nothing. It plans what "/a" would do now, which another
// Sorvanta holding the folder could change at any moment: it says so instead.
int TestRun(int argc, char* argv[]) {
    PrepareUnattended();
    QCoreApplication app(argc, argv);
    const std::string dataFolder = DataFolder(false);
    const QString locked = LockedFolder(dataFolder);
    sv::SingleInstance instance(locked);
    instance.SetRole(sv::SingleInstance::Role::OneShot);
    if (!instance.Claim(sv::SingleInstance::Request::Who)) {
        const sv::SingleInstance::Holder& holder = instance.HolderFound();
        std::fputs(sv::BusyFolderLine(HolderOf(holder), holder.pid, locked.toStdString()).c_str(), stderr);
        return sv::kExitFolderBusy;
    }
    // Let go before the test run denies itself every write, which would keep the lock's file.
    instance.Release();
    return sv::RunPreviewCommand(dataFolder, sv::IniFileNameFor(ExecutableName()), stdout, stderr);
}

int WatchService(int argc, char* argv[]) {
    PrepareUnattended();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Sorvanta"));
    sv::TServiceEnv env;
    env.dataFolder = DataFolder(true);
    env.iniFileName = sv::IniFileNameFor(ExecutableName());
    env.lockedFolder = LockedFolder(env.dataFolder);
    return sv::RunWatchService(env);
}

// The background service holds the folder: the user decides whether it hands over. It saves
// what it did, lets go and waits until this program has ended, then takes the folder back.
bool TakeOverFromService(sv::SingleInstance& instance, sv::MessageBox& box) {
    sv::MessageBoxRequest question;
    question.title = "Sorvanta";
    question.text = "バックグラウンドサービス（sorvanta --watch）がこのデータフォルダで振り分けています。\n\n"
                    "サービスを一時停止して、このウィンドウで続けますか？\n"
                    "（サービスはこのウィンドウを閉じると再開します）";
    question.icon = sv::MbIcon::Question;
    question.buttons = sv::MbButtons::YesNo;
    question.defaultButton = sv::MbAnswer::Yes;
    if (box.Show(question) != sv::MbAnswer::Yes)
        return false;
    const sv::SingleInstance::Holder answered = instance.Ask(sv::SingleInstance::Request::HandOver);
    if (answered.known && answered.role == sv::SingleInstance::Role::Service &&
        instance.ClaimWithin(kHandOverWaitMs))
        return true;
    box.Show({"Sorvanta",
              "バックグラウンドサービスがデータフォルダを引き渡しませんでした。\n"
              "しばらくしてからもう一度起動するか、systemctl --user stop sorvanta-watch "
              "でサービスを止めてください。",
              sv::MbIcon::Error, sv::MbButtons::Ok, sv::MbAnswer::Ok});
    return false;
}

int WindowProgram(int argc, char* argv[], sv::Command command) {
    if (command == sv::Command::RunAll)
        PrepareUnattended();
    if (!PrepareDisplay(command))
        return sv::kExitFailed;
    sv::QtMessageBox box; // outlives the application object, which reports errors through it
    sv::TSorvantaApp app(argc, argv);
    app.SetErrorBox(&box);
    // Caught from the start: a request to end that comes early waits until the window can close.
    sv::QuitSignals quitSignals;
    QApplication::setApplicationName(QStringLiteral("Sorvanta"));
    sv::InstallJapaneseTranslation(app);
    QApplication::setFont(sv::ProgramFont());
    QApplication::setWindowIcon(sv::ProgramIcon());

    const QFileInfo executable(QCoreApplication::applicationFilePath());
    const std::string dataFolder = DataFolder(true);
    const QString lockedFolder = LockedFolder(dataFolder);
    sv::SingleInstance instance(lockedFolder);
    const bool runAll = command == sv::Command::RunAll;
    instance.SetRole(runAll ? sv::SingleInstance::Role::OneShot : sv::SingleInstance::Role::Window);
    // The one-shot run only asks who holds the folder: a run from cron brings no window forward.
    if (!instance.Claim(runAll ? sv::SingleInstance::Request::Who : sv::SingleInstance::Request::Show)) {
        const sv::SingleInstance::Holder& holder = instance.HolderFound();
        if (runAll) {
            // A window of this folder ends a "/a" at once and silently, as a second start always
            // did; a service or another one-shot run says why, so that a cron log shows it.
            if (HolderOf(holder) == sv::FolderHolder::Window)
                return -1;
            std::fputs(sv::BusyFolderLine(HolderOf(holder), holder.pid, lockedFolder.toStdString()).c_str(),
                       stderr);
            return sv::kExitFolderBusy;
        }
        if (HolderOf(holder) == sv::FolderHolder::Service) {
            if (!TakeOverFromService(instance, box))
                return sv::kExitFolderBusy;
        } else if (HolderOf(holder) == sv::FolderHolder::OneShot) {
            box.Show({"Sorvanta",
                      "コマンドラインからの振り分け（/a または /t）がこのデータフォルダで実行中です。\n"
                      "終わってからもう一度起動してください。",
                      sv::MbIcon::Information, sv::MbButtons::Ok, sv::MbAnswer::Ok});
            return sv::kExitFolderBusy;
        } else {
            return -1; // another window owns this folder's data files; it was asked to come forward
        }
    }
    if (!instance.Problem().isEmpty())
        std::fprintf(stderr, "%s\n", instance.Problem().toUtf8().constData());

    sv::QtFileDialog fileDialog;
    sv::QtShell shell;
    try {
        sv::TMainWindowEnv env;
        env.programFolder = dataFolder;
        env.iniFileName = sv::IniFileNameFor(executable.completeBaseName().toStdString());
        env.box = &box;
        env.fileDialog = &fileDialog;
        env.shell = &shell;
        env.runAllAndExit = runAll;
        sv::TFormMain window(env);
        QObject::connect(&instance, &sv::SingleInstance::ActivationRequested, &window,
                         [&window] { window.BringToFront(); });
        QObject::connect(&quitSignals, &sv::QuitSignals::QuitRequested, &window,
                         [&window] { window.close(); });
        window.show();
        const int status = QApplication::exec();
        return status != 0 ? status : window.ExitStatus();
    } catch (const std::exception& error) {
        sv::MessageBoxRequest request;
        request.title = "Sorvanta";
        request.text = std::string("予期しないエラーが発生しました。\n") + error.what();
        request.icon = sv::MbIcon::Error;
        box.Show(request);
        return sv::kExitFailed;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    const sv::TCommandLine line = sv::ParseCommandLine(arguments);
    switch (line.command) {
    case sv::Command::Help:
        std::fputs(sv::UsageText().c_str(), stdout);
        return sv::kExitOk;
    case sv::Command::Version:
        std::fputs(sv::VersionText().c_str(), stdout);
        return sv::kExitOk;
    case sv::Command::Unknown:
        std::fprintf(stderr, "Sorvanta: 不明なオプションです：%s\n使い方は sorvanta --help で表示します。\n",
                     line.unknown.c_str());
        return sv::kExitUsage;
    case sv::Command::TestRun:
        return TestRun(argc, argv);
    case sv::Command::Watch:
        return WatchService(argc, argv);
    case sv::Command::RunAll:
    case sv::Command::Window:
        break;
    }
    return WindowProgram(argc, argv, line.command);
}
