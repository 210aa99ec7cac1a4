// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven through its controls, found by their component names.
#include "app/tray_controller.h"
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "gui/main/main_window.h"
#include "item_views.h"
#include "main_window_ports.h"
#include "platform/cp932.h"
#include "platform/pathtext.h"
#include "store/condition.h"
#include "testing.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDropEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <filesystem>
#include <memory>

using namespace sv;
using sv::testing::Sjis;

namespace {

// Three conditions as another installation writes them: code page 932, CR LF.
const std::string kConditions = Sjis("mp3 ogg//音楽\r\n\x08\\data\\音楽\\\r\n"
                                     "jpg//画像\r\n\\data\\画像\\\r\n"
                                     "txt\r\n\x08\\data\\書類\\\r\n");

struct Fixture final {
    explicit Fixture(const std::string& conditions = kConditions, const std::string& ini = "",
                     bool conditionFileIsAFolder = false) {
        if (conditionFileIsAFolder)
            std::filesystem::create_directory(dir.NativeFile("Condition.txt"));
        else if (!conditions.empty())
            dir.WriteBytes("Condition.txt", conditions);
        if (!ini.empty())
            dir.WriteBytes("Sorvanta.ini", Sjis(ini));
        window = ports.MakeWindow(dir.PathText());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    template <typename T> T* Find(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control named %s", name);
        return found;
    }
    QTreeView* List() const { return Find<QTreeView>("ListView1"); }
    QComboBox* Combo() const { return Find<QComboBox>("ComboBox1"); }
    void Select(int row) const { testing::SetCurrentRow(List(), row); }
    void Trigger(const char* action) const { Find<QAction>(action)->trigger(); }
    QString Cell(int row, int column) const { return testing::Cell(List(), row, column); }
    // The condition's keyword line as the list shows it: the keywords (without the "<AND><OR> "
    // the list puts before several), then the setting name.
    std::string ShownKeywordText(int row) const {
        QString keywords = Cell(row, 2);
        if (keywords.startsWith(QLatin1Char('<')))
            keywords = keywords.section(QLatin1Char(' '), 1);
        const QString name = Cell(row, 0);
        return (keywords + (name.isEmpty() ? QString() : QStringLiteral("//") + name)).toStdString();
    }
    // The destination line of condition `i` as Condition.txt holds it.
    std::string StoredDest(int i) const {
        const std::string bytes = dir.ReadBytes("Condition.txt");
        std::size_t start = 0;
        for (int line = 0; line < 2 * i + 1; ++line)
            start = bytes.find("\r\n", start) + 2;
        return bytes.substr(start, bytes.find("\r\n", start) - start);
    }
    // Whether a run of all conditions or the about box is under way, as the tray sees it.
    bool RunActive() const { return window->findChild<TrayController*>()->State().runActive; }
    std::string Ini() const { return Cp932ToUtf8(dir.ReadBytes("Sorvanta.ini")); }
    // Types into the box as the keyboard does: the keys go to the combo box, the edit's focus proxy.
    void TypeSource(const QString& text) const {
        Combo()->lineEdit()->selectAll();
        // Key events carry Latin-1 characters only; other texts arrive as an input method would.
        bool latin = true;
        for (const QChar c : text)
            latin = latin && c.unicode() < 0x80;
        if (latin)
            QTest::keyClicks(Combo(), text);
        else
            Combo()->lineEdit()->insert(text);
        QTest::keyClick(Combo(), Qt::Key_Return);
    }

    testing::TempFolder dir;
    sv::testing::MainWindowPorts ports;
    ScriptedMessageBox& box = ports.box;
    ScriptedFileDialog& dialog = ports.dialog;
    RecordingShell& shell = ports.shell;
    std::unique_ptr<TFormMain> window;
};

std::string ConditionsBytes(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += "k" + std::to_string(i) + "\r\n\\d\\" + std::to_string(i) + "\\\r\n";
    return bytes;
}

} // namespace

class TestMainWindow final : public QObject {
    Q_OBJECT

private slots:
    void ListIsBuiltFromTheConditionFile() {
        Fixture f;
        QCOMPARE(testing::Rows(f.List()), 3);
        QCOMPARE(f.List()->model()->columnCount(), 4);
        QCOMPARE(testing::Caption(f.List(), 3), QStringLiteral("振り分け先フォルダ"));
        QCOMPARE(f.Cell(0, 0), QStringLiteral("音楽"));
        QCOMPARE(f.Cell(0, 1), QStringLiteral("<標準>"));
        QCOMPARE(f.Cell(0, 2), QStringLiteral("<AND><> mp3 ogg"));
        QCOMPARE(f.Cell(0, 3), QStringLiteral("/data/音楽/")); // shown in native form
        QCOMPARE(f.Cell(2, 2), QStringLiteral("txt"));
        QCOMPARE(f.Find<QLabel>("LblCondition")->text(), QStringLiteral("振り分け条件 （3個の項目）"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Sorvanta"));
        QVERIFY(f.window->minimumSize() == QSize(434, 338));
        // The run button has the focus at start, not the folder box.
        QCOMPARE(f.window->focusWidget(), f.Find<QPushButton>("BtnExec"));
        // Nothing selected yet: the selection commands are off.
        for (const char* name : {"N4", "MenuCopyCond", "MenuPasteCond", "MenuFolderOpen", "N11", "N3"})
            QVERIFY2(!f.Find<QAction>(name)->isEnabled(), name);
        QVERIFY(f.Find<QAction>("Export")->isEnabled()); // export and import need no selection
        QVERIFY(f.Find<QAction>("Import")->isEnabled());
        QVERIFY(f.Find<QAction>("MenuHistory")->isEnabled()); // the history needs no selection
        QVERIFY(f.Find<QAction>("S2")->isEnabled());          // nor do the options
        QVERIFY(f.Find<QAction>("N2")->isEnabled());          // adding needs no selection
        QVERIFY(!f.Find<QPushButton>("ButtonUp")->isEnabled());
        QVERIFY(f.Find<QPushButton>("BtnExec")->isEnabled()); // running all needs no selection
        QVERIFY(f.Find<QAction>("E2")->isEnabled());
        QVERIFY(!f.Find<QToolButton>("ToolButtonFiler")->isEnabled());
        QCOMPARE(f.Find<QAction>("MenuAllCheck")->text(),
                 QStringLiteral("　全ての振り分け条件をチェックする(&J)"));
        QCOMPARE(f.Find<QAction>("N10")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
        QVERIFY(f.box.Shown().empty());
    }

    void IconsAreDrawnAtBothSizes() {
        Fixture f;
        // A missing SVG plugin or resource gives empty pixmaps, not an error.
        for (int size : {16, 32}) {
            QVERIFY(!f.window->windowIcon().pixmap(size, size).isNull());
            for (const char* name : {"notice", "running", "leak"})
                QVERIFY(!QIcon(QStringLiteral(":/icons/tray_%1.svg").arg(QLatin1String(name)))
                             .pixmap(size, size)
                             .isNull());
        }
        QVERIFY(!f.Find<QToolButton>("ToolButtonHelp")->icon().pixmap(16, 16).isNull());
        QVERIFY(!f.window->windowIcon().pixmap(32, 32).isNull());
    }

    void CheckBoxesFollowTheOption() {
        {
            Fixture f;
            QVERIFY(!testing::CheckData(f.List(), 0).isValid());
            QVERIFY(!f.Find<QAction>("MenuAllCheck")->isEnabled());
            f.window->close();
            // Hidden check boxes keep the states they were read with.
            QVERIFY(IsChecked(f.StoredDest(0)));
            QVERIFY(!IsChecked(f.StoredDest(1)));
        }
        Fixture f(kConditions, "[Condition]\r\nExecChkBox=1\r\n");
        QCOMPARE(testing::CheckState(f.List(), 0), Qt::Checked);
        QCOMPARE(testing::CheckState(f.List(), 1), Qt::Unchecked);
        QVERIFY(f.Find<QAction>("MenuAllCheck")->isEnabled());
        f.Trigger("MenuAllCheck");
        for (int i = 0; i < 3; ++i)
            QCOMPARE(testing::CheckState(f.List(), i), Qt::Checked);
        f.Trigger("MenuDelCheck");
        for (int i = 0; i < 3; ++i)
            QCOMPARE(testing::CheckState(f.List(), i), Qt::Unchecked);
        f.window->close();
        for (int i = 0; i < 3; ++i)
            QVERIFY(!IsChecked(f.StoredDest(i)));
    }

    void DeleteAsksAndSaves() {
        Fixture f;
        f.Select(0);
        QVERIFY(f.Find<QAction>("N4")->isEnabled());
        f.box.QueueAnswer(MbAnswer::No);
        f.Trigger("N4");
        QCOMPARE(f.box.Shown().size(), std::size_t(1));
        const MessageBoxRequest& asked = f.box.Shown()[0];
        QCOMPARE(
            asked.text,
            std::string("この振り分け条件を削除しますか？ \n\n設定名    ： 音楽  \nキーワード ： mp3 ogg  "));
        QCOMPARE(asked.title, std::string("Sorvanta"));
        QVERIFY(asked.icon == MbIcon::Warning && asked.buttons == MbButtons::YesNo);
        QCOMPARE(testing::Rows(f.List()), 3);
        QVERIFY(!f.dir.Exists("Sorvanta.ini")); // nothing changed, nothing written

        f.box.QueueAnswer(MbAnswer::Yes);
        f.Trigger("N4");
        QCOMPARE(testing::Rows(f.List()), 2);
        QCOMPARE(f.Cell(0, 0), QStringLiteral("画像"));
        QCOMPARE(f.Find<QLabel>("LblCondition")->text(), QStringLiteral("振り分け条件 （2個の項目）"));
        QVERIFY(!f.Find<QAction>("N4")->isEnabled());
        QCOMPARE(f.dir.ReadBytes("Condition.txt"),
                 Sjis("jpg//画像\r\n\\data\\画像\\\r\ntxt\r\n\x08\\data\\書類\\\r\n"));
        QVERIFY(f.box.AllAnswersUsed());
    }

    void DeletingTheOnlyConditionLeavesAnEmptyList() {
        Fixture f("only\r\n\\d\\\r\n");
        f.Select(0);
        f.box.QueueAnswer(MbAnswer::Yes);
        QTest::keyClick(f.List(), Qt::Key_Delete);
        QCOMPARE(testing::Rows(f.List()), 0);
        QVERIFY(!f.Find<QPushButton>("ButtonUp")->isEnabled());
        QVERIFY(!f.Find<QPushButton>("ButtonDown")->isEnabled());
        QCOMPARE(f.Find<QLabel>("LblCondition")->text(), QStringLiteral("振り分け条件 （0個の項目）"));
    }

    void CopyAndPasteTwiceKeepsTheCopiedCheckState() {
        Fixture f(kConditions, "[Condition]\r\nExecChkBox=1\r\n");
        f.Select(1); // 画像, not ticked
        testing::SetCheckState(f.List(), 1, Qt::Checked);
        f.Trigger("MenuCopyCond");
        QVERIFY(f.Find<QAction>("MenuPasteCond")->isEnabled());
        QVERIFY(f.Find<QAction>("CondPaste")->isEnabled());
        testing::SetCheckState(f.List(), 1, Qt::Unchecked); // after the copy: no effect on it
        f.Select(0);
        f.Trigger("MenuPasteCond");
        f.Trigger("CondPaste");
        QCOMPARE(testing::Rows(f.List()), 5);
        QCOMPARE(f.Cell(0, 0), QStringLiteral("画像"));
        QCOMPARE(f.Cell(1, 0), QStringLiteral("画像"));
        QCOMPARE(f.Cell(2, 0), QStringLiteral("音楽"));
        QCOMPARE(testing::CheckState(f.List(), 0), Qt::Checked);
        QCOMPARE(testing::CheckState(f.List(), 3), Qt::Unchecked);
        QCOMPARE(f.dir.ReadBytes("Condition.txt"),
                 Sjis("jpg//画像\r\n\x08\\data\\画像\\\r\njpg//画像\r\n\x08\\data\\画像\\\r\n"
                      "mp3 ogg//音楽\r\n\x08\\data\\音楽\\\r\njpg//画像\r\n\\data\\画像\\\r\n"
                      "txt\r\n\x08\\data\\書類\\\r\n"));
    }

    void PasteIntoAFullTableIsRefused() {
        Fixture f(ConditionsBytes(TConditionList::kCapacity));
        QCOMPARE(testing::Rows(f.List()), TConditionList::kCapacity);
        f.Select(5);
        f.Trigger("MenuCopyCond");
        f.Trigger("MenuPasteCond");
        QCOMPARE(f.box.Shown().size(), std::size_t(1));
        QVERIFY(f.box.Shown()[0].text.find("10000") != std::string::npos);
        QVERIFY(f.box.Shown()[0].icon == MbIcon::Error);
        QCOMPARE(testing::Rows(f.List()), TConditionList::kCapacity);
        QCOMPARE(f.ShownKeywordText(TConditionList::kCapacity - 1), std::string("k9999"));
        QVERIFY(!f.dir.Exists("Sorvanta.ini"));
    }

    void AnOverlongConditionFileIsKeptBeforeItIsShortened() {
        const std::string bytes = ConditionsBytes(TConditionList::kCapacity + 1);
        Fixture f(bytes);
        QCOMPARE(f.box.Shown().size(), std::size_t(1));
        QVERIFY(f.box.Shown()[0].text.find("2 行") != std::string::npos);
        QVERIFY(f.box.Shown()[0].text.find("Condition.txt.bak") != std::string::npos);
        QCOMPARE(f.dir.ReadBytes("Condition.txt.bak"), bytes);
        f.window->close();
        QCOMPARE(f.dir.ReadBytes("Condition.txt"), ConditionsBytes(TConditionList::kCapacity));
        QCOMPARE(f.dir.ReadBytes("Condition.txt.bak"), bytes); // the dropped condition is still there
    }

    void MoveUpAndDownStopAtTheEnds() {
        Fixture f;
        auto* up = f.Find<QPushButton>("ButtonUp");
        auto* down = f.Find<QPushButton>("ButtonDown");
        f.Select(0);
        QVERIFY(!up->isEnabled());
        QVERIFY(down->isEnabled());
        up->click(); // disabled: nothing happens
        QCOMPARE(f.Cell(0, 0), QStringLiteral("音楽"));
        QTest::mouseClick(down, Qt::LeftButton);
        QTest::mouseClick(down, Qt::LeftButton);
        QCOMPARE(f.Cell(2, 0), QStringLiteral("音楽"));
        QCOMPARE(f.ShownKeywordText(2), std::string("mp3 ogg//音楽"));
        QCOMPARE(f.ShownKeywordText(0), std::string("jpg//画像"));
        QVERIFY(!down->isEnabled());
        QVERIFY(up->isEnabled());
        QCOMPARE(testing::CurrentRow(f.List()), 2);
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(f.Cell(1, 0), QStringLiteral("音楽"));
        QVERIFY(!f.dir.Exists("Sorvanta.ini")); // reordering is saved with the next save
    }

    void DroppingARowOntoAnotherMovesIt() {
        Fixture f;
        QTreeView* list = f.List();
        f.Select(0);
        // What a drag delivers: enter, move and drop at one point of the list.
        const auto drop = [list](const QMimeData& mime, const QPoint& at) {
            QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(list->viewport(), &enter);
            QDragMoveEvent move(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(list->viewport(), &move);
            QDropEvent event(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(list->viewport(), &event);
        };
        const auto rowCentre = [list](int row) {
            return list->visualRect(list->model()->index(row, 0)).center();
        };
        const std::unique_ptr<QMimeData> rows(list->model()->mimeData({list->model()->index(0, 0)}));

        drop(*rows, rowCentre(2));
        QCOMPARE(f.Cell(2, 0), QStringLiteral("音楽"));
        QCOMPARE(f.Cell(0, 0), QStringLiteral("画像"));
        QCOMPARE(f.ShownKeywordText(2), std::string("mp3 ogg//音楽"));
        QCOMPARE(testing::CurrentRow(list), 2);
        QVERIFY(!f.Find<QPushButton>("ButtonDown")->isEnabled());

        // Below the last row is no row: nothing moves. Neither do files dragged in from outside.
        drop(*rows, QPoint(10, list->viewport()->height() - 2));
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/x"))});
        drop(files, rowCentre(0));
        QCOMPARE(f.Cell(0, 0), QStringLiteral("画像"));
        QCOMPARE(f.Cell(2, 0), QStringLiteral("音楽"));

        f.Select(2);
        drop(*rows, rowCentre(0));
        QCOMPARE(f.Cell(0, 0), QStringLiteral("音楽"));
        QCOMPARE(f.ShownKeywordText(0), std::string("mp3 ogg//音楽"));
        QVERIFY(!f.dir.Exists("Sorvanta.ini"));
    }

    void SourceBoxTidiesItsHistory() {
        Fixture f;
        QVERIFY(!f.Find<QPushButton>("ButtonSourceDel")->isEnabled());
        f.TypeSource(QStringLiteral("/tmp/a///"));
        QCOMPARE(f.Combo()->itemText(0), QStringLiteral("/tmp/a/"));
        QCOMPARE(f.Combo()->currentText(), QStringLiteral("/tmp/a/"));
        QVERIFY(f.Find<QPushButton>("ButtonSourceDel")->isEnabled());
        QVERIFY(f.Ini().find("Source=\\tmp\\a\\\r\n") != std::string::npos); // stored as a path text

        for (int i = 1; i <= 10; ++i)
            f.TypeSource(QStringLiteral("/src/%1").arg(i));
        QCOMPARE(f.Combo()->count(), 10); // the eleventh folder pushed the oldest out
        QCOMPARE(f.Combo()->itemText(0), QStringLiteral("/src/10"));
        QCOMPARE(f.Combo()->itemText(9), QStringLiteral("/src/1"));
        f.TypeSource(QStringLiteral("/src/5/"));
        QCOMPARE(f.Combo()->count(), 10);
        QCOMPARE(f.Combo()->itemText(0), QStringLiteral("/src/5/"));
        f.TypeSource(QStringLiteral("/src/4"));
        QCOMPARE(f.Combo()->itemText(0), QStringLiteral("/src/4"));
        QCOMPARE(f.Combo()->itemText(1), QStringLiteral("/src/5/"));
        QCOMPARE(f.Combo()->count(), 10);
        QVERIFY(f.box.Shown().empty());

        f.TypeSource(QStringLiteral("/src/a*b"));
        QCOMPARE(f.box.Shown().size(), std::size_t(1));
        QCOMPARE(f.box.Shown()[0].text, std::string("フォルダの指定に / : * ? \" < > | は使用できません。"));
        QCOMPARE(f.Combo()->itemText(0), QStringLiteral("/src/4")); // the history is unchanged
        f.TypeSource(QStringLiteral("/src/café"));
        QCOMPARE(f.box.Shown().size(), std::size_t(2));
        QVERIFY(f.box.Shown()[1].text.find("é") != std::string::npos);
        f.window->close();
        QVERIFY(f.Ini().find("caf") == std::string::npos);               // never stored, not even on close
        QCOMPARE(f.Combo()->currentText(), QStringLiteral("/src/café")); // and not lost from the box
    }

    // With no settings file yet, the download folder stands in the source box; once there is a
    // settings file, what it says holds, an empty box included.
    void AFirstStartOffersTheDownloadFolder() {
        testing::TempFolder dir;
        testing::TempFolder downloads;
        const QString offered = QString::fromStdString(downloads.Native());
        std::string folder = downloads.Native();
        const auto start = [&](testing::MainWindowPorts& ports) {
            ports.downloadFolder = [&folder] { return folder; };
            auto window = ports.MakeWindow(dir.PathText());
            window->show();
            return window;
        };
        const auto combo = [](const std::unique_ptr<TFormMain>& window) {
            return window->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
        };
        {
            testing::MainWindowPorts ports;
            const auto window = start(ports);
            QCOMPARE(combo(window)->currentText(), offered);
            QCOMPARE(combo(window)->count(), 0); // offered, not yet in the history
            QVERIFY(window->findChild<QPushButton*>(QStringLiteral("ButtonSourceDel"))->isEnabled());
            QVERIFY(ports.box.Shown().empty());
            window->close();
        }
        const std::string ini = Cp932ToUtf8(dir.ReadBytes("Sorvanta.ini"));
        QVERIFY2(ini.find("Source=" + FromNativePath(downloads.Native()) + "\r\n") != std::string::npos,
                 ini.c_str());
        // The next start takes the settings file's folder, whatever the desktop says now.
        folder = "/elsewhere";
        {
            testing::MainWindowPorts ports;
            const auto window = start(ports);
            QCOMPARE(combo(window)->currentText(), offered);
        }
        // A box the user emptied stays empty.
        dir.WriteBytes("Sorvanta.ini", "[Path]\r\nSource=\r\n");
        {
            testing::MainWindowPorts ports;
            const auto window = start(ports);
            QCOMPARE(combo(window)->currentText(), QString());
        }
        // A folder the settings file could not hold is not offered, and nothing is said about it.
        std::filesystem::remove(dir.NativeFile("Sorvanta.ini"));
        folder = downloads.Native() + "/Téléchargements";
        {
            testing::MainWindowPorts ports;
            const auto window = start(ports);
            QCOMPARE(combo(window)->currentText(), QString());
            QVERIFY(ports.box.Shown().empty());
        }
    }

    void SourceBoxKeysAndButtons() {
        Fixture f;
        QLineEdit* edit = f.Combo()->lineEdit();
        QGuiApplication::clipboard()->setText(QStringLiteral("/from/clipboard"));
        edit->setText(QStringLiteral("/old"));
        edit->setCursorPosition(2);
        QTest::keyClick(f.Combo(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.Combo()->currentText(), QStringLiteral("/from/clipboard")); // replaced, not inserted
        QTest::keyClick(f.Combo(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(edit->selectedText(), QStringLiteral("/from/clipboard"));
        QCOMPARE(testing::Rows(f.List()), 3); // Ctrl+A in the box is not the list's Add

        f.dialog.QueueChoice(f.dir.PathText() + "picked");
        f.Find<QPushButton>("ButtonRef")->click();
        QCOMPARE(f.dialog.Asked().back().title, std::string("振り分け元フォルダを選択してください。"));
        QCOMPARE(f.dialog.Asked().back().start, std::string("\\from\\clipboard"));
        QCOMPARE(f.Combo()->currentText(), QString::fromStdString(f.dir.Native() + "/picked"));
        f.dialog.QueueChoice(f.dir.PathText() + "café");
        f.dialog.QueueChoice(std::nullopt);
        f.Find<QPushButton>("ButtonRef")->click();
        f.Find<QPushButton>("ButtonRef")->click();
        QVERIFY(f.box.Shown().back().text.find("「é」") != std::string::npos);
        QCOMPARE(f.Combo()->currentText(), QString::fromStdString(f.dir.Native() + "/picked"));

        f.Find<QPushButton>("ButtonSourceOpen")->click(); // the folder does not exist
        QCOMPARE(f.box.Shown().back().text,
                 std::string("振り分け元フォルダが存在しないため、開けません･･･　"));
        QVERIFY(f.shell.Calls().empty());
        f.TypeSource(QString::fromStdString(f.dir.Native()));
        f.Find<QPushButton>("ButtonSourceOpen")->click();
        QCOMPARE(f.shell.Calls().size(), std::size_t(1));
        QCOMPARE(f.shell.Calls()[0].path, f.dir.PathText().substr(0, f.dir.PathText().size() - 1));

        // Remove: asks with the folder's name, and takes it out of the history.
        const int before = f.Combo()->count();
        f.box.QueueAnswer(MbAnswer::No);
        f.Find<QPushButton>("ButtonSourceDel")->click();
        QCOMPARE(f.Combo()->count(), before);
        f.box.QueueAnswer(MbAnswer::Yes);
        f.Find<QPushButton>("ButtonSourceDel")->click();
        QCOMPARE(f.box.Shown().back().text,
                 "振り分け元フォルダ設定 [ " + f.dir.Native() + " ] を消去しますか？");
        QCOMPARE(f.Combo()->count(), before - 1);
        QCOMPARE(f.Combo()->currentText(), f.Combo()->itemText(0));
    }

    void OpenDestinationAndHelp() {
        Fixture f;
        f.Select(2);
        f.Trigger("MenuFolderOpen");
        QCOMPARE(f.box.Shown().back().text,
                 std::string("振り分け先フォルダが存在しないため、開けません･･･　"));
        f.Trigger("SorvantaHelpOpen");
        QCOMPARE(f.box.Shown().back().text, std::string("ヘルプファイルが見つかりません！　"));
        QVERIFY(f.shell.Calls().empty());
    }

    void SettingsAreWrittenOnClose() {
        Fixture f(kConditions, "[Size]\r\nFormWidth=600\r\nFormHeight=400\r\n[Extra]\r\nKeep=1\r\n");
        QCOMPARE(f.window->size(), QSize(600, 400));
        f.window->resize(640, 420);
        f.List()->setColumnWidth(3, 150);
        f.Trigger("N7"); // always on top: saved at once
        QVERIFY(f.Ini().find("HwndTop=1") != std::string::npos);
        f.Select(0);
        f.Find<QPushButton>("ButtonDown")->click();
        f.window->close();
        QVERIFY(f.box.Shown().empty()); // no confirmation
        const std::string ini = f.Ini();
        QVERIFY(ini.find("FormWidth=640") != std::string::npos);
        QVERIFY(ini.find("FormHeight=420") != std::string::npos);
        QVERIFY(ini.find("ListWidth3=150") != std::string::npos);
        QVERIFY(ini.find("SorvantaVer=3.90") != std::string::npos);
        QVERIFY(ini.find("Keep=1") != std::string::npos);
        QCOMPARE(f.dir.ReadBytes("Condition.txt"),
                 Sjis("jpg//画像\r\n\\data\\画像\\\r\nmp3 "
                      "ogg//音楽\r\n\x08\\data\\音楽\\\r\ntxt\r\n\x08\\data\\書類\\\r\n"));
    }

    void ListKeysCopyAndPaste() {
        Fixture f;
        f.Select(1);
        f.List()->setFocus();
        QTest::keyClick(f.List(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(f.Find<QAction>("MenuPasteCond")->isEnabled()); // the copy is held
        QTest::keyClick(f.List(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(testing::Rows(f.List()), 4);
        QCOMPARE(f.Cell(1, 0), QStringLiteral("画像"));
        QCOMPARE(f.Cell(2, 0), QStringLiteral("画像"));
    }

    void AFailedSaveAsksToClearTheReadOnlyMark() {
        Fixture f;
        f.dir.WriteBytes("Sorvanta.ini", "[Extra]\r\nKeep=1\r\n");
        std::filesystem::permissions(f.dir.NativeFile("Sorvanta.ini"), std::filesystem::perms::owner_read);
        f.Select(0);
        f.box.QueueAnswer(MbAnswer::Yes); // delete
        f.box.QueueAnswer(MbAnswer::No);  // do not touch the read-only file
        f.Trigger("N4");
        QCOMPARE(f.box.Shown().size(), std::size_t(2));
        QCOMPARE(f.box.Shown()[1].title, std::string("Sorvanta - ファイル書き込みエラー"));
        QCOMPARE(f.dir.ReadBytes("Sorvanta.ini"), std::string("[Extra]\r\nKeep=1\r\n"));
        QCOMPARE(testing::Rows(f.List()), 2); // memory keeps the change

        f.box.QueueAnswer(MbAnswer::Yes);
        f.TypeSource(QStringLiteral("/src"));
        QCOMPARE(f.box.Shown().size(), std::size_t(3));
        QVERIFY(f.Ini().find("Source=\\src") != std::string::npos);
        QVERIFY(f.Ini().find("Keep=1") != std::string::npos);
        QCOMPARE(f.dir.ReadBytes("Condition.txt"),
                 Sjis("jpg//画像\r\n\\data\\画像\\\r\ntxt\r\n\x08\\data\\書類\\\r\n"));
    }

    void AnUnreadableConditionFileIsKeptAndTold() {
        // A folder in the file's place cannot be read, whoever runs the test.
        Fixture f("", "", true);
        QCOMPARE(f.box.Shown().size(), std::size_t(1));
        const MessageBoxRequest& told = f.box.Shown()[0];
        QCOMPARE(told.title, std::string("Sorvanta - ファイル読み込みエラー"));
        QVERIFY(told.text.find("Condition.txt.bad") != std::string::npos);
        QCOMPARE(testing::Rows(f.List()), 0);
        QVERIFY(std::filesystem::is_directory(f.dir.NativeFile("Condition.txt.bad")));
    }

    void AboutBoxShowsTheVersion() {
        Fixture f;
        bool seen = false;
        QTimer::singleShot(0, f.window.get(), [&] {
            auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(about != nullptr);
            QVERIFY(f.RunActive());
            auto* version = about->findChild<QLabel*>(QStringLiteral("Version"));
            QVERIFY(version != nullptr);
            QCOMPARE(version->text(), QStringLiteral("Version 3.90"));
            QCOMPARE(about->findChild<QLabel*>(QStringLiteral("ProductName"))->text(),
                     QStringLiteral("Sorvanta"));
            QTest::keyClick(about, Qt::Key_F1);
            QCOMPARE(f.box.Shown().back().text, std::string("ヘルプファイルが見つかりません！　"));
            seen = true;
            about->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
        });
        f.Trigger("Sorvanta1");
        QVERIFY(seen);
        QVERIFY(!f.RunActive());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
