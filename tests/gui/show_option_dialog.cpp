// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the options dialog page by page, then the rule dialog, for looking at them under a display:
//   show_option_dialog <seconds per page>
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "gui/common/window_look.h"
#include "gui/options/ext_rule_dialog.h"
#include "gui/options/option_dialog.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"

#include <QApplication>
#include <QTabWidget>
#include <QTimer>

using namespace sv;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(ProgramFont());
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2;
    ScriptedMessageBox box;
    ScriptedFileDialog files;
    RecordingShell shell;
    TFormOption dialog(TOptionDialogEnv{"\\tmp\\", &box, &files, &shell});
    TAppSettings settings;
    settings.ExtRules = {{"avi", "mpg"}, {"jpeg", "jpg"}, {"ｔｘｔ", "txt"}};
    dialog.Load(settings);
    dialog.move(20, 20);
    dialog.show();
    for (int page = 1; page <= 6; ++page) {
        QTimer::singleShot(page * seconds * 1000, &dialog, [&dialog, page] {
            if (page < 6) {
                dialog.PageControl1->setCurrentIndex(page);
                return;
            }
            dialog.RuleDialog()->Prepare(QStringLiteral("追加 - 拡張子変更条件"), {"avi", "mpg"});
            dialog.RuleDialog()->move(600, 20);
            dialog.RuleDialog()->show();
        });
    }
    QTimer::singleShot(7 * seconds * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
