// SPDX-License-Identifier: GPL-3.0-or-later
// The run window driven through its controls, with real runs on temporary folders.
#include "doubles/recording_shell.h"
#include "doubles/scripted_message_box.h"
#include "gui/run/report_window.h"
#include "item_views.h"
#include "named_controls.h"
#include "platform/cp932.h"
#include "platform/dry_run.h"
#include "platform/pathtext.h"
#include "store/condition.h"
#include "testing.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>

using namespace sv;
using sv::testing::Sjis;

namespace {

const QString kDone = QStringLiteral("Sorvanta 振り分け完了 - 全ての条件");

struct Fixture final {
    explicit Fixture(FileSystem* disk = nullptr) {
        std::filesystem::create_directories(dir.NativeFile("src"));
        settings.MakeFolder = true;
        settings.FileUsing = false;
        TReportEnv env;
        env.programFolder = dir.PathText();
        env.box = &box;
        env.shell = &shell;
        if (disk != nullptr)
            env.files = disk;
        window = std::make_unique<TFormReport>(env);
        QObject::connect(window.get(), &QWidget::windowTitleChanged, window.get(),
                         [this](const QString& title) { titles << title; });
    }

    std::string P(std::string_view rel) const { return dir.PathText() + FromNativePath(rel); }
    void Files(int count, std::string_view stem = "動画") const {
        for (int i = 0; i < count; ++i)
            dir.WriteBytes("src/" + std::string(stem) + std::to_string(100 + i) + ".avi", "data");
    }
    void AddCondition(std::string_view keywords, std::string_view destRel) {
        TConditionFields fields;
        fields.keywords = keywords;
        fields.destFolder = P(destRel);
        TSortCondition condition;
        QVERIFY(ComposeCondition(fields, condition).ok());
        QVERIFY(list.InsertAt(list.Count(), condition).ok());
    }
    void Start(bool autoRun = false) {
        TRunRequest request{.conditions = list, .settings = settings, .extRules = rules, .files = Disk()};
        request.sourceText = P("src");
        request.digest = digest.get();
        window->PrepareRun(request, shared, settings, autoRun);
        window->show();
    }
    // Runs to the end: the run starts from the show and ends with OK usable.
    void RunToEnd(bool autoRun = false) {
        Start(autoRun);
        QTRY_VERIFY(window->LastOutcome().has_value());
    }
    int Rows() const { return testing::Rows(testing::Named<QTreeView>(window.get(), "ListView1")); }
    QString Cell(int row, int column) const {
        return testing::Cell(testing::Named<QTreeView>(window.get(), "ListView1"), row, column);
    }
    void SetCurrent(int row) const {
        testing::SetCurrentRow(testing::Named<QTreeView>(window.get(), "ListView1"), row);
    }
    void AlsoSelect(int row) const {
        testing::AlsoSelect(testing::Named<QTreeView>(window.get(), "ListView1"), row);
    }
    // Once `rows` result rows exist, `action` runs at the run's next round of events.
    void AtRows(int rows, std::function<void()> action) {
        window->SetEventInterval(0);
        QObject::connect(testing::Named<QTreeView>(window.get(), "ListView1")->model(),
                         &QAbstractItemModel::rowsInserted, window.get(),
                         [this, rows, action, done = false]() mutable {
                             if (!done && Rows() == rows) {
                                 done = true;
                                 QTimer::singleShot(0, window.get(), action);
                             }
                         });
    }
    int Left(std::string_view rel) const {
        int n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.NativeFile(rel)))
            ++n;
        return n;
    }

    testing::TempFolder dir;
    TConditionList list;
    TAppSettings settings;
    std::vector<TExtRule> rules;
    TRunShared shared;
    ScriptedMessageBox box;
    RecordingShell shell;
    std::unique_ptr<TFormReport> window;
    QStringList titles;
    std::unique_ptr<DigestLibrary> digest = std::make_unique<DigestLibrary>(SV_MD5_LIBRARY);
};

// A file of `size` bytes that takes no room: its holes read as zeros.
void Sparse(const std::string& native, std::uint64_t size) {
    std::filesystem::create_directories(std::filesystem::path(native).parent_path());
    std::ofstream(native, std::ios::binary).close();
    std::filesystem::resize_file(native, size);
}

} // namespace

