// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog and the extension-rule dialog, driven by their controls' names.
#include "app/tray_controller.h"
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "gui/main/main_window.h"
#include "gui/options/ext_rule_dialog.h"
#include "gui/options/option_dialog.h"
#include "main_window_ports.h"
#include "platform/cp932.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

using namespace sv;

namespace {

struct Fixture final {
    Fixture() {
        TOptionDialogEnv env;
        env.programFolder = dir.PathText();
        env.box = &box;
        env.fileDialog = &files;
        env.shell = &shell;
        dialog = std::make_unique<TFormOption>(env);
        dialog->Load(settings);
    }
    template <typename T> T* Find(const char* name) const {
        T* found = dialog->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control named %s", name);
        return found;
    }
    bool Checked(const char* name) const { return Find<QCheckBox>(name)->isChecked(); }
    QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }
    void Set(const char* name, const QString& text) const { Find<QLineEdit>(name)->setText(text); }
    // OK; the stored settings when it passed.
    std::optional<TAppSettings> Ok() const {
        dialog->BtnOkClick();
        return dialog->Result();
    }
    // Adds a rule through the rule dialog, answering it from inside its modal loop.
    void AddRule(const QString& before, const QString& after) const {
        QTimer::singleShot(0, dialog.get(), [&] {
            TFormExt* ext = dialog->RuleDialog();
            ext->EditBefore->setText(before);
            ext->EditAfter->setText(after);
            ext->BtnOkClick();
        });
        dialog->BtnAddClick();
    }
    std::vector<std::string> Rules() const {
        std::vector<std::string> rows;
        for (int i = 0; i < dialog->ListView1->topLevelItemCount(); ++i)
            rows.push_back((dialog->ListView1->topLevelItem(i)->text(0) + "→" +
                            dialog->ListView1->topLevelItem(i)->text(1))
                               .toStdString());
        return rows;
    }

    sv::testing::TempFolder dir;
    ScriptedMessageBox box;
    ScriptedFileDialog files;
    RecordingShell shell;
    TAppSettings settings;
    std::unique_ptr<TFormOption> dialog;
};

// Notes, for every box shown, the page the options dialog stood on and the control that had the
// focus at that moment; answers as queued.
class WhereShownBox final : public MessageBox {
public:
    MbAnswer Show(const MessageBoxRequest& request) override {
        if (dialog != nullptr) {
            const QWidget* focus = dialog->focusWidget();
            where.push_back(QStringLiteral("%1 %2")
                                .arg(dialog->PageControl1->currentIndex())
                                .arg(focus != nullptr ? focus->objectName() : QStringLiteral("-")));
        }
        return answers.Show(request);
    }

    TFormOption* dialog = nullptr;
    ScriptedMessageBox answers;
    QStringList where;
};

// Whether the window sits in the middle of the primary screen's free area, give or take the frame
// the platform adds once it is shown (unknown when it is placed).
bool CentredOnTheDesktop(const QWidget* window) {
    const QPoint offset =
        window->frameGeometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    return std::abs(offset.x()) <= 4 && std::abs(offset.y()) <= 4;
}

} // namespace

