// SPDX-License-Identifier: GPL-3.0-or-later
// Adding and editing conditions from the main window through the real condition editor.
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "gui/main/main_window.h"
#include "item_views.h"
#include "main_window_ports.h"
#include "platform/cp932.h"
#include "platform/shell.h"
#include "store/condition.h"
#include "testing.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
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
    explicit Fixture(const std::string& conditions) {
        std::filesystem::create_directory(dir.NativeFile("dest"));
        dir.WriteBytes("Condition.txt", conditions);
        window = ports.MakeWindow(dir.PathText());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    QTreeView* List() const { return window->findChild<QTreeView*>(QStringLiteral("ListView1")); }
    void Select(int row) const { testing::SetCurrentRow(List(), row); }
    QString Cell(int row, int column) const { return testing::Cell(List(), row, column); }
    void Trigger(const char* action) const {
        window->findChild<QAction*>(QString::fromLatin1(action))->trigger();
    }
    std::string DestNative() const { return dir.Native() + "/dest"; }

    // Runs `fill` inside the editor once it is shown modally, then presses OK or Cancel.
    bool Edit(const char* action, const std::function<void(QDialog*)>& fill, bool ok = true) const {
        bool seen = false;
        QTimer::singleShot(0, window.get(), [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->objectName(), QStringLiteral("FormCond"));
            fill(dialog);
            dialog->findChild<QPushButton*>(ok ? QStringLiteral("BtnOk") : QStringLiteral("BtnCancel"))
                ->click();
            seen = true;
        });
        Trigger(action);
        return seen;
    }
    static void Set(QDialog* dialog, const char* edit, const QString& text) {
        dialog->findChild<QLineEdit*>(QString::fromLatin1(edit))->setText(text);
    }

    sv::testing::TempFolder dir;
    sv::testing::MainWindowPorts ports;
    ScriptedMessageBox& box = ports.box;
    ScriptedFileDialog& files = ports.dialog;
    RecordingShell& shell = ports.shell;
    std::unique_ptr<TFormMain> window;
};

const std::string kThree =
    Sjis("mp3//音楽\r\n\\d\\音楽\r\njpg//画像\r\n\\d\\画像\r\ntxt//書類\r\n\\d\\書類\r\n");

} // namespace

class MainEditTest final : public QObject {
    Q_OBJECT

private slots:
    void AddInsertsAboveTheSelectedRowAndSaves() {
        Fixture f(kThree);
        f.Select(1);
        QVERIFY(f.Edit("N2", [&](QDialog* d) {
            Fixture::Set(d, "EditKeyword", QStringLiteral("アニメ"));
            Fixture::Set(d, "EditComment", QStringLiteral("新規"));
            Fixture::Set(d, "EditDest", QString::fromStdString(f.DestNative()));
        }));
        QCOMPARE(testing::Rows(f.List()), 4);
        QCOMPARE(f.Cell(1, 0), QStringLiteral("新規"));
        QCOMPARE(f.Cell(2, 0), QStringLiteral("画像"));
        QCOMPARE(testing::CurrentRow(f.List()), 1);
        QCOMPARE(f.Cell(1, 3), QString::fromStdString(f.DestNative()));
        const std::string file = Cp932ToUtf8(f.dir.ReadBytes("Condition.txt"));
        QVERIFY(file.find("アニメ//新規\r\n") != std::string::npos);
        QVERIFY(f.box.Shown().empty());
    }

    void AddWithoutSelectionGoesToTheTopAndCancelChangesNothing() {
        Fixture f(kThree);
        testing::SetCurrentRow(f.List(), -1);
        const std::string before = f.dir.ReadBytes("Condition.txt");
        QVERIFY(f.Edit(
            "N5", [](QDialog*) {}, false));
        QCOMPARE(testing::Rows(f.List()), 3);
        QCOMPARE(f.dir.ReadBytes("Condition.txt"), before);
        QVERIFY(f.Edit("N2", [&](QDialog* d) {
            Fixture::Set(d, "EditKeyword", QStringLiteral("zip"));
            Fixture::Set(d, "EditDest", QString::fromStdString(f.DestNative()));
        }));
        QCOMPARE(testing::Rows(f.List()), 4);
        QCOMPARE(f.Cell(0, 2), QStringLiteral("zip"));
    }

    void EditReplacesTheSelectedRow() {
        Fixture f(kThree);
        f.Select(2);
        QVERIFY(f.Edit("N3", [&](QDialog* d) {
            QCOMPARE(d->findChild<QLineEdit*>(QStringLiteral("EditKeyword"))->text(), QStringLiteral("txt"));
            Fixture::Set(d, "EditKeyword", QStringLiteral("pdf txt"));
            Fixture::Set(d, "EditDest", QString::fromStdString(f.DestNative()));
        }));
        QCOMPARE(testing::Rows(f.List()), 3);
        QCOMPARE(f.Cell(2, 0), QStringLiteral("書類"));
        QCOMPARE(f.Cell(2, 2), QStringLiteral("<AND><> pdf txt"));
        QCOMPARE(testing::CurrentRow(f.List()), 2);
        const std::string file = Cp932ToUtf8(f.dir.ReadBytes("Condition.txt"));
        QVERIFY(file.find("pdf txt//書類\r\n") != std::string::npos);
        QVERIFY2(file.find("\r\ntxt//書類\r\n") == std::string::npos, "the old condition is gone");
    }

    void AFullTableRefusesAnAddBeforeTheEditorOpens() {
        std::string many;
        for (int i = 0; i < TConditionList::kCapacity; ++i)
            many += "k" + std::to_string(i) + "\r\n\\d\r\n";
        Fixture f(many);
        f.Select(0);
        const std::string before = f.dir.ReadBytes("Condition.txt");
        f.Trigger("N2");
        QCOMPARE(f.box.Shown().size(), std::size_t{1});
        QVERIFY(f.box.Shown()[0].text.find("10000") != std::string::npos);
        QCOMPARE(testing::Rows(f.List()), TConditionList::kCapacity);
        QCOMPARE(f.dir.ReadBytes("Condition.txt"), before);
    }
};

QTEST_MAIN(MainEditTest)
#include "test_main_edit.moc"
