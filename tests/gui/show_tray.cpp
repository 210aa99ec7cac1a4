// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the main window on a temporary program folder with two conditions, files arriving in the
// source folder and periodic runs every minute, for looking at the tray under a display with a
// tray host (or without one, for the task-bar fallback):
//   show_tray <clock speed-up> [leak | watch]
// With a speed-up of 60 a minute of the periodic timer passes in a second. With "leak" the Winny
// folder holds UpFolder.txt, so the leak warning blinks. With "watch" periodic runs are off and
// the source folder is watched with a wait of 2 seconds; its path is printed, for dropping files
// into it. The window goes to the tray at once.
#include "app/tray_controller.h"
#include "gui/common/app_setup.h"
#include "gui/main/main_window.h"
#include "gui/ports/qt_filedialog.h"
#include "gui/ports/qt_messagebox.h"
#include "gui/ports/qt_shell.h"
#include "store/condition.h"
#include "testing.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>

using namespace sv;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallJapaneseTranslation(app);
    QApplication::setFont(ProgramFont());
    QApplication::setWindowIcon(ProgramIcon());
    const std::int64_t speedUp = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 60;
    const bool leak = argc > 2 && std::string_view(argv[2]) == "leak";
    const bool watch = argc > 2 && std::string_view(argv[2]) == "watch";

    testing::TempFolder dir;
    std::filesystem::create_directories(dir.NativeFile("ダウンロード"));
    std::filesystem::create_directories(dir.NativeFile("Winny"));
    if (leak)
        dir.WriteBytes("Winny/UpFolder.txt", "");
    std::string conditions;
    for (const auto& row : {std::pair{"jpg", "整理済み\\画像"}, std::pair{"mp3", "整理済み\\音楽"}}) {
        TConditionFields fields;
        fields.keywords = row.first;
        fields.destFolder = dir.PathText() + row.second;
        TSortCondition condition;
        (void)ComposeCondition(fields, condition);
        conditions +=
            testing::Sjis(condition.keywordText) + "\r\n" + testing::Sjis(condition.destText) + "\r\n";
    }
    dir.WriteBytes("Condition.txt", conditions);
    dir.WriteBytes("Sorvanta.ini",
                   testing::Sjis("[Path]\r\nSource=" + dir.PathText() + "ダウンロード\r\n[Condition]\r\n" +
                                 std::string(watch ? "CycleExec=0\r\nWatchSource=1\r\nWatchWait=2\r\n"
                                                   : "CycleExec=1\r\n") +
                                 "CycleExecTime=1\r\nMakeFolder=1\r\nFileUsing=0\r\nStartMin=1\r\n"
                                 "Ny=1\r\nNyFolder=" +
                                 dir.PathText() + "Winny\r\n"));
    for (const char* name : {"夏祭りの写真.jpg", "ﾃｽﾄ音楽.mp3"})
        dir.WriteBytes(std::string("ダウンロード/") + name, "x");

    std::printf("%s\n", dir.NativeFile("ダウンロード").c_str());
    std::fflush(stdout);
    QtMessageBox box;
    QtFileDialog files;
    QtShell shell;
    TMainWindowEnv env;
    env.programFolder = dir.PathText();
    env.iniFileName = "Sorvanta.ini";
    env.box = &box;
    env.fileDialog = &files;
    env.shell = &shell;
    const auto start = std::chrono::steady_clock::now();
    env.clock = [start, speedUp] {
        return speedUp *
               std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                   .count();
    };
    TFormMain window(env);
    window.show();
    // The timer waits real milliseconds: it is asked often, and the sped-up clock decides.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window,
                     [&window] { window.findChild<TrayController*>()->Timer1Timer(); });
    poll.start(100);
    return QApplication::exec();
}