class TestOptionDialog final : public QObject {
    Q_OBJECT

private slots:
    void DefaultsWithoutASettingsFile() {
        Fixture f;
        QCOMPARE(f.dialog->windowTitle(), QStringLiteral("オプション"));
        QCOMPARE(f.dialog->PageControl1->count(), 6);
        QCOMPARE(f.dialog->PageControl1->tabText(3), QStringLiteral("拡張子変更"));
        QCOMPARE(f.dialog->SameSizeItems->checkedId(), 2);
        QCOMPARE(f.dialog->NotSameSizeItems->checkedId(), 2);
        QVERIFY(f.Checked("CheckBoxExe") && f.Checked("CheckBoxDouble"));
        QVERIFY(f.Find<QRadioButton>("RadioButtonNotClass")->isChecked());
        QVERIFY(!f.Find<QLineEdit>("EditDoubtFolder")->isEnabled());
        QVERIFY(f.Checked("CheckBoxIncomplete") && f.Checked("ChkBoxUsing"));
        QVERIFY(f.Find<QRadioButton>("RadioButtonNotCycleExec")->isChecked());
        QCOMPARE(f.Text("EditCycleExecTime"), QStringLiteral("10"));
        QVERIFY(!f.Find<QLineEdit>("EditCycleExecTime")->isEnabled());
        QVERIFY(!f.Checked("ChkBoxHistMax"));
        QCOMPARE(f.Text("EditHistMax"), QStringLiteral("5"));
        QVERIFY(!f.Find<QLineEdit>("EditHistMax")->isEnabled());
        for (const char* name :
             {"CheckBoxAllSourceExec", "CheckBoxDustBox", "ChkBoxArchive", "ChkBoxMakeFolder",
              "ChkBoxStartMin", "ChkBoxCloseMin", "ChkBoxWatchSource", "ChkBoxCheckBox", "ChkBoxReadOnly",
              "ChkBoxFileComp", "ChkBoxWinnyNG", "ChkBoxFiler"})
            QVERIFY2(!f.Checked(name), name);
        QVERIFY(f.Text("EditNG").isEmpty() && f.Text("EdWinnyFolder").isEmpty() &&
                f.Text("EdFiler").isEmpty());
        QCOMPARE(f.dialog->ListView1->topLevelItemCount(), 0);
        QVERIFY(f.dialog->BtnAdd->isEnabled() && !f.dialog->BtnEdit->isEnabled() &&
                !f.dialog->BtnDel->isEnabled());
        QVERIFY(f.dialog->focusWidget() == nullptr || f.dialog->focusWidget() == f.dialog->BtnOk);
    }

    void TheCloseButtonsGoingToTheTrayIsOfferedBesideTheMinimisedStart() {
        Fixture f;
        QCheckBox* closeMin = f.Find<QCheckBox>("ChkBoxCloseMin");
        QCOMPARE(closeMin->text(), QStringLiteral("×ボタンで最小化する"));
        QCOMPARE(closeMin->parentWidget()->objectName(), QStringLiteral("TabSheetOthers"));
        QCOMPARE(closeMin->y(), f.Find<QCheckBox>("ChkBoxStartMin")->y());
        closeMin->click();
        const auto stored = f.Ok();
        QVERIFY(stored);
        QVERIFY(stored->CloseMin);
        QVERIFY(!stored->StartMin);
        f.settings.CloseMin = true;
        f.dialog->Load(f.settings);
        QVERIFY(f.Checked("ChkBoxCloseMin"));
    }