class TestReportWindow final : public QObject {
    Q_OBJECT

private slots:
    void RunSortsShowsRowsAndOkWritesHistory() {
        Fixture f;
        f.Files(5);
        f.dir.WriteBytes("src/readme.txt", "t");
        f.AddCondition("avi", "dst/動画");
        f.RunToEnd();

        QCOMPARE(f.Rows(), 5);
        QCOMPARE(f.Cell(0, 1), QStringLiteral("  "));
        QCOMPARE(f.Cell(0, 2), QString::fromStdString(f.dir.NativeFile("dst/動画")));
        QVERIFY(f.Cell(0, 0).startsWith(QStringLiteral("動画1")));
        QCOMPARE(testing::Named<QLabel>(f.window.get(), "lblCount")->text(),
                 QStringLiteral("処理ファイル（フォルダ）： 5 個"));
        QVERIFY(f.titles.contains(QStringLiteral("実行中 - 振り分け処理")));
        QVERIFY(f.titles.contains(QStringLiteral("振り分け実行中 - 全ての条件")));
        QCOMPARE(f.window->windowTitle(), kDone);
        QCOMPARE(testing::Named<QLabel>(f.window.get(), "stsBar1Panel0")->text(),
                 QStringLiteral("振り分け処理が完了しました。"));
        QVERIFY(!testing::Named<QPushButton>(f.window.get(), "BtnCancel")->isEnabled());
        QVERIFY(testing::Named<QPushButton>(f.window.get(), "BtnOk")->isVisible() &&
                testing::Named<QPushButton>(f.window.get(), "BtnOk")->isEnabled());
        QCOMPARE(testing::Named<QPushButton>(f.window.get(), "BtnOk")->geometry(),
                 testing::Named<QPushButton>(f.window.get(), "BtnCancel")->geometry());
        QVERIFY(testing::Named<QTimer>(f.window.get(), "Timer1")->isActive());
        QVERIFY(f.window->FlashCount() >= 1);
        QCOMPARE(f.shared.completionCount, 5);
        QCOMPARE(f.Left("src"), 1);
        QCOMPARE(f.Left("dst/動画"), 5);
        QVERIFY(!f.dir.Exists("History.dat"));

        // Without an automatic run the window waits for OK and keeps flashing.
        const int flashes = f.window->FlashCount();
        QTRY_VERIFY(f.window->FlashCount() > flashes);
        QVERIFY(f.window->isVisible());

        QSignalSpy saved(f.window.get(), &TFormReport::HistorySaved);
        f.window->resize(700, 300);
        testing::Named<QTreeView>(f.window.get(), "ListView1")->setColumnWidth(1, 55);
        QTest::mouseClick(testing::Named<QPushButton>(f.window.get(), "BtnOk"), Qt::LeftButton);
        QVERIFY(!f.window->isVisible());
        QCOMPARE(saved.count(), 1);
        QCOMPARE(testing::Named<QLabel>(f.window.get(), "stsBar1Panel0")->text(),
                 QStringLiteral("振り分け履歴保存中。しばらくお待ちください..."));
        const std::string history = f.dir.ReadBytes("History.dat");
        const std::string dest = Sjis(f.P("dst/動画"));
        QVERIFY(history.find(Sjis("動画100.avi") + "\r\n" + dest + "*" + Sjis(f.P("src"))) !=
                std::string::npos);
        QCOMPARE(std::count(history.begin(), history.end(), '\n'), 20);
        // Closing stored the geometry and emptied the list.
        QCOMPARE(f.settings.ReportWidth, 700);
        QCOMPARE(f.settings.ReportHeight, 300);
        QCOMPARE(f.settings.ReportListWidth[1], 55);
        QCOMPARE(f.Rows(), 0);
    }

