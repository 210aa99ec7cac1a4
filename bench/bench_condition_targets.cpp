// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's list of what a condition takes, over a folder of 10 000 entries: the first look
// (the folder read and tested), then every edit (tested again), through the dialog itself as its
// timer drives it. An edit is shown at the latest one timer period (100 ms) after it was made plus
// the time printed here. Prints figures only; nothing here is a pass or fail.
//   bench_condition_targets [entries]
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "gui/condition/condition_dialog.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/pathtext.h"
#include "platform/shell.h"
#include "testing.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace sv;

namespace {

double Milliseconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void MakeFolder(const std::string& folder, int entries) {
    std::filesystem::create_directories(folder);
    const std::vector<std::string> words = {"アニメ", "ドラマ", "音楽", "anime",
                                            "Music",  "ＯＰ",   "clip", "ラジオ"};
    const std::vector<std::string> extensions = {".mp4", ".avi", ".mp3", ".zip", ".jpg", ".txt", ".exe"};
    for (int i = 0; i < entries; ++i) {
        const std::string name = words[static_cast<std::size_t>(i) % words.size()] + " 第" +
                                 std::to_string(i) + "話" +
                                 extensions[static_cast<std::size_t>(i / 3) % extensions.size()];
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) {
            (void)::write(fd, name.data(), static_cast<std::size_t>(i % 97) * name.size() / 8);
            ::close(fd);
        }
        if (i % 100 == 0)
            std::filesystem::create_directory(folder + "/folder " + std::to_string(i));
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;

    testing::TempFolder dir;
    const std::string source = dir.NativeFile("src");
    std::printf("making %d entries...\n", entries);
    MakeFolder(source, entries);

    ScriptedMessageBox box;
    ScriptedFileDialog files;
    RecordingShell shell;
    TFormCond dialog(TCondDialogEnv{dir.PathText(), &box, &files, &shell, {}});
    TAppSettings settings;
    settings.NotIncomplete = settings.NotExe = settings.NotDouble = true;
    settings.NgKeyword = "ＲＡＷ 体験版";
    CondEditRequest request = AddConditionRequest(settings);
    request.mainFolders = {FromNativePath(source)};
    dialog.Open(request);
    dialog.show();
    dialog.findChild<QCheckBox*>(QStringLiteral("ChkBoxOption"))->setChecked(true);
    auto* keyword = dialog.findChild<QLineEdit*>(QStringLiteral("EditKeyword"));
    auto* count = dialog.findChild<QLabel*>(QStringLiteral("LblTargetCount"));
    keyword->setText(QStringLiteral("第"));
    QApplication::processEvents();

    const double first = Milliseconds([&] {
        dialog.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(4);
        dialog.Timer1Timer();
    });
    std::printf("first look (read %d entries, test them, fill the list): %8.1f ms  %s\n", entries, first,
                count->text().toStdString().c_str());

    // Edits as a user makes them, each followed by the timer's look at the controls.
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"keyword \"アニメ\"", [&] { keyword->setText(QStringLiteral("アニメ")); }},
        {"keyword \"アニメ mp4\"", [&] { keyword->setText(QStringLiteral("アニメ mp4")); }},
        {"OR", [&] { dialog.findChild<QRadioButton*>(QStringLiteral("RdBtnOr"))->click(); }},
        {"case and width folding",
         [&] {
             dialog.findChild<QCheckBox*>(QStringLiteral("CheckBoxLargeSmall"))->setChecked(true);
             dialog.findChild<QCheckBox*>(QStringLiteral("CheckBoxHanZen"))->setChecked(true);
         }},
        {"mask \"*第?0話*\"", [&] { keyword->setText(QStringLiteral("*第?0話*")); }},
        {"every name \"*\"", [&] { keyword->setText(QStringLiteral("*")); }},
        {"size limit on (stat)",
         [&] { dialog.findChild<QCheckBox*>(QStringLiteral("ChkCondition1"))->setChecked(true); }},
        {"time limit on",
         [&] { dialog.findChild<QCheckBox*>(QStringLiteral("chkTimeLimit3"))->setChecked(true); }},
        {"time-stamp folder",
         [&] { dialog.findChild<QCheckBox*>(QStringLiteral("ChkBoxTimeStamp"))->setChecked(true); }},
        {"folders too",
         [&] { dialog.findChild<QCheckBox*>(QStringLiteral("ChkBoxFolder"))->setChecked(true); }},
        {"exclusion \"/clip\"", [&] { keyword->setText(QStringLiteral("* /clip")); }},
        {"keyword \"音楽\"", [&] { keyword->setText(QStringLiteral("音楽")); }},
    };
    double worst = 0;
    for (const auto& [what, edit] : edits) {
        edit();
        const double ms = Milliseconds([&] { dialog.Timer1Timer(); });
        worst = std::max(worst, ms);
        std::printf("edit %-24s %8.1f ms  %s\n", what, ms, count->text().toStdString().c_str());
    }
    const double idle = Milliseconds([&] { dialog.Timer1Timer(); });
    std::printf("a timer tick without a change:  %8.2f ms\n", idle);
    std::printf("worst edit: %.1f ms; shown at the latest %.1f ms after the edit (timer period 100 ms)\n",
                worst, worst + 100.0);
    std::printf("folder reads during the edits: %d\n", dialog.TargetReads());
    return 0;
}