    void WatchingTheSourceFoldersWithItsWait() {
        Fixture f;
        QCheckBox* watch = f.Find<QCheckBox>("ChkBoxWatchSource");
        QCOMPARE(watch->text(),
                 QStringLiteral("振り分け元フォルダを監視し、ファイルが届いたら振り分けを実行する"));
        QCOMPARE(watch->parentWidget()->objectName(), QStringLiteral("TabSheetOthers"));
        // Below the periodic-run group, the wait on the row under it.
        QVERIFY(watch->y() >= f.Find<QGroupBox>("GroupBoxCycleExec")->geometry().bottom());
        QVERIFY(f.Find<QLineEdit>("EditWatchWait")->y() > watch->y());
        QVERIFY(f.Find<QLineEdit>("EditWatchWait")->y() < f.Find<QCheckBox>("CheckBoxAllSourceExec")->y());
        QCOMPARE(f.Find<QLabel>("LblWatchWait")->text(), QStringLiteral("秒間変化がなければ実行"));
        QVERIFY(!watch->isChecked());
        QCOMPARE(f.Text("EditWatchWait"), QStringLiteral("10"));
        QVERIFY(!f.Find<QLineEdit>("EditWatchWait")->isEnabled());
        watch->click();
        QVERIFY(f.Find<QLineEdit>("EditWatchWait")->isEnabled());
        QVERIFY(f.Find<QLabel>("LblWatchWait")->isEnabled());
        // Every control of the page lies inside it.
        for (QWidget* w : f.Find<QWidget>("TabSheetOthers")->findChildren<QWidget*>())
            QVERIFY2(w->geometry().bottom() < f.dialog->PageControl1->height() - 24,
                     qPrintable(w->objectName()));

        for (const QString& bad : {QStringLiteral("0"), QStringLiteral("3601"), QString()}) {
            f.Set("EditWatchWait", bad);
            f.dialog->show();
            QVERIFY(!f.Ok());
            QCOMPARE(f.box.Shown().back().text,
                     std::string("「その他1」の監視の待ち時間は 1～3600 の整数（秒）を指定してください。"));
            QCOMPARE(f.dialog->PageControl1->currentIndex(), 4);
            QCOMPARE(f.dialog->focusWidget(), f.Find<QLineEdit>("EditWatchWait"));
        }
        f.Set("EditWatchWait", "3600");
        const auto stored = f.Ok();
        QVERIFY(stored);
        QVERIFY(stored->WatchSource);
        QCOMPARE(stored->WatchWait, 3600);
        f.dialog->Load(*stored);
        QVERIFY(f.Checked("ChkBoxWatchSource"));
        QCOMPARE(f.Text("EditWatchWait"), QStringLiteral("3600"));
    }

    void TheQuietTimeOfUnseenWritersSitsUnderTheFilesInUseBox() {
        Fixture f;
        QCheckBox* inUse = f.Find<QCheckBox>("ChkBoxUsing");
        QLineEdit* wait = f.Find<QLineEdit>("EditUsingWait");
        QWidget* upDown = f.Find<QWidget>("UpDownUsingWait");
        QLabel* before = f.Find<QLabel>("LblUsingWait");
        QLabel* after = f.Find<QLabel>("LblUsingWait2");
        QCOMPARE(wait->parentWidget()->objectName(), QStringLiteral("TabSheetNotClass"));
        QCOMPARE(before->text(), QStringLiteral("書き込み中か判別できないファイルは、変更が止まってから"));
        QCOMPARE(after->text(), QStringLiteral("分 待つ"));
        // One row under the box, read from left to right: caption, minutes, arrows, unit.
        QVERIFY(wait->y() > inUse->y());
        QVERIFY(before->geometry().right() < wait->x());
        QVERIFY(wait->geometry().right() < upDown->x() + 1);
        QVERIFY(upDown->geometry().right() < after->x());
        for (QWidget* w : f.Find<QWidget>("TabSheetNotClass")->findChildren<QWidget*>())
            QVERIFY2(w->geometry().right() < f.dialog->PageControl1->width() - 8 &&
                         w->geometry().bottom() < f.dialog->PageControl1->height() - 24,
                     qPrintable(w->objectName()));

        QCOMPARE(wait->text(), QStringLiteral("10"));
        QVERIFY(inUse->isChecked() && wait->isEnabled() && upDown->isEnabled() && after->isEnabled());
        inUse->click();
        for (QWidget* w : {static_cast<QWidget*>(wait), upDown, static_cast<QWidget*>(before),
                           static_cast<QWidget*>(after)})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        inUse->click();
        QVERIFY(wait->isEnabled() && before->isEnabled());
        QTest::mouseClick(upDown->findChild<QToolButton*>(QStringLiteral("Up")), Qt::LeftButton);
        QCOMPARE(wait->text(), QStringLiteral("11"));

        f.dialog->show();
        for (const QString& bad : {QStringLiteral("0"), QStringLiteral("1441"), QString()}) {
            f.Set("EditUsingWait", bad);
            QVERIFY(!f.Ok());
            QCOMPARE(f.box.Shown().back().text,
                     std::string("「振り分けないファイル」の書き込み中か判別できないファイルの待ち時間は "
                                 "1～1440 の整数（分）を指定してください。"));
            QCOMPARE(f.dialog->PageControl1->currentIndex(), 2);
            QCOMPARE(f.dialog->focusWidget(), static_cast<QWidget*>(wait));
        }
        f.Set("EditUsingWait", "90");
        auto stored = f.Ok();
        QVERIFY(stored);
        QCOMPARE(stored->FileUsingWait, 90);
        QVERIFY(stored->FileUsing);
        stored->FileUsing = false;
        f.dialog->Load(*stored);
        QCOMPARE(wait->text(), QStringLiteral("90"));
        QVERIFY(!wait->isEnabled());
    }

