// SPDX-License-Identifier: GPL-3.0-or-later
// Runs started from the main window: the source-folder check, the hidden main window, the run
// window and what the commands run.
#include "app/tray_controller.h"
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "gui/main/main_window.h"
#include "gui/run/report_window.h"
#include "item_views.h"
#include "main_window_ports.h"
#include "named_controls.h"
#include "platform/pathtext.h"
#include "store/condition.h"
#include "testing.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <filesystem>
#include <functional>
#include <memory>

using namespace sv;
using sv::testing::Sjis;

namespace {

struct Fixture final {
    explicit Fixture(const std::string& pathKeys = "", const std::string& makeFolder = "1") {
        std::filesystem::create_directories(dir.NativeFile("src"));
        std::string conditions;
        const char* rows[][3] = {{"jpg", "画像", "dst\\画像"}, {"mp3", "", "dst\\音楽"}};
        for (const auto& row : rows) {
            TConditionFields fields;
            fields.keywords = row[0];
            fields.settingName = row[1];
            fields.destFolder = dir.PathText() + row[2];
            TSortCondition condition;
            QVERIFY(ComposeCondition(fields, condition).ok());
            conditions += Sjis(condition.keywordText) + "\r\n" + Sjis(condition.destText) + "\r\n";
        }
        dir.WriteBytes("Condition.txt", conditions);
        dir.WriteBytes("Sorvanta.ini",
                       Sjis("[Path]\r\nSource=" + dir.PathText() + "src\r\n" + pathKeys +
                            "[Condition]\r\nMakeFolder=" + makeFolder + "\r\nFileUsing=0\r\n"));
        for (const char* name : {"写真1.jpg", "写真2.jpg", "曲.mp3"})
            dir.WriteBytes(std::string("src/") + name, "x");
        window = ports.MakeWindow(dir.PathText());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    template <typename T> T* Find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QTreeView* List() const { return Find<QTreeView>("ListView1"); }

    // Starts a command; while the run window is up, `during` looks at it and then OK closes it.
    void RunWith(const std::function<void()>& command, const std::function<void(TFormReport*)>& during = {}) {
        ranDuring = false;
        QTimer::singleShot(0, window.get(), [this, during] { WaitForEnd(during); });
        command();
    }
    void WaitForEnd(const std::function<void(TFormReport*)>& during) {
        TFormReport* report = window->findChild<TFormReport*>();
        if (report == nullptr || !report->isVisible() || report->Running() || !report->LastOutcome()) {
            QTimer::singleShot(10, window.get(), [this, during] { WaitForEnd(during); });
            return;
        }
        mainVisibleDuringRun = window->isVisible();
        if (during)
            during(report);
        ranDuring = true;
        testing::Named<QPushButton>(report, "BtnOk")->click();
    }

    testing::TempFolder dir;
    sv::testing::MainWindowPorts ports;
    ScriptedMessageBox& box = ports.box;
    ScriptedFileDialog& dialog = ports.dialog;
    RecordingShell& shell = ports.shell;
    std::unique_ptr<TFormMain> window;
    bool ranDuring = false;
    bool mainVisibleDuringRun = true;
};

} // namespace

class TestMainWindowRun final : public QObject {
    Q_OBJECT

private slots:
    void RunAllSortsWhileTheMainWindowIsHidden() {
        Fixture f;
        QVERIFY(f.Find<QPushButton>("BtnExec")->isEnabled());
        QVERIFY(f.Find<QAction>("E2")->isEnabled());
        QVERIFY(f.Find<QAction>("N14")->isEnabled());
        f.RunWith([&f] { f.Find<QPushButton>("BtnExec")->click(); },
                  [](TFormReport* report) {
                      QCOMPARE(testing::Named<QTreeView>(report, "ListView1")->model()->rowCount(), 3);
                      QCOMPARE(report->windowTitle(), QStringLiteral("Sorvanta 振り分け完了 - 全ての条件"));
                      QVERIFY(report->minimumSize() == QSize(630, 256));
                  });
        QVERIFY(f.ranDuring);
        QVERIFY(!f.mainVisibleDuringRun);
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.window->findChild<TrayController*>()->State().runActive);
        QVERIFY(f.dir.Exists("dst/画像/写真1.jpg"));
        QVERIFY(f.dir.Exists("dst/音楽/曲.mp3"));
        QVERIFY(f.dir.Exists("History.dat"));
        QVERIFY(f.box.Shown().empty());
    }

