// SPDX-License-Identifier: GPL-3.0-or-later
// The export and import dialogs driven by their controls' names, alone and from the main window.
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "exchange/csv_export.h"
#include "gui/exchange/export_dialog.h"
#include "gui/exchange/import_dialog.h"
#include "gui/main/main_window.h"
#include "item_views.h"
#include "main_window_ports.h"
#include "platform/cp932.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <QTreeView>

#include <cstdlib>
#include <filesystem>

using namespace sv;
using sv::testing::Sjis;

namespace {

TSortCondition Condition(const std::string& keywords) {
    TConditionFields f;
    f.keywords = keywords;
    f.destFolder = "\\d\\" + keywords;
    TSortCondition c;
    if (!ComposeCondition(f, c).ok())
        qFatal("cannot pack a test condition");
    return c;
}

std::string Row(const std::string& keywords, const std::string& dest = "\\d") {
    return "0,,0,,0,0,0," + keywords + "," + dest + ",0,0,0,0,0,0,0,0,0,0,10,2,2,0,10,2,2,0,212121111";
}

std::string CsvBytes(const std::vector<std::string>& rows) {
    std::string bytes;
    for (const std::string& line : CsvHeaderLines())
        bytes += Sjis(line) + "\r\n";
    for (const std::string& row : rows)
        bytes += Sjis(row) + "\r\n";
    return bytes;
}

struct Ports final {
    TExchangeEnv Env() { return {dir.PathText(), &box, &files, &shell}; }
    QString Native(const std::string& name) const { return QString::fromStdString(dir.NativeFile(name)); }
    std::string PathText(const std::string& name) const { return dir.PathText() + name; }
    const MessageBoxRequest& Last() const { return box.Shown().back(); }

    sv::testing::TempFolder dir;
    ScriptedMessageBox box;
    ScriptedFileDialog files;
    RecordingShell shell;
    TAppSettings settings;
};

// Whether the window sits in the middle of the primary screen's free area, give or take the frame
// the platform adds once it is shown (unknown when it is placed).
bool CentredOnTheDesktop(const QWidget* window) {
    const QPoint offset =
        window->frameGeometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    return std::abs(offset.x()) <= 4 && std::abs(offset.y()) <= 4;
}

} // namespace

class TestExchangeDialogs final : public QObject {
    Q_OBJECT

private slots:
    void ExportAsksWritesAndKeepsTheNameAtTheTop() {
        Ports p;
        TFormExport dialog(p.Env());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("振り分け条件エクスポート"));
        TConditionList list;
        list.Put(0, Condition("mp3"));
        list.Put(1, Condition("jpg"));
        p.settings.ExpFile = {p.PathText("old.csv"), "", p.PathText("older.csv")};
        dialog.Prepare(list, 2, p.settings);
        QCOMPARE(dialog.CboFile->count(), 2);
        QCOMPARE(dialog.CboFile->currentText(), p.Native("old.csv"));
        QVERIFY(dialog.BtnOk->isEnabled());
        QVERIFY(!dialog.BtnOpen->isEnabled()); // no such file yet

        dialog.CboFile->setEditText(p.Native("conds"));
        p.box.QueueAnswer(MbAnswer::Yes);
        dialog.BtnOkClick();
        QCOMPARE(dialog.CboFile->currentText(), p.Native("conds.csv"));
        QCOMPARE(p.box.Shown().size(), 2u);
        QCOMPARE(p.box.Shown()[0].text,
                 std::string("振り分け条件エクスポート処理を行います。よろしいですか？"));
        QCOMPARE(p.box.Shown()[0].title, std::string("Sorvanta - 確認"));
        QCOMPARE(p.Last().text, std::string("振り分け条件エクスポート処理が完了しました。"));
        QVERIFY(p.Last().icon == MbIcon::None);
        QVERIFY(Cp932ToUtf8(p.dir.ReadBytes("conds.csv")).starts_with("1)チェック,"));
        QCOMPARE(p.settings.ExpFile[0], p.PathText("conds.csv"));
        QCOMPARE(p.settings.ExpFile[1], p.PathText("old.csv"));
        QCOMPARE(p.settings.ExpFile[2], p.PathText("older.csv"));
        dialog.Timer1Timer();
        QVERIFY(dialog.BtnOpen->isEnabled());