    void IntervalAndHistoryCountAreCheckedEvenWhileOff() {
        for (const QString& bad : {QStringLiteral("0"), QString(), QStringLiteral("x")}) {
            Fixture f;
            f.Set("EditCycleExecTime", bad);
            QVERIFY(!f.Ok());
            QCOMPARE(f.box.Shown().back().text,
                     std::string("「その他1」の定周期実行時間は 1～9999 の整数を指定してください。"));
            QCOMPARE(f.box.Shown().back().title, std::string("Sorvanta - オプション設定エラー"));
            QCOMPARE(f.dialog->PageControl1->currentIndex(), 4);
            QVERIFY(f.dialog->focusWidget() != f.Find<QLineEdit>("EditCycleExecTime"));
            // While periodic runs are on the edit gets the focus.
            f.Find<QRadioButton>("RadioButtonCycleExec")->click();
            f.dialog->show();
            QVERIFY(!f.Ok());
            QCOMPARE(f.dialog->focusWidget(), f.Find<QLineEdit>("EditCycleExecTime"));
        }
        Fixture f;
        f.Set("EditHistMax", "");
        QVERIFY(!f.Ok());
        QCOMPARE(f.box.Shown().back().text,
                 std::string("「その他2」の振り分け履歴の保存件数は 0～99 の整数を指定してください。"));
        QCOMPARE(f.dialog->PageControl1->currentIndex(), 5);
        QCOMPARE(f.Find<QLineEdit>("EditHistMax")->maxLength(), 2);
    }

    // The user sees the setting a message is about while reading it: page and focus come first.
    void AFailedCheckShowsItsSettingBeforeItsMessage() {
        sv::testing::TempFolder dir;
        WhereShownBox box;
        ScriptedFileDialog files;
        RecordingShell shell;
        TFormOption dialog(TOptionDialogEnv{dir.PathText(), &box, &files, &shell});
        box.dialog = &dialog;
        dialog.Load(TAppSettings{});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const auto ok = [&] {
            dialog.PageControl1->setCurrentIndex(0);
            dialog.BtnOk->setFocus();
            dialog.BtnOkClick();
            return dialog.Result().has_value();
        };
        dialog.RadioButtonCycleExec->click();
        dialog.EditCycleExecTime->setText(QStringLiteral("0"));
        QVERIFY(!ok());
        dialog.EditCycleExecTime->setText(QStringLiteral("10"));
        dialog.ChkBoxHistMax->click();
        dialog.EditHistMax->clear();
        QVERIFY(!ok());
        dialog.EditHistMax->setText(QStringLiteral("5"));
        dialog.RadioButtonClass->click();
        dialog.EditDoubtFolder->setText(QStringLiteral("/tmp/a?b"));
        QVERIFY(!ok());
        dialog.EditDoubtFolder->setText(QString::fromStdString(dir.Native()));
        // A question too: the Winny folder is shown while the user decides.
        dialog.ChkBoxWinnyNG->click();
        dialog.EdWinnyFolder->setText(QString::fromStdString(dir.Native()));
        box.answers.QueueAnswer(MbAnswer::No);
        QVERIFY(!ok());
        dialog.ChkBoxWinnyNG->click();
        dialog.EditNG->setText(QStringLiteral("caf\u00e9"));
        QVERIFY(!ok());
        QCOMPARE(box.where, (QStringList{"4 EditCycleExecTime", "5 EditHistMax", "1 EditDoubtFolder",
                                         "5 EdWinnyFolder", "2 EditNG"}));
        QCOMPARE(box.answers.Shown().size(), std::size_t(5));
        QVERIFY(box.answers.AllAnswersUsed());
    }