    // The test run shows the rows a run would make under its own caption; nothing moves and no
    // history is written, and the rows cannot be opened or deleted.
    void TheTestRunShowsThePlanAndMovesNothing() {
        Fixture f;
        QAction* preview = f.Find<QAction>("PreviewRun");
        QVERIFY(preview != nullptr && preview->isEnabled());
        QCOMPARE(preview->text(), QStringLiteral("  振り分けのテスト実行（ファイルは移動しません）(&T)"));
        f.RunWith([preview] { preview->trigger(); },
                  [](TFormReport* report) {
                      QCOMPARE(testing::Named<QTreeView>(report, "ListView1")->model()->rowCount(), 3);
                      QCOMPARE(report->windowTitle(), QStringLiteral("テスト実行 - 全ての条件"));
                      QCOMPARE(testing::Named<QLabel>(report, "stsBar1Panel0")->text(),
                               QStringLiteral("テスト実行が完了しました。ファイルは移動していません。"));
                      testing::Named<QTreeView>(report, "ListView1")
                          ->setCurrentIndex(
                              testing::Named<QTreeView>(report, "ListView1")->model()->index(0, 0));
                      testing::OpenContextMenu(report);
                      QVERIFY(!testing::Named<QAction>(report, "Open")->isEnabled() &&
                              !testing::Named<QAction>(report, "Del")->isEnabled() &&
                              !testing::Named<QAction>(report, "UndoRun")->isEnabled());
                  });
        QVERIFY(f.ranDuring);
        QVERIFY(f.dir.Exists("src/写真1.jpg") && f.dir.Exists("src/曲.mp3"));
        QVERIFY(!f.dir.Exists("dst"));
        QVERIFY(!f.dir.Exists("History.dat") && !f.dir.Exists("History.dat.journal"));
        QVERIFY(f.box.Shown().empty());
    }

    // From the window the run after a test run is answered by someone: the test run takes the
    // answers of the window's default buttons, as Enter would give them.
    void TheWindowsTestRunAnswersWithTheDefaultButtons() {
        Fixture f("", "0");
        f.RunWith(
            [&f] { f.Find<QAction>("PreviewRun")->trigger(); },
            [](TFormReport* report) {
                QCOMPARE(testing::Named<QTreeView>(report, "ListView1")->model()->rowCount(), 3);
                const QString notes = testing::Named<QPlainTextEdit>(report, "MemoNotes")->toPlainText();
                QCOMPARE(notes.count(QStringLiteral("フォルダを作成して振り分け処理を実行しますか？ → [はい] "
                                                    "として続けます。")),
                         2);
                QVERIFY2(!notes.contains(QStringLiteral("[いいえ]")), qPrintable(notes));
            });
        QVERIFY(f.ranDuring);
        QVERIFY(!f.dir.Exists("dst"));
        QVERIFY(f.box.Shown().empty());
    }

    void RunSelectedRunsOnlyTheSelectedCondition() {
        Fixture f;
        QVERIFY(!f.Find<QAction>("N11")->isEnabled());
        f.Find<QAction>("N11")->trigger(); // nothing selected: nothing happens
        QVERIFY(f.window->findChild<TFormReport*>() == nullptr ||
                !f.window->findChild<TFormReport*>()->isVisible());
        testing::SetCurrentRow(f.List(), 1);
        QVERIFY(f.Find<QAction>("N11")->isEnabled());
        f.RunWith([&f] { QTest::keyClick(f.List(), Qt::Key_Return); },
                  [](TFormReport* report) {
                      QCOMPARE(report->windowTitle(),
                               QStringLiteral("Sorvanta 振り分け完了 - キーワード [mp3]"));
                  });
        QVERIFY(f.ranDuring);
        QVERIFY(f.dir.Exists("dst/音楽/曲.mp3"));
        QVERIFY(f.dir.Exists("src/写真1.jpg"));
    }

    void AMissingSourceFolderStopsBeforeTheRun() {
        Fixture f;
        f.Find<QComboBox>("ComboBox1")->setEditText(QString::fromStdString(f.dir.NativeFile("ない")));
        f.Find<QPushButton>("BtnExec")->click();
        QCOMPARE(f.box.Shown().size(), std::size_t{1});
        QCOMPARE(f.box.Shown()[0].text, std::string("振り分け元フォルダが存在しません。"));
        QCOMPARE(f.box.Shown()[0].icon, MbIcon::Error);
        QVERIFY(!f.window->findChild<TrayController*>()->State().runActive);
        QVERIFY(f.dir.Exists("src/写真1.jpg"));
    }

    void WithExecAllAMissingHistoryEntryBecomesCurrent() {
        Fixture f("ExecAll=1\r\n");
        // Two folders in the history, the second gone.
        std::filesystem::create_directories(f.dir.NativeFile("gone"));
        QComboBox* combo = f.Find<QComboBox>("ComboBox1");
        combo->setEditText(QString::fromStdString(f.dir.NativeFile("gone")));
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Return); // the typed folder joins the history
        std::filesystem::remove(f.dir.NativeFile("gone"));
        combo->setCurrentIndex(1);
        f.Find<QPushButton>("BtnExec")->click();
        QCOMPARE(f.box.Shown().size(), std::size_t{1});
        QCOMPARE(f.box.Shown()[0].text,
                 "振り分け元フォルダ [ " + f.dir.NativeFile("gone") + " ] が存在しません。");
        QCOMPARE(combo->currentText(), QString::fromStdString(f.dir.NativeFile("gone")));
        QVERIFY(f.dir.Exists("src/写真1.jpg"));
    }
};

QTEST_MAIN(TestMainWindowRun)
#include "test_main_window_run.moc"
