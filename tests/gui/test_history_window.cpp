// SPDX-License-Identifier: GPL-3.0-or-later
// The history window, opened from the main window, driven by its controls' names.
#include "doubles/scripted_message_box.h"
#include "gui/history/history_window.h"
#include "gui/main/main_window.h"
#include "gui/run/report_window.h"
#include "main_window_ports.h"
#include "platform/cp932.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <memory>
#include <sys/stat.h>

using namespace sv;
using sv::testing::Sjis;

namespace {

std::string Record(std::string_view name, std::string_view mark, std::string_view dest,
                   std::string_view source, std::string_view time = "26/12/08 10:00:00") {
    return Sjis(std::string(time) + "\r\n" + std::string(mark) + "\r\n" + std::string(name) + "\r\n" +
                std::string(dest) + "*" + std::string(source) + "\r\n");
}

struct Fixture final {
    explicit Fixture(const std::string& records) {
        for (const char* folder : {"d", "src", "d/set"})
            std::filesystem::create_directories(dir.NativeFile(folder));
        dir.WriteBytes("History.dat", records);
        window = ports.MakeWindow(dir.PathText());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->findChild<QAction*>(QStringLiteral("MenuHistory"))->trigger();
        history = window->findChild<TFormHistory*>();
        QVERIFY(history != nullptr && history->isVisible());
    }
    std::string D() const { return dir.PathText() + "d"; }
    std::string S() const { return dir.PathText() + "src"; }
    int Rows() const { return history->ListView1->model()->rowCount(); }
    QString Panel(int i) const { return history->StatusPanel[i]->text(); }
    void Select(std::vector<std::size_t> rows) const { history->SelectRows(rows); }

    sv::testing::TempFolder dir;
    sv::testing::MainWindowPorts ports;
    ScriptedMessageBox& box = ports.box;
    std::unique_ptr<TFormMain> window;
    TFormHistory* history = nullptr;
};

} // namespace