        // The same name again: the overwrite question; No changes nothing.
        p.box.QueueAnswer(MbAnswer::No);
        dialog.BtnOkClick();
        QCOMPARE(p.Last().text, std::string("同名ファイルが存在します。上書きしてよろしいですか？"));
        QVERIFY(p.box.AllAnswersUsed());

        // Opening the file: with the desktop's opener, and its failure told as the run window does.
        dialog.BtnOpenClick();
        QCOMPARE(p.shell.Calls().back().path, p.PathText("conds.csv"));
        p.shell.FailNext("no handler");
        dialog.BtnOpenClick();
        QCOMPARE(p.Last().text, std::string("関連付けされたアプリケーションが見つかりません。"));
        QCOMPARE(p.Last().title, std::string("Sorvanta - ファイルオープンエラー"));
    }

    void ExportFailureLeavesTheRecentListAlone() {
        Ports p;
        TFormExport dialog(p.Env());
        TConditionList list;
        std::filesystem::create_directory(p.dir.NativeFile("taken.csv"));
        p.settings.ExpFile = {p.PathText("a.csv")};
        dialog.Prepare(list, 0, p.settings);
        dialog.CboFile->setEditText(p.Native("taken.csv"));
        p.box.QueueAnswer(MbAnswer::Yes);
        dialog.BtnOkClick();
        QCOMPARE(p.Last().text, std::string("ファイルに書き込めませんでした。"));
        QCOMPARE(p.Last().title, std::string("エクスポートファイル書き込みエラー"));
        QVERIFY(p.Last().icon == MbIcon::Error);
        QCOMPARE(p.settings.ExpFile[0], p.PathText("a.csv"));

        // A name the settings file could not keep is refused before anything is asked.
        dialog.CboFile->setEditText(p.Native("caf\xC3\xA9.csv"));
        const std::size_t before = p.box.Shown().size();
        dialog.BtnOkClick();
        QCOMPARE(p.box.Shown().size(), before + 1);
        QVERIFY(p.Last().text.find("「é」") != std::string::npos);
        QVERIFY(!p.dir.Exists("caf\xC3\xA9.csv"));

        // An empty name: the button is off, and a click does nothing.
        dialog.CboFile->setEditText(QString());
        dialog.Timer1Timer();
        QVERIFY(!dialog.BtnOk->isEnabled());
    }

    void ReferenceButtonsUseTheFileDialogs() {
        Ports p;
        TFormExport exporter(p.Env());
        TFormImport importer(p.Env());
        TConditionList list;
        exporter.Prepare(list, 0, p.settings);
        importer.Prepare(list, -1, p.settings);
        p.files.QueueChoice(p.PathText("chosen.csv"));
        exporter.ButtonRefClick();
        QCOMPARE(exporter.CboFile->currentText(), p.Native("chosen.csv"));
        QVERIFY(p.files.Asked().back().kind == FileDialogKind::Save);
        QCOMPARE(p.files.Asked().back().title, std::string("エクスポートファイルの参照"));
        QCOMPARE(p.files.Asked().back().defaultSuffix, std::string("csv"));
        p.files.QueueChoice(std::nullopt); // cancelled: the name stays
        importer.CboFile->setEditText(p.Native("keep.csv"));
        importer.ButtonRefClick();
        QCOMPARE(importer.CboFile->currentText(), p.Native("keep.csv"));
        QVERIFY(p.files.Asked().back().kind == FileDialogKind::Open);
        QCOMPARE(p.files.Asked().back().title, std::string("インポートファイルの参照"));
        QCOMPARE(p.files.Asked().back().start, p.PathText("keep.csv"));
    }

    void ModeThreeNeedsASelectedRow() {
        Ports p;
        TFormImport dialog(p.Env());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("振り分け条件インポート"));
        TConditionList list;
        list.Put(0, Condition("a"));
        list.Put(1, Condition("b"));
        p.settings.ImpIndex = 3;
        dialog.Prepare(list, -1, p.settings);
        QVERIFY(!dialog.RdGrp1Items->button(3)->isEnabled());
        QCOMPARE(dialog.RdGrp1Items->checkedId(), 0);
        dialog.Prepare(list, 1, p.settings);
        QVERIFY(dialog.RdGrp1Items->button(3)->isEnabled());
        QCOMPARE(dialog.RdGrp1Items->checkedId(), 3);
        dialog.RdGrp1Items->button(2)->setChecked(true);
        dialog.Finish();
        QCOMPARE(p.settings.ImpIndex, 2);
    }

    void ImportReportsRowsAndUndoBringsTheTableBack() {
        Ports p;
        TFormImport dialog(p.Env());
        TConditionList list;
        list.Put(0, Condition("old"));
        p.dir.WriteBytes("in.csv", CsvBytes({Row("new1"), Row("bad", "\\d\\a?b"), Row("new2"), ""}));
        p.settings.ImpFile = {p.PathText("missing.csv"), p.PathText("in.csv")};
        dialog.Prepare(list, -1, p.settings);
        QVERIFY(!dialog.BtnOk->isEnabled()); // the first name does not exist
        QVERIFY(!dialog.BtnBack->isEnabled());

        p.box.QueueAnswer(MbAnswer::Yes);
        dialog.BtnOkClick();
        QCOMPARE(p.Last().text, std::string("インポートファイルがありません。"));
        QCOMPARE(p.Last().title, std::string("Sorvanta - ファイルオープンエラー"));
        QCOMPARE(list.Count(), 1);

        dialog.CboFile->setCurrentIndex(1);
        dialog.Timer1Timer();
        QVERIFY(dialog.BtnOk->isEnabled());
        p.box.QueueAnswer(MbAnswer::Yes);
        dialog.BtnOkClick();
        QCOMPARE(p.Last().text, std::string("振り分け条件インポート処理が完了しました。"));
        QCOMPARE(dialog.Memo1->toPlainText(),
                 QStringLiteral("以下の行に構文エラーがありました。\n"
                                "   5行 9列： フォルダ名称が異常のため、インポートできませんでした\n"
                                "   7行 1列： データが存在しないため、インポートできませんでした"));
        QCOMPARE(list.Count(), 2); // mode 0 by default: the old one is gone
        QVERIFY(dialog.Changed());
        QVERIFY(dialog.BtnBack->isEnabled());
        QCOMPARE(p.settings.ImpFile[0], p.PathText("in.csv"));
        QCOMPARE(p.settings.ImpFile[1], p.PathText("missing.csv"));

        dialog.ClearChanged();
        p.box.QueueAnswer(MbAnswer::Yes);
        dialog.BtnBackClick();
        QCOMPARE(p.box.Shown()[p.box.Shown().size() - 2].text,
                 std::string("振り分け条件リストを、最後に実行したインポート処理の直前の状態に戻します。よろ"
                             "しいですか？"));
        QCOMPARE(p.Last().text, std::string("振り分け条件を元に戻す処理が完了しました。"));
        QCOMPARE(list.Count(), 1);
        QCOMPARE(Keywords(list.At(0).keywordText), std::string("old"));
        QVERIFY(dialog.Changed());
        QVERIFY(!dialog.BtnBack->isEnabled());
        QVERIFY(p.box.AllAnswersUsed());
    }

    // Opened from a main window in the corner, both dialogs sit in the middle of the desktop.
    void BothDialogsOpenCentredOnTheDesktop() {
        sv::testing::TempFolder dir;
        sv::testing::MainWindowPorts ports;
        auto window = ports.MakeWindow(dir.PathText());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->move(0, 0);
        QVERIFY(!CentredOnTheDesktop(window.get()));
        for (const char* action : {"Export", "Import"}) {
            bool centred = false;
            QTimer::singleShot(0, window.get(), [&] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                centred = CentredOnTheDesktop(dialog);
                dialog->reject();
            });
            window->findChild<QAction*>(QString::fromLatin1(action))->trigger();
            QVERIFY2(centred, action);
        }
    }

    // The report wraps at the memo's width, a long name without blanks too: no sideways scrolling.
    void TheImportReportWrapsItsLines() {
        Ports p;
        TFormImport dialog(p.Env());
        TConditionList list;
        dialog.Prepare(list, -1, p.settings);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QString longLine =
            QStringLiteral("  12行 9列： ") + QString(60, QChar(0x30D5)) + QString(120, QLatin1Char('x'));
        dialog.Memo1->setPlainText(QStringLiteral("以下の行に構文エラーがありました。\n") + longLine);
        QApplication::processEvents();
        QCOMPARE(dialog.Memo1->horizontalScrollBar()->maximum(), 0);
        QVERIFY(!dialog.Memo1->horizontalScrollBar()->isVisible());
        const QTextBlock block = dialog.Memo1->document()->findBlockByNumber(1);
        QVERIFY(block.isValid() && block.layout() != nullptr);
        QVERIFY2(block.layout()->lineCount() >= 3, qPrintable(QString::number(block.layout()->lineCount())));
        QVERIFY(dialog.Memo1->verticalScrollBar()->isVisible());
    }

    void MainWindowImportRebuildsTheListAndExportCarriesTheTicks() {
        sv::testing::TempFolder dir;
        sv::testing::MainWindowPorts ports;
        dir.WriteBytes("Condition.txt", Sjis("mp3//音楽\r\n\\d\\音楽\x05"
                                             "0  1022\x06"
                                             "0  1022\x13"
                                             "0212121111\r\n"));
        dir.WriteBytes("Sorvanta.ini", Sjis("[Condition]\r\nExecChkBox=1\r\n[Path]\r\nImpIndex=2\r\n"));
        dir.WriteBytes("SV_Cond.csv", CsvBytes({Row("jpg"), Row("txt")}));
        auto window = ports.MakeWindow(dir.PathText());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto* list = window->findChild<QTreeView*>(QStringLiteral("ListView1"));
        testing::SetCheckState(list, 0, Qt::Checked);

        // Both dialogs start at SV_Cond.csv in the program folder; the import appends (mode 2).
        bool seen = false;
        QTimer::singleShot(0, window.get(), [&] {
            auto* dialog = qobject_cast<TFormImport*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->CboFile->currentText(), QString::fromStdString(dir.NativeFile("SV_Cond.csv")));
            QCOMPARE(dialog->RdGrp1Items->checkedId(), 2);
            ports.box.QueueAnswer(MbAnswer::Yes);
            dialog->BtnOk->click();
            dialog->BtnCancel->click();
            seen = true;
        });
        window->findChild<QAction*>(QStringLiteral("Import"))->trigger();
        QVERIFY(seen);
        QCOMPARE(testing::Rows(list), 3);
        QCOMPARE(testing::Cell(list, 2, 2), QStringLiteral("txt"));
        QCOMPARE(testing::CheckState(list, 0), Qt::Checked); // the tick survived the rebuild

        seen = false;
        QTimer::singleShot(0, window.get(), [&] {
            auto* dialog = qobject_cast<TFormExport*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->CboFile->setEditText(QString::fromStdString(dir.NativeFile("out.csv")));
            ports.box.QueueAnswer(MbAnswer::Yes);
            dialog->BtnOk->click();
            dialog->BtnCancel->click();
            seen = true;
        });
        window->findChild<QAction*>(QStringLiteral("Export"))->trigger();
        QVERIFY(seen);
        const std::string out = Cp932ToUtf8(dir.ReadBytes("out.csv"));
        QVERIFY(out.find("\r\n1,音楽,0,,0,0,0,mp3,\\d\\音楽,") != std::string::npos);
        QVERIFY(out.find("\r\n0,,0,,0,0,0,jpg,\\d,") != std::string::npos);
        window->close();
        const TAppSettings stored = LoadSettings(dir.PathText(), "Sorvanta.ini");
        QCOMPARE(stored.ExpFile[0], dir.PathText() + "out.csv");
        QCOMPARE(stored.ImpFile[0], dir.PathText() + "SV_Cond.csv");
    }
};

QTEST_MAIN(TestExchangeDialogs)
#include "test_exchange_dialogs.moc"