    void SuspiciousFolderAndNgKeywords() {
        Fixture f;
        f.Set("EditDoubtFolder", "/tmp/da?bt");
        f.Set("EditNG", QStringLiteral("ウイルス\u3000偽物 　"));
        const auto stored = f.Ok(); // not sorted into the folder: no check, markers removed
        QVERIFY(stored);
        QCOMPARE(stored->DoubtFolder, std::string("\\tmp\\dabt"));
        QCOMPARE(stored->NgKeyword, std::string("ウイルス 偽物"));
        Fixture g;
        g.Find<QRadioButton>("RadioButtonClass")->click();
        QVERIFY(g.Find<QLineEdit>("EditDoubtFolder")->isEnabled());
        g.Set("EditDoubtFolder", "/tmp/da?bt");
        QVERIFY(!g.Ok());
        QCOMPARE(g.box.Shown().back().text,
                 std::string("フォルダの設定で / * ? \" < > | を使用することはできません。\u3000"));
        QCOMPARE(g.dialog->PageControl1->currentIndex(), 1);
        g.Set("EditDoubtFolder", "  /tmp/doubt///  ");
        QVERIFY(g.Ok());
        QCOMPARE(g.Text("EditDoubtFolder"), QStringLiteral("/tmp/doubt/"));
    }

    void WinnyAndFileManagerAreAskedAbout() {
        Fixture f;
        f.Find<QCheckBox>("ChkBoxWinnyNG")->click();
        f.Set("EdWinnyFolder", QString::fromStdString(f.dir.Native()));
        f.box.QueueAnswer(MbAnswer::No);
        QVERIFY(!f.Ok());
        QCOMPARE(f.box.Shown().back().text,
                 std::string("指定したフォルダに Winny が存在しませんが、よろしいですか？"));
        QCOMPARE(f.dialog->PageControl1->currentIndex(), 5);
        f.box.QueueAnswer(MbAnswer::Yes);
        QVERIFY(f.Ok());
        // A file manager must be a file the user may run.
        Fixture g;
        g.Find<QCheckBox>("ChkBoxFiler")->click();
        g.dir.WriteBytes("filer", "#!/bin/sh\n");
        g.Set("EdFiler", QString::fromStdString(g.dir.NativeFile("filer")));
        g.box.QueueAnswer(MbAnswer::No);
        QVERIFY(!g.Ok());
        QCOMPARE(g.box.Shown().back().text,
                 std::string("指定したファイラが存在しませんが、よろしいですか？"));
        ::chmod(g.dir.NativeFile("filer").c_str(), 0755);
        const auto stored = g.Ok();
        QVERIFY(stored);
        QCOMPARE(stored->FilerProg, FromNativePath(g.dir.NativeFile("filer")));
        QVERIFY(g.box.AllAnswersUsed());
    }

    void UnstorableTextsAreRefusedOnTheirPage() {
        Fixture f;
        f.Set("EditNG", QStringLiteral("caf\u00e9"));
        QVERIFY(!f.Ok());
        QVERIFY(f.box.Shown().back().text.find("\u00e9") != std::string::npos);
        QCOMPARE(f.dialog->PageControl1->currentIndex(), 2);
        f.Set("EditNG", QStringLiteral("x\uF700"));
        QVERIFY(!f.Ok());
    }