class TestHistoryWindow final : public QObject {
    Q_OBJECT

private slots:
    void ShowsTheFileAndItsMenuFollowsTheSelection() {
        Fixture f("");
        QCOMPARE(f.Rows(), 0);
        QCOMPARE(f.history->windowTitle(), QStringLiteral("振り分け履歴"));
        QVERIFY(f.history->width() >= 630 && f.history->height() >= 223);
        f.history->PopupMenu1Popup();
        for (QAction* a :
             {f.history->Open, f.history->Folder, f.history->Source, f.history->Back, f.history->Del,
              f.history->Erase, f.history->DelAndErase, f.history->SelAll, f.history->Seiri})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        f.history->close();

        f.dir.WriteBytes("History.dat", Record("a.avi", "  ", f.D(), f.S()) +
                                            Record("b.avi", "  ", f.D(), f.S()) +
                                            Record("set", "\u3000Ｆ", f.D(), f.S()));
        f.window->findChild<QAction*>(QStringLiteral("MenuHistory"))->trigger();
        QCOMPARE(f.Rows(), 3);
        const QAbstractItemModel* model = f.history->ListView1->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("振り分けファイル（フォルダ）名"));
        QCOMPARE(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("振り分け日時"));
        QCOMPARE(model->index(0, 3).data().toString(), QString::fromStdString(f.dir.Native() + "/d"));
        f.Select({0});
        f.history->PopupMenu1Popup();
        QVERIFY(f.history->Open->isEnabled() && f.history->Source->isEnabled() &&
                f.history->Back->isEnabled());
        f.Select({0, 1});
        f.history->PopupMenu1Popup();
        QVERIFY(!f.history->Open->isEnabled() && !f.history->Folder->isEnabled() &&
                !f.history->Source->isEnabled());
        QVERIFY(f.history->Back->isEnabled() && f.history->Del->isEnabled() &&
                f.history->Erase->isEnabled() && f.history->DelAndErase->isEnabled() &&
                f.history->Seiri->isEnabled());
    }

    void StatusBarDescribesTheSelection() {
        Fixture f(Record("a.avi", "  ", "", "") + Record("b.avi", "  ", "", "") +
                  Record("set", "\u3000Ｆ", "", ""));
        f.dir.WriteBytes("d/a.avi", std::string(2048, 'a'));
        f.dir.WriteBytes("d/b.avi", std::string(1024, 'b'));
        f.dir.WriteBytes("History.dat", Record("a.avi", "  ", f.D(), "") + Record("b.avi", "  ", f.D(), "") +
                                            Record("set", "\u3000Ｆ", f.D(), "") +
                                            Record("x", "  ", f.D(), ""));
        f.history->LoadHistory();
        f.history->Timer1Timer();
        QCOMPARE(f.Panel(0), QStringLiteral("4 個の項目"));
        f.Select({0});
        f.history->Timer1Timer();
        QCOMPARE(f.Panel(1), QStringLiteral("2.00 KB"));
        QVERIFY(f.Panel(2).startsWith(QStringLiteral("振り分け先ドライブ（/")));
        f.Select({2});
        f.history->Timer1Timer();
        QCOMPARE(f.Panel(0), QStringLiteral("フォルダ"));
        f.Select({3});
        f.history->Timer1Timer();
        QCOMPARE(f.Panel(0), QStringLiteral("ファイルがありません"));
        f.Select({0, 1, 3});
        f.history->Timer1Timer();
        QCOMPARE(f.Panel(0), QStringLiteral("3 個の項目を選択"));
        QCOMPARE(f.Panel(1), QStringLiteral("3.00 KB"));
        QCOMPARE(f.Panel(2), QString());
    }

    void CleanUpAsksTwiceAtTheHundredBoundary() {
        for (const int missing : {0, 99, 100}) {
            std::string bytes = Record("kept.avi", "  ", "", "");
            Fixture f("");
            f.dir.WriteBytes("d/kept.avi", "k");
            bytes = Record("kept.avi", "  ", f.D(), "");
            for (int i = 0; i < missing; ++i)
                bytes += Record("gone" + std::to_string(i) + ".avi", "  ", f.D(), "");
            bytes += Record("set", "\u3000Ｆ", f.D(), "");
            f.dir.WriteBytes("History.dat", bytes);
            f.history->LoadHistory();
            f.box.QueueAnswer(MbAnswer::Yes);
            if (missing > 0)
                f.box.QueueAnswer(MbAnswer::Yes);
            const std::size_t shown = f.box.Shown().size();
            f.history->SeiriClick();
            QCOMPARE(f.box.Shown().size(), shown + (missing > 0 ? 2 : 1));
            QCOMPARE(f.box.Shown()[shown].title, std::string("Sorvanta - 履歴の整理"));
            if (missing > 0) {
                const MessageBoxRequest& second = f.box.Shown()[shown + 1];
                QCOMPARE(second.title, std::string("履歴の整理 - 念のため確認"));
                QVERIFY(second.defaultButton == MbAnswer::No);
                QCOMPARE(second.text,
                         std::to_string(missing) +
                             (missing < 100 ? " 個の項目が整理されます。よろしいですか？"
                                            : " 個もの項目が整理されます。本当によろしいですか？"));
            }
            QCOMPARE(f.Rows(), 2); // the file and the folder stay
            const std::string file = Cp932ToUtf8(f.dir.ReadBytes("History.dat"));
            QVERIFY(file.find("gone") == std::string::npos);
            QVERIFY(file.find("kept.avi") != std::string::npos);
        }
    }

    void ColumnClicksSortAndTheFileTakesTheOrder() {
        Fixture f(Record("b.avi", "\u3000変", "\\d", "") + Record("a.avi", "  ", "\\d", "") +
                  Record("c.avi", "\u3000Ｆ", "\\d", ""));
        const QAbstractItemModel* model = f.history->ListView1->model();
        f.history->ListView1ColumnClick(1); // "処理": descending first
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("b.avi"));
        QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("a.avi"));
        f.history->ListView1ColumnClick(1); // then ascending
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("a.avi"));
        f.history->ListView1ColumnClick(0); // the name: ascending first
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("a.avi"));
        QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("c.avi"));
        f.history->ListView1ColumnClick(0);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("c.avi"));
        const std::string file = Cp932ToUtf8(f.dir.ReadBytes("History.dat"));
        QVERIFY(file.find("c.avi") < file.find("b.avi") && file.find("b.avi") < file.find("a.avi"));
    }

    void MoveBackDeleteAndErase() {
        Fixture f("");
        f.dir.WriteBytes("d/a.avi", "a");
        f.dir.WriteBytes("d/b.avi", "b-sorted");
        f.dir.WriteBytes("src/b.avi", "b-new");
        f.dir.WriteBytes("History.dat", Record("a.avi", "  ", f.D(), "") +
                                            Record("b.avi", "  ", f.D(), f.S()) +
                                            Record("set", "\u3000Ｆ", f.D(), f.S()));
        f.history->LoadHistory();
        // An empty source folder means the main window's folder; a taken name is left alone.
        f.window->findChild<QComboBox*>(QStringLiteral("ComboBox1"))
            ->setEditText(QString::fromStdString(f.dir.Native() + "/src"));
        f.Select({0, 1});
        f.box.QueueAnswer(MbAnswer::Yes);
        f.history->BackClick();
        QCOMPARE(f.dir.ReadBytes("src/a.avi"), std::string("a"));
        QCOMPARE(f.dir.ReadBytes("d/b.avi"), std::string("b-sorted"));
        QCOMPARE(f.dir.ReadBytes("src/b.avi"), std::string("b-new"));
        QVERIFY(f.window->isEnabled() && f.history->isEnabled());
        QCOMPARE(f.Rows(), 3); // entries stay

        // Delete on a folder entry leaves the folder; delete and erase removes the entry.
        f.Select({2});
        f.box.QueueAnswer(MbAnswer::Yes);
        f.history->DelClick();
        QVERIFY(f.dir.Exists("d/set"));
        f.Select({1, 2});
        f.box.QueueAnswer(MbAnswer::Yes);
        f.history->DelAndEraseClick();
        QVERIFY(f.dir.Exists("d/set"));
        QVERIFY(!f.dir.Exists("d/b.avi"));
        QCOMPARE(f.Rows(), 1);
        QVERIFY(Cp932ToUtf8(f.dir.ReadBytes("History.dat")).find("b.avi") == std::string::npos);
        // Erase touches no file.
        f.dir.WriteBytes("d/a.avi", "again");
        f.Select({0});
        f.box.QueueAnswer(MbAnswer::Yes);
        f.history->EraseClick();
        QCOMPARE(f.Rows(), 0);
        QCOMPARE(f.dir.ReadBytes("d/a.avi"), std::string("again"));
        QVERIFY(f.box.AllAnswersUsed());
    }

    void AnUnreadableHistoryIsNeverOverwritten() {
        Fixture f("");
        std::filesystem::remove(f.dir.NativeFile("History.dat"));
        std::filesystem::create_directory(f.dir.NativeFile("History.dat")); // cannot be read as a file
        f.history->LoadHistory();
        QCOMPARE(f.Rows(), 0);
        f.history->close();
        QVERIFY(std::filesystem::is_directory(f.dir.NativeFile("History.dat")));
    }

    void FindSelectsTheNextEqualName() {
        Fixture f(Record("Clip.avi", "  ", "\\d", "") + Record("x", "  ", "\\d", "") +
                  Record("clip.AVI", "  ", "\\d", ""));
        f.history->ShowFindDialog();
        f.history->FindText->setText(QStringLiteral("clip.avi"));
        f.history->FindDialog1Find();
        QCOMPARE(f.history->SelectedRows(), std::vector<std::size_t>{0});
        f.history->FindDialog1Find();
        QCOMPARE(f.history->SelectedRows(), std::vector<std::size_t>{2});
    }

    void AHistoryInOtherCodesIsKeptAsideOnceBeforeTheWindowRewritesIt() {
        // 髙﨑 as NEC-selected IBM extensions, as other tools write them.
        const std::string written = Record("髙﨑.avi", "  ", "\\d", "");
        std::string original = written;
        original.replace(original.find("\xFB\xFC\xFA\xB1"), 4, "\xEE\xE0\xED\x95");
        Fixture f(original);
        QCOMPARE(f.Rows(), 1);
        QVERIFY(f.box.Shown().empty()); // nothing said at the start: the file reads back whole
        f.history->close();
        QCOMPARE(f.dir.ReadBytes("History.dat.bak"), original);
        QCOMPARE(f.dir.ReadBytes("History.dat"), written);
        QCOMPARE(f.box.Shown().size(), std::size_t{1});
        QVERIFY(f.box.Shown()[0].text.find("History.dat.bak") != std::string::npos);
        f.window->findChild<QAction*>(QStringLiteral("MenuHistory"))->trigger();
        f.history->close();
        QCOMPARE(f.box.Shown().size(), std::size_t{1});
        QVERIFY(!f.dir.Exists("History.dat.bak1"));
    }

    void ARunLeavesTheHiddenListToBeReadWhenTheWindowIsShown() {
        Fixture f(Record("a.avi", "  ", "\\d", ""));
        f.history->close();
        f.dir.WriteBytes("History.dat", Record("n.avi", "  ", "\\d", "") + Record("a.avi", "  ", "\\d", ""));
        emit f.window->findChild<TFormReport*>()->HistorySaved();
        // A hidden window holds no list: a long history costs a periodic run nothing.
        QCOMPARE(f.Rows(), 0);
        f.window->findChild<QAction*>(QStringLiteral("MenuHistory"))->trigger();
        QCOMPARE(f.Rows(), 2);
        QCOMPARE(f.history->ListView1->model()->index(0, 0).data().toString(), QStringLiteral("n.avi"));
        // Closing it again writes back what was read, not an empty list.
        f.history->close();
        QCOMPARE(f.dir.ReadBytes("History.dat"),
                 Record("n.avi", "  ", "\\d", "") + Record("a.avi", "  ", "\\d", ""));
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "test_history_window.moc"
