// SPDX-License-Identifier: GPL-3.0-or-later
// The run window on the offscreen platform: a run of 5 000 files against 10 conditions, once
// letting events through before every entry and once every 15 ms as the window does. The
// difference is what the throttle saves; a list of thousands of rows makes every round of
// events cost more. Prints figures only; nothing here is a pass or fail.
#include "doubles/recording_shell.h"
#include "doubles/scripted_message_box.h"
#include "gui/run/report_window.h"
#include "platform/pathtext.h"
#include "store/condition.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int kFiles = 5000;
constexpr int kConditions = 10;

using Clock = std::chrono::steady_clock;

void Touch(const std::string& path) {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
}

double TimedRun(const std::filesystem::path& top, int interval, int& rows) {
    const std::filesystem::path src = top / "ダウンロード";
    std::filesystem::create_directories(src);
    for (int i = 0; i < kFiles; ++i)
        Touch((src / ("写真 " + std::to_string(i) + " tag" + std::to_string(i % kConditions) + " .jpg"))
                  .string());
    sv::TConditionList list;
    for (int c = 0; c < kConditions; ++c) {
        sv::TConditionFields f;
        f.keywords = "\"tag" + std::to_string(c) + " \"";
        f.destFolder = sv::FromNativePath((top / ("振り分け先" + std::to_string(c))).string());
        sv::TSortCondition condition;
        if (!sv::ComposeCondition(f, condition).ok() || !list.InsertAt(c, condition).ok())
            return -1;
    }
    sv::TAppSettings settings;
    settings.MakeFolder = true;
    settings.FileUsing = false;
    const std::vector<sv::TExtRule> rules;
    sv::TRunRequest request{.conditions = list, .settings = settings, .extRules = rules, .files = sv::Disk()};
    request.sourceText = sv::FromNativePath(src.string());
    sv::TRunShared shared;
    sv::ScriptedMessageBox box;
    sv::RecordingShell shell;
    sv::TFormReport window(
        sv::TReportEnv{sv::FromNativePath(top.string()) + "\\", "Sorvanta.ini", &box, &shell});
    window.SetEventInterval(interval);
    window.PrepareRun(request, shared, settings, false);
    const auto start = Clock::now();
    window.show();
    while (!window.LastOutcome())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    rows = window.LastOutcome()->processed;
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::filesystem::path base =
        std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::printf("run window, %d files x %d conditions (offscreen)\n", kFiles, kConditions);
    for (const int interval : {0, 15}) {
        const std::filesystem::path top = base / ("sorvanta-bench-report-" + std::to_string(::getpid()));
        std::filesystem::remove_all(top);
        int rows = 0;
        const double seconds = TimedRun(top, interval, rows);
        std::printf("  events every %2d ms: %.2f s, %d rows\n", interval, seconds, rows);
        std::filesystem::remove_all(top);
    }
    return 0;
}
