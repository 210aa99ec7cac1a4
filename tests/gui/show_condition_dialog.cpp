// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the condition editor with its other settings visible, for looking at it under a display:
//   show_condition_dialog <page 0-4, or -1 for the other settings hidden> [seconds] [main folder]
// It closes itself after the given time (default 3 s). The list of what the condition takes reads
// the main folder (a native path) when one is given.
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "gui/condition/condition_dialog.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/pathtext.h"
#include "platform/shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QTabWidget>
#include <QTimer>

using namespace sv;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int page = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 3;

    ScriptedMessageBox box;
    ScriptedFileDialog files;
    RecordingShell shell;
    TCondDialogEnv env{"\\tmp\\", &box, &files, &shell, {}};
    TFormCond dialog(env);

    TAppSettings settings;
    settings.FileComp = true;
    settings.ExtRules.push_back({"jpeg", "jpg"});
    const TSortCondition shown{"mp3 ogg \"/live rec\"//音楽ファイル", "\\home\\u\\音楽\\*?|\x02\x10"
                                                                      "\x05"
                                                                      "1 10012"
                                                                      "\x06"
                                                                      "0  1022"
                                                                      "\x13"
                                                                      "1342421111"
                                                                      "\x14"
                                                                      "1202401010"
                                                                      "\x16"
                                                                      "10101"
                                                                      "/\\home\\u\\ダウンロード"};
    CondEditRequest request = EditConditionRequest(shown, true, settings);
    if (argc > 3)
        request.mainFolders = {FromNativePath(argv[3])};
    dialog.Open(request);
    if (page < 0)
        dialog.findChild<QCheckBox*>(QStringLiteral("ChkBoxOption"))->setChecked(false);
    else
        dialog.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(page);
    dialog.move(20, 20);
    dialog.show();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