    void TheRuleList() {
        Fixture f;
        for (int i = 0; i < 4; ++i)
            f.AddRule(QStringLiteral("b%1").arg(i), QStringLiteral("a%1").arg(i));
        // With no selection each new rule went to the top.
        QCOMPARE(f.Rules().front(), std::string("b3→a3"));
        f.dialog->ListView1->setCurrentItem(f.dialog->ListView1->topLevelItem(3));
        f.AddRule(QStringLiteral("  ..avi "), QStringLiteral(" ．mpg"));
        QCOMPARE(f.Rules()[3],
                 std::string("avi→．mpg")); // trimmed, ASCII periods gone, the full-width one kept
        QCOMPARE(f.Rules()[4], std::string("b0→a0"));
        // A text of periods alone is refused; so are the characters a name cannot hold.
        QTimer::singleShot(0, f.dialog.get(), [&] {
            TFormExt* ext = f.dialog->RuleDialog();
            ext->EditBefore->setText(QStringLiteral("..."));
            ext->EditAfter->setText(QStringLiteral("mpg"));
            ext->BtnOkClick();
            QCOMPARE(f.box.Shown().back().text, std::string("設定が不足しています。"));
            QCOMPARE(f.box.Shown().back().title, std::string("Sorvanta - 拡張子変更条件設定エラー"));
            ext->EditBefore->setText(QStringLiteral("a:b"));
            ext->BtnOkClick();
            QCOMPARE(f.box.Shown().back().text,
                     std::string("拡張子に、てゆーかファイル名に \\ / : * ? \" < > | は使えません。"));
            ext->BtnCancelClick();
        });
        f.dialog->BtnAddClick();
        QCOMPARE(f.Rules().size(), std::size_t{5});
        while (f.Rules().size() < 20)
            f.AddRule(QStringLiteral("x"), QStringLiteral("y"));
        QVERIFY(!f.dialog->BtnAdd->isEnabled());
        f.dialog->ListView1->setCurrentItem(f.dialog->ListView1->topLevelItem(0));
        f.box.QueueAnswer(MbAnswer::Yes);
        f.dialog->BtnDelClick();
        QCOMPARE(f.Rules().size(), std::size_t{19});
        QVERIFY(f.dialog->BtnAdd->isEnabled());
        const auto stored = f.Ok();
        QVERIFY(stored);
        QCOMPARE(stored->ExtRules.size(), std::size_t{19});
    }

    // The Delete key asks its question also with no rule selected; then Yes deletes nothing.
    void TheDeleteKeyAlwaysAsks() {
        Fixture f;
        f.AddRule(QStringLiteral("jpeg"), QStringLiteral("jpg"));
        f.AddRule(QStringLiteral("mpeg"), QStringLiteral("mpg"));
        f.dialog->ListView1->clearSelection();
        f.dialog->ListView1->setCurrentItem(nullptr);
        f.dialog->ListView1Click();
        QVERIFY(!f.dialog->BtnDel->isEnabled());
        const auto asked = [&] { return f.box.Shown().size(); };
        f.box.QueueAnswer(MbAnswer::Yes);
        QTest::keyClick(f.dialog->ListView1, Qt::Key_Delete);
        QCOMPARE(asked(), std::size_t(1));
        QCOMPARE(f.box.Shown().back().text, std::string("選択した拡張子変更条件を削除しますか？"));
        QCOMPARE(f.box.Shown().back().title, std::string("Sorvanta"));
        QVERIFY(f.box.Shown().back().defaultButton == MbAnswer::Yes);
        QCOMPARE(f.Rules(), (std::vector<std::string>{"mpeg→mpg", "jpeg→jpg"}));
        // A selected rule: No keeps it, Yes deletes it and only it.
        f.dialog->ListView1->setCurrentItem(f.dialog->ListView1->topLevelItem(1));
        f.box.QueueAnswer(MbAnswer::No);
        QTest::keyClick(f.dialog->ListView1, Qt::Key_Delete);
        QCOMPARE(f.Rules().size(), std::size_t(2));
        f.box.QueueAnswer(MbAnswer::Yes);
        QTest::keyClick(f.dialog->ListView1, Qt::Key_Delete);
        QCOMPARE(f.Rules(), (std::vector<std::string>{"mpeg→mpg"}));
        QCOMPARE(asked(), std::size_t(3));
        QVERIFY(f.box.AllAnswersUsed());
    }

