// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the run window over a large duplicate, for looking at the status texts and the progress
// bar of the compare under a display:
//   show_duplicate_compare <MiB> <seconds to stay after the run>
// The source and the destination file are sparse files of equal size, so the duplicate is found
// and deleted after both digests and the byte-for-byte check.
#include "doubles/recording_shell.h"
#include "doubles/scripted_message_box.h"
#include "gui/run/report_window.h"
#include "named_controls.h"
#include "store/condition.h"
#include "testing.h"

#include <QApplication>
#include <QTimer>

#include <filesystem>
#include <fstream>

using namespace sv;

namespace {

void Sparse(const std::string& native, std::uintmax_t size) {
    std::ofstream(native, std::ios::binary).close();
    std::filesystem::resize_file(native, size);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int mebibytes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2048;
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;

    testing::TempFolder dir;
    std::filesystem::create_directories(dir.NativeFile("ダウンロード"));
    std::filesystem::create_directories(dir.NativeFile("整理済み/動画"));
    const auto size = static_cast<std::uintmax_t>(mebibytes) << 20;
    Sparse(dir.NativeFile("ダウンロード/猫の動画（完全版）.avi"), size);
    Sparse(dir.NativeFile("整理済み/動画/猫の動画_前に保存.avi"), size);
    dir.WriteBytes("ダウンロード/旅行記録_京都.avi", "a small file with no duplicate");

    TConditionList list;
    TConditionFields fields;
    fields.keywords = "avi";
    fields.destFolder = dir.PathText() + "整理済み\\動画";
    TSortCondition condition;
    (void)ComposeCondition(fields, condition);
    (void)list.InsertAt(0, condition);
    TAppSettings settings;
    settings.FileComp = true;
    settings.MakeFolder = true;
    settings.FileUsing = false;
    settings.ReportListWidth = {404, 42, 140};
    std::vector<TExtRule> rules;
    TRunShared shared;
    ScriptedMessageBox box;
    RecordingShell shell;
    DigestLibrary digest(SV_MD5_LIBRARY);

    TFormReport window(TReportEnv{dir.PathText(), "Sorvanta.ini", &box, &shell});
    window.ApplyGeometry(settings);
    window.move(20, 20);
    TRunRequest request{.conditions = list, .settings = settings, .extRules = rules, .files = Disk()};
    request.sourceText = dir.PathText() + "ダウンロード";
    request.digest = &digest;
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
