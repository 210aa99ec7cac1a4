// SPDX-License-Identifier: GPL-3.0-or-later
// Texts the user types, pastes or picks are stored only when they read back as typed: no raw-byte
// escapes, nothing code page 932 holds only approximately, nothing longer than its reader takes.
#include "doubles/scripted_message_box.h"
#include "gui/main/main_window.h"
#include "main_window_ports.h"
#include "platform/cp932.h"
#include "testing.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
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

namespace {

struct Fixture final {
    Fixture() {
        std::filesystem::create_directory(dir.NativeFile("dest"));
        dir.WriteBytes("Condition.txt", "mp3\r\n\\d\\m\r\n");
        window = ports.MakeWindow(dir.PathText());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    // Opens the editor with Add, fills it, presses OK (which must refuse), then Cancel.
    std::string RefusedAdd(const std::function<void(QDialog*)>& fill) {
        std::string refusal;
        QTimer::singleShot(0, window.get(), [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            Set(dialog, "EditKeyword", QStringLiteral("movie"));
            Set(dialog, "EditDest", QString::fromStdString(dir.Native() + "/dest"));
            fill(dialog);
            const std::size_t shown = box.Shown().size();
            dialog->findChild<QPushButton*>(QStringLiteral("BtnOk"))->click();
            QVERIFY2(dialog->isVisible(), "the editor stays open after a refusal");
            QCOMPARE(box.Shown().size(), shown + 1);
            refusal = box.Shown().back().text;
            dialog->findChild<QPushButton*>(QStringLiteral("BtnCancel"))->click();
        });
        window->findChild<QAction*>(QStringLiteral("N2"))->trigger();
        return refusal;
    }
    static void Set(QDialog* dialog, const char* edit, const QString& text) {
        dialog->findChild<QLineEdit*>(QString::fromLatin1(edit))->setText(text);
    }
    // Pasted with Ctrl+V, as a user would.
    static void Paste(QDialog* dialog, const char* edit, const QString& text) {
        auto* line = dialog->findChild<QLineEdit*>(QString::fromLatin1(edit));
        line->clear();
        line->setFocus();
        QApplication::clipboard()->setText(text);
        QTest::keyClick(line, Qt::Key_V, Qt::ControlModifier);
    }

    // After the quit, Condition.txt still holds exactly the one condition it had.
    void CheckConditionFileAfterQuit() {
        window->close();
        QCOMPARE(dir.ReadBytes("Condition.txt"), std::string("mp3\r\n\\d\\m\r\n"));
    }

    sv::testing::TempFolder dir;
    sv::testing::MainWindowPorts ports;
    ScriptedMessageBox& box = ports.box;
    std::unique_ptr<TFormMain> window;
};

} // namespace

class StoredTextTest final : public QObject {
    Q_OBJECT

private slots:
    void AZeroByteEscapeInAKeywordIsRefused() {
        Fixture f;
        const std::string refusal = f.RefusedAdd(
            [](QDialog* d) { Fixture::Paste(d, "EditKeyword", QStringLiteral("movie\uF700x")); });
        QVERIFY(refusal.find("\uF700") != std::string::npos);
        f.CheckConditionFileAfterQuit();
    }

    void ALineFeedEscapeInASettingNameIsRefused() {
        Fixture f;
        (void)f.RefusedAdd(
            [](QDialog* d) { Fixture::Paste(d, "EditComment", QStringLiteral("name\uF70A")); });
        f.CheckConditionFileAfterQuit();
    }

    void AMarkerEscapeInADestinationIsRefused() {
        Fixture f;
        const QString dest = QString::fromStdString(f.dir.Native() + "/dst") + QStringLiteral("\uF704");
        (void)f.RefusedAdd([&](QDialog* d) { Fixture::Set(d, "EditDest", dest); });
        f.CheckConditionFileAfterQuit();
    }

    void TheYenSignIsRefusedInsteadOfBecomingABackslash() {
        Fixture f;
        const std::string refusal =
            f.RefusedAdd([](QDialog* d) { Fixture::Set(d, "EditKeyword", QStringLiteral("g\u00a5")); });
        QVERIFY(refusal.find("\u00a5") != std::string::npos);
        f.CheckConditionFileAfterQuit();
    }

    void AFolderLongerThanItsReaderTakesIsRefused() {
        Fixture f;
        const std::string longFolder = f.dir.Native() + "/" + std::string(2100, 'a');
        const std::string refusal = f.RefusedAdd(
            [&](QDialog* d) { Fixture::Set(d, "EditDest", QString::fromStdString(longFolder)); });
        QVERIFY(refusal.find("2047") != std::string::npos);
        f.CheckConditionFileAfterQuit();
    }

    void TheSourceFolderBoxStoresOnlyWhatReadsBack() {
        Fixture f;
        auto* combo = f.window->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
        for (const QString& typed : {QStringLiteral("/tmp/src\uF700"), QStringLiteral("/tmp/\u00a5"),
                                     QString::fromStdString("/tmp/" + std::string(2100, 'b'))}) {
            const std::size_t shown = f.box.Shown().size();
            combo->setEditText(typed);
            QTest::keyClick(combo, Qt::Key_Return);
            QCOMPARE(f.box.Shown().size(), shown + 1);
        }
        f.window->close();
        const std::string ini = f.dir.ReadBytes("Sorvanta.ini");
        QVERIFY(ini.find('\0') == std::string::npos);
        QVERIFY(ini.find("src") == std::string::npos);
        QVERIFY(ini.find("bbbb") == std::string::npos);
        QVERIFY(ini.find("\\tmp\\\\") == std::string::npos);
    }

    void AConditionFileChangedOnDiskIsKeptAsideBeforeTheQuitReplacesIt() {
        Fixture f;
        const std::string byHand = "mp3\r\n\\d\\m\r\nzip\r\n\\d\\z\r\n";
        f.dir.WriteBytes("Condition.txt", byHand);
        f.window->close();
        QCOMPARE(f.dir.ReadBytes("Condition.txt.bak"), byHand);
        QVERIFY(!f.box.Shown().empty());
        QVERIFY(f.box.Shown().back().text.find("Condition.txt.bak") != std::string::npos);
        QCOMPARE(f.dir.ReadBytes("Condition.txt"), std::string("mp3\r\n\\d\\m\r\n"));
    }
};

QTEST_MAIN(StoredTextTest)
#include "test_stored_text.moc"