    void UndoFromTheResultListSavesThenTakesTheRunBack() {
        Fixture f;
        f.Files(3);
        f.AddCondition("avi", "dst/動画"); // a folder the run creates
        f.RunToEnd();
        testing::OpenContextMenu(f.window.get());
        QVERIFY(testing::Named<QAction>(f.window.get(), "UndoRun")->isEnabled());
        // Answered No: the records were saved, nothing moved, the window stays.
        f.box.QueueAnswer(MbAnswer::No);
        testing::Named<QAction>(f.window.get(), "UndoRun")->trigger();
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.Left("dst/動画"), 3);
        QVERIFY(f.dir.Exists("History.dat.lastrun"));
        QCOMPARE(testing::Named<QLabel>(f.window.get(), "stsBar1Panel0")->text(),
                 QStringLiteral("振り分け処理が完了しました。"));
        testing::OpenContextMenu(f.window.get());
        QVERIFY(!testing::Named<QAction>(f.window.get(), "UndoRun")
                     ->isEnabled()); // the history window takes it from here
        QTest::mouseClick(testing::Named<QPushButton>(f.window.get(), "BtnOk"), Qt::LeftButton);

        f.Files(2, "映像");
        f.list = TConditionList();
        f.AddCondition("映像", "dst/映像");
        f.Start();
        QTRY_COMPARE(f.Rows(), 2);
        QTRY_COMPARE(f.window->windowTitle(), kDone);
        QSignalSpy saved(f.window.get(), &TFormReport::HistorySaved);
        f.box.QueueAnswer(MbAnswer::Yes);
        f.box.QueueAnswer(MbAnswer::Ok);
        testing::OpenContextMenu(f.window.get());
        testing::Named<QAction>(f.window.get(), "UndoRun")->trigger();
        QVERIFY(!f.window->isVisible());
        QCOMPARE(saved.count(), 2); // saved, then changed by the undo
        QCOMPARE(f.box.Shown().back().text, std::string("2 個の項目を元に戻しました。"));
        QCOMPARE(f.Left("src"), 2);
        QVERIFY(!f.dir.Exists("dst/映像"));
        // Only the first run's records are left.
        const std::string history = f.dir.ReadBytes("History.dat");
        QCOMPARE(std::count(history.begin(), history.end(), '\n'), 12);
    }

    // Delete removes through the file system the window is given, not the disk: in a dry run the
    // sorted file is gone for the run's view and still on disk.
    void DeleteGoesThroughTheGivenFileSystem() {
        DryRun disk;
        Fixture f(&disk);
        f.Files(1);
        f.AddCondition("avi", "dst");
        f.RunToEnd();
        QCOMPARE(f.Rows(), 1);
        const std::string sorted = f.P("dst/" + f.Cell(0, 0).toStdString());
        QVERIFY(disk.FileExists(sorted));
        f.SetCurrent(0);
        f.AlsoSelect(0);
        f.box.QueueAnswer(MbAnswer::Yes);
        QTest::keyClick(testing::Named<QTreeView>(f.window.get(), "ListView1"), Qt::Key_Delete);
        QCOMPARE(f.box.Shown().back().text, std::string("選択したファイルを削除しますか？"));
        QVERIFY(!disk.FileExists(sorted));
        QVERIFY(f.dir.Exists("dst/" + f.Cell(0, 0).toStdString()));
    }

    void NotesShowBelowTheListAndRowsOpenTheExactName() {
        Fixture f;
        f.dir.WriteBytes("src/caf\xff.avi", "bytes");
        std::filesystem::create_directories(f.dir.NativeFile("dst"));
        f.dir.WriteBytes("dst/linked.avi", "x");
        std::filesystem::create_symlink(f.dir.NativeFile("dst/linked.avi"),
                                        f.dir.NativeFile("src/linked.avi"));
        f.AddCondition("avi", "dst");
        f.RunToEnd();
        QVERIFY(testing::Named<QPlainTextEdit>(f.window.get(), "MemoNotes")->isVisible());
        QVERIFY(testing::Named<QPlainTextEdit>(f.window.get(), "MemoNotes")
                    ->toPlainText()
                    .contains(QStringLiteral("同じファイルのため")));
        QVERIFY(testing::Named<QPlainTextEdit>(f.window.get(), "MemoNotes")->geometry().top() >
                testing::Named<QTreeView>(f.window.get(), "ListView1")->geometry().bottom());
        QCOMPARE(f.Rows(), 1);
        // The row of a name that is not UTF-8 deletes that very file, not a look-alike.
        f.dir.WriteBytes("dst/caf\uFFFD.avi", "look-alike");
        f.SetCurrent(0);
        f.AlsoSelect(0);
        f.box.QueueAnswer(MbAnswer::Yes);
        QTest::keyClick(testing::Named<QTreeView>(f.window.get(), "ListView1"), Qt::Key_Delete);
        QVERIFY(!f.dir.Exists("dst/caf\xff.avi"));
        QCOMPARE(f.dir.ReadBytes("dst/caf\uFFFD.avi"), std::string("look-alike"));
        // The next run starts without the old notes.
        testing::Named<QPushButton>(f.window.get(), "BtnOk")->click();
        f.RunToEnd();
        QCOMPARE(testing::Named<QPlainTextEdit>(f.window.get(), "MemoNotes")
                     ->toPlainText()
                     .count(QStringLiteral("同じファイルのため")),
                 1);
    }

    void CancelDuringARunKeepsWhatWasDone() {
        Fixture f;
        f.Files(10);
        f.AddCondition("avi", "dst");
        f.AtRows(3, [&f] {
            QTest::mouseClick(testing::Named<QPushButton>(f.window.get(), "BtnCancel"), Qt::LeftButton);
        });
        f.RunToEnd();
        QVERIFY(f.window->LastOutcome()->cancelled);
        QCOMPARE(f.Rows(), 3);
        QCOMPARE(f.Left("src"), 7);
        QVERIFY(f.titles.contains(QStringLiteral("Sorvanta 完了 - 振り分け処理")));
        QCOMPARE(f.window->windowTitle(), kDone);
        QVERIFY(!testing::Named<QPushButton>(f.window.get(), "BtnCancel")->isEnabled());
        QVERIFY(testing::Named<QPushButton>(f.window.get(), "BtnOk")->isVisible() &&
                testing::Named<QPushButton>(f.window.get(), "BtnOk")->isEnabled());
        QCOMPARE(f.shared.completionCount, 0); // a cancelled run adds nothing
        QVERIFY(!f.shared.runInProgress);
        // Showing the window again after the run starts nothing new.
        f.window->hide();
        f.window->show();
        // The start a show queues has had its turn once the posted events are through.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(f.Left("src"), 7);
    }

    void TheDuplicateCompareShowsItsProgressAndDeletesTheDuplicate() {
        Fixture f;
        f.settings.FileComp = true;
        Sparse(f.dir.NativeFile("src/大きな動画.avi"), 64u << 20);
        Sparse(f.dir.NativeFile("dst/前からある.avi"), 64u << 20);
        f.AddCondition("avi", "dst");
        QList<int> values;
        QObject::connect(testing::Named<QProgressBar>(f.window.get(), "prgBarHash"),
                         &QProgressBar::valueChanged, f.window.get(), [&values](int v) { values << v; });
        f.RunToEnd();
        // The worker's progress reached the bar on the window's thread, and the bar ends at 0.
        QVERIFY(std::any_of(values.begin(), values.end(), [](int v) { return v > 0 && v <= 100; }));
        QCOMPARE(testing::Named<QProgressBar>(f.window.get(), "prgBarHash")->value(), 0);
        QCOMPARE(f.Rows(), 1);
        QCOMPARE(f.Cell(0, 1), QStringLiteral("\u3000消"));
        QCOMPARE(f.Cell(0, 2), QStringLiteral("削除"));
        QVERIFY(!f.dir.Exists("src/大きな動画.avi"));
        QCOMPARE(testing::Named<QLabel>(f.window.get(), "stsBar1Panel0")->text(),
                 QStringLiteral("振り分け処理が完了しました。"));
    }

    void CancelWhileHashingEndsTheRunAndKeepsTheFile() {
        Fixture f;
        f.settings.FileComp = true;
        // Two sources, so that whichever is hashed first, the run meets the cancel at the next.
        Sparse(f.dir.NativeFile("src/大きな動画.avi"), 300u << 20);
        Sparse(f.dir.NativeFile("src/次の動画.avi"), 300u << 20);
        Sparse(f.dir.NativeFile("dst/前からある.avi"), 300u << 20);
        f.AddCondition("avi", "dst");
        QStringList statuses;
        QObject::connect(testing::Named<QProgressBar>(f.window.get(), "prgBarHash"),
                         &QProgressBar::valueChanged, f.window.get(), [&f, &statuses](int v) {
                             if (v > 0 && statuses.isEmpty()) {
                                 statuses << testing::Named<QLabel>(f.window.get(), "stsBar1Panel0")->text();
                                 QTimer::singleShot(0, f.window.get(), [&f] {
                                     QTest::mouseClick(
                                         testing::Named<QPushButton>(f.window.get(), "BtnCancel"),
                                         Qt::LeftButton);
                                 });
                             }
                         });
        f.RunToEnd();
        QVERIFY(f.window->LastOutcome()->cancelled);
        QVERIFY2(statuses.value(0).startsWith(QStringLiteral("振り分け元ファイル ハッシュ値計算中： ") +
                                              QString::fromStdString(f.dir.NativeFile("src/"))),
                 qPrintable(statuses.value(0)));
        QVERIFY(f.dir.Exists("src/大きな動画.avi"));
        QVERIFY(f.dir.Exists("src/次の動画.avi"));
        QCOMPARE(f.Rows(), 0);
    }

    void CloseRequestDuringARunCancelsIt() {
        Fixture f;
        f.Files(8);
        f.AddCondition("avi", "dst");
        f.AtRows(2, [&f] { f.window->close(); });
        f.RunToEnd();
        QVERIFY(f.window->isVisible());
        QVERIFY(f.window->LastOutcome()->cancelled);
        QCOMPARE(f.Rows(), 2);
        QVERIFY(testing::Named<QPushButton>(f.window.get(), "BtnOk")->isVisible() &&
                testing::Named<QPushButton>(f.window.get(), "BtnOk")->isEnabled());
        // A close after the run closes; the two sorted files keep their record.
        QVERIFY(f.window->close());
        QVERIFY(!f.window->isVisible());
        const std::string history = f.dir.ReadBytes("History.dat");
        QCOMPARE(std::count(history.begin(), history.end(), '\n'), 8);
    }

    void EscapeCancelsARunAndNeverClosesTheWindow() {
        Fixture f;
        f.Files(6);
        f.AddCondition("avi", "dst");
        f.AtRows(1, [&f] { QTest::keyClick(f.window.get(), Qt::Key_Escape); });
        f.RunToEnd();
        QVERIFY(f.window->LastOutcome()->cancelled);
        QCOMPARE(f.Rows(), 1);
        QTest::keyClick(f.window.get(), Qt::Key_Escape);
        QVERIFY(f.window->isVisible());
    }

    void OkAfterARunWithoutRowsLeavesTheHistoryAlone() {
        Fixture f;
        f.dir.WriteBytes("History.dat", "keep");
        f.AddCondition("nothingmatches", "dst");
        f.Files(2);
        f.RunToEnd();
        QCOMPARE(f.Rows(), 0);
        QCOMPARE(testing::Named<QLabel>(f.window.get(), "lblCount")->text(),
                 QStringLiteral("処理ファイル（フォルダ）： 0 個"));
        testing::Named<QPushButton>(f.window.get(), "BtnOk")->click();
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.dir.ReadBytes("History.dat"), std::string("keep"));
    }

    void AReadOnlyHistoryIsToldAndWrittenOnceTheMarkIsCleared() {
        Fixture f;
        f.Files(2);
        f.AddCondition("avi", "dst");
        f.dir.WriteBytes("History.dat", "older\r\n");
        ::chmod(f.dir.NativeFile("History.dat").c_str(), 0444);
        f.RunToEnd();
        f.box.QueueAnswer(MbAnswer::Yes);
        testing::Named<QPushButton>(f.window.get(), "BtnOk")->click();
        QCOMPARE(f.box.Shown().size(), std::size_t{1});
        QCOMPARE(f.box.Shown()[0].text,
                 std::string(
                     "履歴ファイルに書き込みできません。読み取り専用属性を外して書き込みしてみましょうか？"));
        const std::string history = f.dir.ReadBytes("History.dat");
        QCOMPARE(std::count(history.begin(), history.end(), '\n'), 9);
        QVERIFY(history.ends_with("older\r\n"));
        QVERIFY(!f.window->isVisible());
    }

    void AnAutomaticRunClosesByItselfAndSavesTheHistory() {
        Fixture f;
        f.Files(3);
        f.AddCondition("avi", "dst");
        TRunRequest request{
            .conditions = f.list, .settings = f.settings, .extRules = f.rules, .files = Disk()};
        request.sourceText = f.P("src");
        f.window->Execute(request, f.shared, f.settings, true);
        QVERIFY(!f.window->isVisible());
        const std::string history = f.dir.ReadBytes("History.dat");
        QCOMPARE(std::count(history.begin(), history.end(), '\n'), 12);
    }

    void ResultListOpensFoldersAndDeletes() {
        Fixture f;
        f.Files(3);
        f.AddCondition("avi", "dst");
        f.RunToEnd();
        f.window->AddResultRow({"重複.avi", "\u3000消", "削除"});
        QTreeView* list = testing::Named<QTreeView>(f.window.get(), "ListView1");

        // No current row: the commands are hidden and do nothing.
        testing::OpenContextMenu(f.window.get());
        QVERIFY(!testing::Named<QAction>(f.window.get(), "Open")->isVisible() &&
                !testing::Named<QAction>(f.window.get(), "Folder")->isVisible() &&
                !testing::Named<QAction>(f.window.get(), "Del")->isVisible());
        testing::Named<QAction>(f.window.get(), "Open")->trigger();
        QTest::keyClick(testing::Named<QTreeView>(f.window.get(), "ListView1"), Qt::Key_Delete);
        QVERIFY(f.box.Shown().empty());

        // Enter in the list opens the current row and leaves the window open.
        f.SetCurrent(0);
        testing::OpenContextMenu(f.window.get());
        QVERIFY(testing::Named<QAction>(f.window.get(), "Open")->isVisible() &&
                testing::Named<QAction>(f.window.get(), "Folder")->isVisible() &&
                testing::Named<QAction>(f.window.get(), "Del")->isVisible());
        f.box.QueueAnswer(MbAnswer::Yes);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.box.Shown().back().text,
                 f.dir.NativeFile("dst/" + f.Cell(0, 0).toStdString()) + " を開きますか？");
        QCOMPARE(f.shell.Calls().size(), std::size_t{1});
        QCOMPARE(f.shell.Calls()[0].path, f.P("dst/" + f.Cell(0, 0).toStdString()));

        testing::Named<QAction>(f.window.get(), "Folder")->trigger();
        QCOMPARE(f.shell.Calls().back().kind, RecordingShell::Kind::OpenFolder);
        QCOMPARE(f.shell.Calls().back().path, f.P("dst"));

        // A deleted duplicate has no file and no folder to open.
        f.SetCurrent(3);
        QCOMPARE(f.Cell(3, 2), QStringLiteral("削除"));
        testing::Named<QAction>(f.window.get(), "Open")->trigger();
        QCOMPARE(f.box.Shown().back().text,
                 std::string("このファイルは存在しないか、またはフォルダのため開けません･･･　"));
        testing::Named<QAction>(f.window.get(), "Folder")->trigger();
        QCOMPARE(f.box.Shown().back().text,
                 std::string("振り分け先フォルダが存在しないため、開けません･･･　"));

        // Delete asks once for the selected rows, deletes the files, keeps the rows.
        list->clearSelection();
        f.SetCurrent(0);
        f.AlsoSelect(1);
        f.AlsoSelect(3);
        const std::size_t before = f.box.Shown().size();
        f.box.QueueAnswer(MbAnswer::Yes);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(f.box.Shown().size(), before + 1);
        QCOMPARE(f.box.Shown().back().text, std::string("選択したファイルを削除しますか？"));
        QCOMPARE(f.Left("dst"), 1);
        QCOMPARE(f.Rows(), 4);
        // No to the question deletes nothing.
        f.SetCurrent(2);
        f.box.QueueAnswer(MbAnswer::No);
        testing::Named<QAction>(f.window.get(), "Del")->trigger();
        QCOMPARE(f.Left("dst"), 1);
        QVERIFY(f.box.AllAnswersUsed());
    }

    void F1TellsAMissingHelpPage() {
        Fixture f;
        f.RunToEnd();
        QTest::keyClick(f.window.get(), Qt::Key_F1);
        QCOMPARE(f.box.Shown().back().text, std::string("ヘルプファイルが見つかりません！　"));
    }

    void GeometryComesFromTheSettingsWithinTheMinimum() {
        Fixture f;
        TAppSettings s;
        s.ReportWidth = 500;
        s.ReportHeight = 100;
        s.ReportListWidth = {60, 300, 120};
        f.window->ApplyGeometry(s);
        QCOMPARE(f.window->size(), QSize(630, 256));
        QCOMPARE(testing::Named<QTreeView>(f.window.get(), "ListView1")->columnWidth(0), 60);
        QCOMPARE(testing::Named<QTreeView>(f.window.get(), "ListView1")->columnWidth(2), 120);
        s.ReportWidth = 800;
        s.ReportHeight = 400;
        f.window->ApplyGeometry(s);
        QCOMPARE(f.window->size(), QSize(800, 400));
        // Cancel 5 pixels from the right; the list ends 10 above it and 5 left of its right edge.
        const QRect button = testing::Named<QPushButton>(f.window.get(), "BtnCancel")->geometry();
        QCOMPARE(button.right(), 800 - 1 - 5);
        QCOMPARE(testing::Named<QTreeView>(f.window.get(), "ListView1")->geometry().bottom(),
                 button.top() - 10 - 1);
        QCOMPARE(testing::Named<QTreeView>(f.window.get(), "ListView1")->geometry().right(),
                 button.right() - 5);
        QCOMPARE(testing::Named<QProgressBar>(f.window.get(), "prgBarHash")->geometry().right(),
                 button.left() - 6 - 1);
    }

    void CancellingALongCopyLeavesTheSourceAndAsksWhetherToStop() {
        Fixture f;
        {
            std::ofstream big(f.dir.NativeFile("src/大きな動画.avi"), std::ios::binary);
            big.seekp(4 << 20);
            big.put('x');
        }
        TConditionFields fields;
        fields.keywords = "avi";
        fields.destFolder = f.P("dst");
        fields.copyMode = true;
        TSortCondition condition;
        QVERIFY(ComposeCondition(fields, condition).ok());
        QVERIFY(f.list.InsertAt(0, condition).ok());
        // The copy's window is cancelled as soon as it exists; No to "stop the run?" goes on.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, f.window.get(), [&f] {
            if (auto* dialog = f.window->findChild<QProgressDialog*>();
                dialog != nullptr && !dialog->wasCanceled())
                dialog->cancel();
        });
        poll.start(0);
        f.box.QueueAnswer(MbAnswer::No);
        f.RunToEnd();
        poll.stop();
        QVERIFY(!f.window->LastOutcome()->cancelled);
        QCOMPARE(f.Rows(), 0);
        QVERIFY(f.dir.Exists("src/大きな動画.avi"));
        QCOMPARE(f.Left("dst"), 0); // no partial copy is left behind
        QCOMPARE(f.box.Shown().size(), std::size_t{1});
        QVERIFY(f.box.Shown()[0].text.starts_with("振り分け処理が中断されました。"));
        QVERIFY(testing::Named<QPushButton>(f.window.get(), "BtnOk")->isEnabled());
    }

    void CancelDuringALongCopyLetsItCompleteThenEndsTheRun() {
        Fixture f;
        for (const char* name : {"src/動画A.avi", "src/動画B.avi"}) {
            std::ofstream big(f.dir.NativeFile(name), std::ios::binary);
            big.seekp(4 << 20);
            big.put('x');
        }
        TConditionFields fields;
        fields.keywords = "avi";
        fields.destFolder = f.P("dst");
        fields.copyMode = true;
        TSortCondition condition;
        QVERIFY(ComposeCondition(fields, condition).ok());
        QVERIFY(f.list.InsertAt(0, condition).ok());
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, f.window.get(), [&f, &poll] {
            if (f.window->findChild<QProgressDialog*>() != nullptr &&
                testing::Named<QPushButton>(f.window.get(), "BtnCancel")->isEnabled()) {
                QTest::mouseClick(testing::Named<QPushButton>(f.window.get(), "BtnCancel"), Qt::LeftButton);
                poll.stop();
            }
        });
        poll.start(0);
        f.RunToEnd();
        QVERIFY(f.window->LastOutcome()->cancelled);
        QCOMPARE(f.Rows(), 1);
        QCOMPARE(f.Left("dst"), 1);
        QVERIFY(f.box.Shown().empty());
        QVERIFY(testing::Named<QPushButton>(f.window.get(), "BtnOk")->isEnabled() &&
                !testing::Named<QPushButton>(f.window.get(), "BtnCancel")->isEnabled());
    }
};

QTEST_MAIN(TestReportWindow)
#include "test_report_window.moc"
