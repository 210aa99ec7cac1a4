// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the run window on a temporary folder of files with Japanese names, for looking at it under
// a display:
//   show_report_window <files> <milliseconds per row> <seconds to stay after the run>
// Each row is held back a little so that the window can be seen while it works; with 0 the rows
// are not held back and events go through at the window's usual pace.
#include "doubles/recording_shell.h"
#include "doubles/scripted_message_box.h"
#include "gui/run/report_window.h"
#include "named_controls.h"
#include "platform/pathtext.h"
#include "store/condition.h"
#include "testing.h"

#include <QApplication>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include <filesystem>

using namespace sv;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int files = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 300;
    const int delay = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20;
    const int seconds = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 5;

    testing::TempFolder dir;
    std::filesystem::create_directories(dir.NativeFile("ダウンロード"));
    const char* stems[] = {"夏祭りの写真", "ﾃｽﾄ音楽", "会議資料（第３版）", "旅行記録_京都", "猫の動画"};
    const char* exts[] = {".jpg", ".mp3", ".pdf", ".jpg", ".avi"};
    const char* dests[] = {"画像", "音楽", "書類", "画像", "動画"};
    for (int i = 0; i < files; ++i) {
        const std::string name = std::string(stems[i % 5]) + std::to_string(1000 + i) + exts[i % 5];
        dir.WriteBytes("ダウンロード/" + name, "x");
        // Some names are already taken at the destination: those rows show the rename mark.
        if (i % 7 == 0) {
            std::filesystem::create_directories(dir.NativeFile(std::string("整理済み/") + dests[i % 5]));
            dir.WriteBytes(std::string("整理済み/") + dests[i % 5] + "/" + name, "older");
        }
    }

    // A link to a file that is already at its destination: the run leaves it and says why below
    // the list.
    std::filesystem::create_directories(dir.NativeFile("整理済み/動画"));
    dir.WriteBytes("整理済み/動画/リンク先の動画.avi", "x");
    std::filesystem::create_symlink(dir.NativeFile("整理済み/動画/リンク先の動画.avi"),
                                    dir.NativeFile("ダウンロード/リンク先の動画.avi"));

    TConditionList list;
    const std::pair<const char*, const char*> conditions[] = {{"jpg", "整理済み\\画像"},
                                                              {"mp3", "整理済み\\音楽"},
                                                              {"pdf", "整理済み\\書類"},
                                                              {"avi", "整理済み\\動画"}};
    for (const auto& [keywords, dest] : conditions) {
        TConditionFields fields;
        fields.keywords = keywords;
        fields.destFolder = dir.PathText() + dest;
        TSortCondition condition;
        (void)ComposeCondition(fields, condition);
        (void)list.InsertAt(list.Count(), condition);
    }
    TAppSettings settings;
    settings.MakeFolder = true;
    settings.FileUsing = false;
    settings.ReportListWidth = {404, 42, 140}; // the first-start widths once the settings are read
    std::vector<TExtRule> rules;
    TRunShared shared;
    ScriptedMessageBox box;
    RecordingShell shell;

    TFormReport window(TReportEnv{dir.PathText(), "Sorvanta.ini", &box, &shell});
    window.ApplyGeometry(settings);
    window.move(20, 20);
    if (delay > 0) {
        window.SetEventInterval(0);
        QObject::connect(testing::Named<QTreeView>(&window, "ListView1")->model(),
                         &QAbstractItemModel::rowsInserted, &window,
                         [delay] { QThread::msleep(static_cast<unsigned long>(delay)); });
    }
    TRunRequest request{.conditions = list, .settings = settings, .extRules = rules, .files = Disk()};
    request.sourceText = dir.PathText() + "ダウンロード";
    window.PrepareRun(request, shared, settings, false);
    QObject::connect(testing::Named<QTimer>(&window, "Timer1"), &QTimer::timeout, &app, [&app, seconds] {
        static bool armed = false;
        if (!armed) {
            armed = true;
            QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
        }
    });
    window.show();
    return QApplication::exec();
}
