// SPDX-License-Identifier: GPL-3.0-or-later
// The history window over 100 000 entries (or as many as asked for: a million for the goal): load and first
// paint, then a sort by each column (the click's whole work: sorting, the view's reset and the rewrite of
// History.dat).
//   bench_history_window [entries] [seconds to stay, for a look under a display]
#include "doubles/recording_shell.h"
#include "doubles/scripted_message_box.h"
#include "gui/history/history_window.h"
#include "platform/cp932.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "testing.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>

using namespace sv;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    testing::TempFolder dir;
    // Written record by record: the peak memory printed below is the window's.
    std::ofstream file(dir.NativeFile("History.dat"), std::ios::binary);
    std::size_t written = 0;
    const char* stems[] = {"夏祭りの写真", "ﾃｽﾄ音楽", "会議資料（第３版）", "旅行記録_京都", "猫の動画"};
    const char* marks[] = {"  ", "\u3000変", "\u3000Ｆ", " 拡変"};
    for (int i = 0; i < entries; ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "26/%02d/%02d %02d:%02d:%02d", 1 + i % 12, 1 + i % 28, i % 24,
                      i % 60, (i * 7) % 60);
        const std::string record = std::string(time) + "\r\n" + marks[i % 4] + "\r\n" + stems[(i * 31) % 5] +
                                   std::to_string(i * 7919 % 100000) + ".jpg\r\n\\home\\u\\整理済み\\" +
                                   stems[i % 5] + "*\\home\\u\\ダウンロード\r\n";
        const std::string encoded = *Utf8ToCp932(record);
        file << encoded;
        written += encoded.size();
    }
    file.close();

    ScriptedMessageBox box;
    RecordingShell shell;
    TAppSettings settings;
    THistoryEnv env;
    env.programFolder = dir.PathText();
    env.box = &box;
    env.shell = &shell;
    env.settings = &settings;
    TFormHistory window(env);

    QElapsedTimer timer;
    timer.start();
    window.ShowFromMain();
    window.ListView1->viewport()->repaint();
    QApplication::processEvents();
    std::printf("entries %d: load and first paint %.0f ms\n", window.ListView1->model()->rowCount(),
                static_cast<double>(timer.nsecsElapsed()) / 1e6);
    for (int column = 0; column < 5; ++column) {
        timer.restart();
        window.ListView1ColumnClick(column);
        window.ListView1->viewport()->repaint();
        QApplication::processEvents();
        std::printf("sort by column %d (with the rewrite of History.dat): %.0f ms\n", column,
                    static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("History.dat %.0f MB; peak memory %.0f MiB\n", static_cast<double>(written) / 1e6,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    const int stay = argc > 2 ? std::atoi(argv[2]) : 0;
    if (stay <= 0)
        return 0;
    // For a look: one entry selected after a second, five after three, the menu after five.
    window.ListView1ColumnClick(0);
    QTimer::singleShot(1000, &window, [&] { window.SelectRows({3}); });
    QTimer::singleShot(3000, &window, [&] { window.SelectRows({3, 4, 5, 6, 7}); });
    QTimer::singleShot(5000, &window, [&] {
        window.PopupMenu1Popup();
        window.PopupMenu1->popup(window.mapToGlobal(QPoint(120, 120)));
    });
    QTimer::singleShot(stay * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
