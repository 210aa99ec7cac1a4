// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the export dialog, then the import dialog with the report of a file with several bad
// rows, for looking at them under a display:
//   show_exchange_dialogs <seconds per dialog>
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "exchange/csv_export.h"
#include "gui/common/window_look.h"
#include "gui/exchange/export_dialog.h"
#include "gui/exchange/import_dialog.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "testing.h"

#include <QApplication>
#include <QTimer>

using namespace sv;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(ProgramFont());
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 3;
    sv::testing::TempFolder dir;
    std::string bytes;
    for (const std::string& line : CsvHeaderLines())
        bytes += sv::testing::Sjis(line) + "\r\n";
    for (const char* row : {"1,音楽,0,,0,0,0,mp3,\\d\\音楽,0,0,0,0,0,0,0,0,0,0,10,2,2,0,10,2,2,0,212121111",
                            "0,,0,,0,0,0,jpg,\\d\\画?像,0,0,0,0,0,0,0,0,0,0,10,2,2,0,10,2,2,0,212121111",
                            "1 ,,0,,0,0,0,txt,\\d,0,0,0,0,0,0,0,0,0,0,10,2,2,0,10,2,2,0,212121111",
                            "0,,0,,0,0,0,avi,\\d,0,0,0,0,0,0,0,0,0,1,12000,3,2,0,10,2,2,0,212121111", "",
                            "0,,0,,0,0,0,zip,\\d,0,0",
                            "1,名前,0,,0,0,0,abc/,\\d,0,0,0,0,0,0,0,0,0,0,10,2,2,0,10,2,2,0,212121111",
                            "1,,0,,0,0,0,\"ab\x05"
                            "c\",\\d,0,0,0,0,0,0,0,0,0,0,10,2,2,0,10,2,2,0,212121111"})
        bytes += sv::testing::Sjis(row) + "\r\n";
    dir.WriteBytes("SV_Cond.csv", bytes);

    ScriptedMessageBox box;
    box.QueueAnswer(MbAnswer::Yes);
    ScriptedFileDialog files;
    RecordingShell shell;
    const TExchangeEnv env{dir.PathText(), &box, &files, &shell};
    TAppSettings settings;
    settings.ExpFile[0] = settings.ImpFile[0] = dir.PathText() + "SV_Cond.csv";
    settings.ExpFile[1] = "\\home\\user\\条件の控え.csv";
    TConditionList list;
    TFormExport exporter(env);
    TFormImport importer(env);
    exporter.Prepare(list, 0, settings);
    exporter.move(20, 20);
    exporter.show();
    QTimer::singleShot(seconds * 1000, &app, [&] {
        exporter.hide();
        importer.Prepare(list, -1, settings);
        importer.move(20, 20);
        importer.show();
        importer.BtnOkClick();
    });
    QTimer::singleShot(2 * seconds * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