    // Opened from a main window in the corner, both dialogs sit in the middle of the desktop.
    void OptionsAndRuleDialogsOpenCentredOnTheDesktop() {
        sv::testing::TempFolder dir;
        sv::testing::MainWindowPorts ports;
        std::unique_ptr<TFormMain> window = ports.MakeWindow(dir.PathText());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->move(0, 0);
        bool optionsCentred = false;
        bool ruleCentred = false;
        QTimer::singleShot(0, window.get(), [&] {
            auto* d = qobject_cast<TFormOption*>(QApplication::activeModalWidget());
            QVERIFY(d != nullptr);
            optionsCentred = CentredOnTheDesktop(d);
            QTimer::singleShot(0, d, [&] {
                auto* ext = qobject_cast<TFormExt*>(QApplication::activeModalWidget());
                QVERIFY(ext != nullptr);
                ruleCentred = CentredOnTheDesktop(ext);
                ext->BtnCancelClick();
            });
            d->BtnAddClick();
            d->BtnCancelClick();
        });
        window->findChild<QAction*>(QStringLiteral("S2"))->trigger();
        QVERIFY(!CentredOnTheDesktop(window.get()));
        QVERIFY(optionsCentred);
        QVERIFY(ruleCentred);
    }

    void CancelChangesNothingAndOkReadsBack() {
        sv::testing::TempFolder dir;
        sv::testing::MainWindowPorts ports;
        std::unique_ptr<TFormMain> window = ports.MakeWindow(dir.PathText());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->close(); // writes the first settings file
        const std::string before = dir.ReadBytes("Sorvanta.ini");
        window = ports.MakeWindow(dir.PathText());
        window->show();
        const auto fill = [](TFormOption* d) {
            d->SameSizeItems->button(0)->click();
            d->CheckBoxExe->click();
            d->EditNG->setText(QStringLiteral("ng"));
            d->RadioButtonCycleExec->click();
            d->EditCycleExecTime->setText(QStringLiteral("3"));
            d->ChkBoxCheckBox->click();
            d->ChkBoxHistMax->click();
            d->ChkBoxFileComp->click();
        };
        QTimer::singleShot(0, window.get(), [&] {
            auto* d = qobject_cast<TFormOption*>(QApplication::activeModalWidget());
            QVERIFY(d != nullptr);
            fill(d);
            d->BtnCancelClick();
        });
        window->findChild<QAction*>(QStringLiteral("S2"))->trigger();
        QCOMPARE(dir.ReadBytes("Sorvanta.ini"), before);

        QTimer::singleShot(0, window.get(), [&] {
            auto* d = qobject_cast<TFormOption*>(QApplication::activeModalWidget());
            fill(d);
            d->BtnOkClick();
        });
        window->findChild<QAction*>(QStringLiteral("S2"))->trigger();
        QCOMPARE(window->findChild<TrayController*>()->Schedule().PeriodMs(), 3 * 60000); // at once
        const TAppSettings saved = LoadSettings(dir.PathText(), "Sorvanta.ini");
        QVERIFY(saved.CycleExec && saved.CycleExecTime == 3 && saved.SameName0 == SameNameRule::KeepNewer &&
                !saved.NotExe);
        QVERIFY(saved.ExecChkBox && saved.HistDel && saved.FileComp && saved.NgKeyword == "ng");
        // The controls load back from what was written.
        window->findChild<TFormOption*>()->Load(saved);
        QCOMPARE(window->findChild<TFormOption*>()->SameSizeItems->checkedId(), 0);
        QVERIFY(!window->findChild<TFormOption*>()->CheckBoxExe->isChecked());
        QCOMPARE(window->findChild<TFormOption*>()->EditCycleExecTime->text(), QStringLiteral("3"));
    }
};

QTEST_MAIN(TestOptionDialog)
#include "test_option_dialog.moc"
