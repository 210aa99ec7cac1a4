// SPDX-License-Identifier: GPL-3.0-or-later
// The condition editor driven through its controls, found by their component names.
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "gui/condition/condition_dialog.h"
#include "platform/dry_run.h"
#include "platform/pathtext.h"
#include "store/condition.h"
#include "store/settings.h"
#include "testing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <filesystem>
#include <memory>

using namespace sv;

namespace {

struct Fixture final {
    explicit Fixture(FileSystem* disk = nullptr) {
        TCondDialogEnv env;
        if (disk != nullptr)
            env.files = disk;
        env.programFolder = dir.PathText();
        env.box = &box;
        env.fileDialog = &files;
        env.shell = &shell;
        env.saveDefault = [this](const TDefaultCondition& def) {
            ApplyDefault(def, settings);
            return SaveSettingsWithRetry(dir.PathText(), "Sorvanta.ini", settings, list, box);
        };
        dialog = std::make_unique<TFormCond>(env);
    }

    void Open(const CondEditRequest& request) {
        dialog->Open(request);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    }
    void OpenAdd() { Open(AddConditionRequest(settings)); }

    template <typename T> T* Find(const char* name) const {
        T* found = dialog->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control named %s", name);
        return found;
    }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    QCheckBox* Box(const char* name) const { return Find<QCheckBox>(name); }
    QComboBox* Combo(const char* name) const { return Find<QComboBox>(name); }
    void Set(const char* edit, const QString& text) const { Edit(edit)->setText(text); }
    void Ok() const { Find<QPushButton>("BtnOk")->click(); }
    std::string LastText() const { return box.Shown().empty() ? "" : box.Shown().back().text; }

    sv::testing::TempFolder dir;
    ScriptedMessageBox box;
    ScriptedFileDialog files;
    RecordingShell shell;
    TAppSettings settings;
    TConditionList list;
    std::unique_ptr<TFormCond> dialog;
};

// A condition with every marker set, to show that a reused dialog forgets it.
const TSortCondition kBusy{"mp3//音楽", "\x08\\d\\*?|>\"\x07\x01\x02\x03\x04\x10\x11"
                                        "\x05"
                                        "1   522"
                                        "\x06"
                                        "1   111"
                                        "\x13"
                                        "1333333332</\\src"};

} // namespace

class TestConditionDialog final : public QObject {
    Q_OBJECT

private slots:
    void AddWithoutDefaultShowsEveryDefault() {
        Fixture f;
        f.Open(EditConditionRequest(kBusy, true, f.settings));
        QVERIFY(f.Box("ChkBoxOption")->isChecked());
        f.OpenAdd();
        QCOMPARE(f.dialog->windowTitle(), QStringLiteral("追加 - 振り分け条件"));
        for (const char* edit : {"EditKeyword", "EditComment", "EditDest", "EdSource"})
            QVERIFY2(f.Edit(edit)->text().isEmpty(), edit);
        QVERIFY(f.Find<QRadioButton>("RdBtnMain")->isChecked());
        QVERIFY(f.Find<QRadioButton>("RdBtnAnd")->isChecked());
        QVERIFY(f.Find<QRadioButton>("RdBtnNotAnd")->isChecked());
        for (const char* box :
             {"ChkBoxKaiFolder", "ChkBoxCopy", "ChkBoxOption", "CheckBoxLargeSmall", "CheckBoxHanZen",
              "ChkBoxHira", "ChkBoxDup", "ChkBoxNoHistory", "ChkBoxExtChange", "ChkBoxFolder",
              "ChkBoxOnlyFolder", "ChkCondition1", "ChkCondition2", "chkTimeLimit1", "chkTimeLimit2",
              "chkTimeLimit3", "chkTimeLimit4", "ChkBoxTimeStamp"})
            QVERIFY2(!f.Box(box)->isChecked(), box);
        QCOMPARE(f.Edit("EditSize1")->text(), QStringLiteral("10"));
        QCOMPARE(f.Combo("CboSize2")->currentText(), QStringLiteral("MB"));
        QCOMPARE(f.Combo("CboSelect1")->currentText(), QStringLiteral("以上の"));
        QCOMPARE(f.Find<QDateEdit>("DTPick2")->date(), QDate(2009, 1, 1));
        QCOMPARE(f.Combo("cboDTP1")->currentText(), QStringLiteral("以前の"));
        QCOMPARE(f.Edit("EditTimeLimit2")->text(), QStringLiteral("1"));
        QCOMPARE(f.Combo("cboTerm11")->currentText(), QStringLiteral("日前"));
        QCOMPARE(f.Combo("cboTerm2")->currentText(), QStringLiteral("以前の"));
        QCOMPARE(f.Find<QLabel>("LblPattern")->text(), QStringLiteral("（パターンコード：212121111） "));
        QCOMPARE(f.Find<QLabel>("LblPath")->text(), QStringLiteral("（振り分け先フォルダ）/090123/"));
        // Enabling follows the controls.
        QVERIFY(!f.Edit("EdSource")->isEnabled());
        QVERIFY(!f.Box("ChkBoxKaiFolder")->isEnabled());
        QVERIFY(!f.Edit("EditSize1")->isEnabled());
        QVERIFY(!f.Combo("CboYY")->isEnabled());
        QVERIFY(f.Find<QLabel>("LblPattern")->isEnabled());
        QVERIFY(!f.Box("ChkBoxExtChange")->isEnabled()); // no extension rule exists
        QVERIFY(!f.Box("ChkBoxDup")->isEnabled());       // the options' compare is off
        // Pages cut off below the buttons; the keyword edit has the focus.
        const auto* ok = f.Find<QPushButton>("BtnOk");
        QCOMPARE(f.dialog->height(), ok->y() + ok->height() + 6);
        QCOMPARE(f.dialog->focusWidget(), f.Edit("EditKeyword"));
    }

    void RulesCoupleTheControls() {
        Fixture f;
        f.settings.FileComp = true;
        f.settings.ExtRules.push_back({"jpeg", "jpg"});
        f.OpenAdd();
        QVERIFY(f.Box("ChkBoxExtChange")->isEnabled());
        QVERIFY(f.Box("ChkBoxDup")->isEnabled());
        f.Box("ChkBoxCopy")->click();
        QVERIFY(!f.Box("ChkBoxDup")->isEnabled());
        f.Box("ChkBoxFolder")->click();
        f.Box("ChkBoxOnlyFolder")->click();
        QVERIFY(!f.Box("ChkBoxFolder")->isChecked());
        f.Box("ChkBoxFolder")->click();
        QVERIFY(!f.Box("ChkBoxOnlyFolder")->isChecked());
        f.Find<QRadioButton>("RdBtnFolder")->click();
        QVERIFY(f.Edit("EdSource")->isEnabled() && f.Find<QPushButton>("BtnRefSource")->isEnabled());
        f.Box("ChkCondition2")->click();
        QVERIFY(f.Combo("CboSelect2")->isEnabled() && f.Find<QLabel>("LblSize2")->isEnabled());
        QVERIFY(!f.Combo("CboSelect1")->isEnabled());
        f.Box("chkTimeLimit4")->click();
        QVERIFY(f.Combo("cboTerm12")->isEnabled() && !f.Combo("cboTerm2")->isEnabled());
        f.Box("ChkBoxTimeStamp")->click();
        QVERIFY(f.Combo("CboNN")->isEnabled() && f.Find<QLabel>("LblPath")->isEnabled());
        f.Box("ChkBoxOption")->click();
        const auto* pages = f.Find<QTabWidget>("PageControl1");
        QCOMPARE(f.dialog->height(), pages->y() + pages->height() + 6);
        // The up-down steps the size and stops at its ends.
        f.Set("EditSize2", "9998");
        auto* up = f.Find<QWidget>("UpDown2")->findChild<QAbstractButton*>(QStringLiteral("Up"));
        up->click();
        up->click();
        QCOMPARE(f.Edit("EditSize2")->text(), QStringLiteral("9999"));
    }

    void EmptySizeIsStoredAsBlanksAndReopensAsTen() {
        Fixture f;
        f.OpenAdd();
        f.Set("EditKeyword", "mp3");
        f.Set("EditDest", "/data/音楽");
        f.Set("EditSize2", "");
        f.Ok();
        QVERIFY(!f.dialog->isVisible());
        const auto stored = f.dialog->Result();
        QVERIFY(stored);
        QCOMPARE(SizeBlock(stored->destText, mark::SizeBlock2), std::string("0    22"));
        QVERIFY(IsChecked(stored->destText)); // an addition is ticked
        f.Open(EditConditionRequest(*stored, false, f.settings));
        QCOMPARE(f.Edit("EditSize2")->text(), QStringLiteral("10"));
        QCOMPARE(f.Edit("EditDest")->text(), QStringLiteral("/data/音楽"));
        f.Ok();
        QVERIFY(!IsChecked(f.dialog->Result()->destText)); // the row's state is carried
        QVERIFY(f.box.Shown().empty());
    }

    void ASizeIsStoredAsTypedRightAligned() {
        Fixture f;
        f.OpenAdd();
        f.Set("EditKeyword", "mp3");
        f.Set("EditDest", "/data/音楽");
        f.Box("ChkCondition1")->setChecked(true);
        f.Set("EditSize1", "05");
        f.Ok();
        const auto stored = f.dialog->Result();
        QVERIFY(stored);
        QCOMPARE(SizeBlock(stored->destText, mark::SizeBlock1).substr(0, 5), std::string("1  05"));
        // The digit and range checks stay.
        f.OpenAdd();
        f.Set("EditKeyword", "mp3");
        f.Set("EditDest", "/data/音楽");
        f.Box("ChkCondition1")->setChecked(true);
        f.Set("EditSize1", "5a");
        f.Ok();
        QVERIFY(f.dialog->isVisible());
        f.Find<QPushButton>("BtnCancel")->click();
    }

    void ExclusionOnlyKeywordsAskFirst() {
        Fixture f;
        f.OpenAdd();
        f.Set("EditKeyword", "/avi /wmv");
        f.Set("EditDest", "/d");
        f.box.QueueAnswer(MbAnswer::No);
        f.Ok();
        QVERIFY(f.dialog->isVisible());
        QCOMPARE(f.box.Shown().back().title, std::string("Sorvanta - 修正した方がいいかも･･･"));
        QCOMPARE(f.dialog->focusWidget(), f.Edit("EditKeyword"));
        f.box.QueueAnswer(MbAnswer::Yes);
        f.Ok();
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(f.dialog->Result()->keywordText, std::string("/avi /wmv"));
        QVERIFY(f.box.AllAnswersUsed());
    }

    // The editor asks after folders only through the file system it is given: a folder made in a
    // dry run counts as there and one removed in it as gone, whatever the disk says; neither the
    // check of OK nor the list of what the condition takes touches the disk.
    void FolderChecksGoThroughTheGivenFileSystem() {
        DryRun disk;
        Fixture f(&disk);
        QVERIFY(disk.ForceFolder(f.dir.PathText() + "planned").ok());
        std::filesystem::create_directories(f.dir.NativeFile("removed"));
        QVERIFY(disk.RemoveEmptyFolder(f.dir.PathText() + "removed").ok());
        const auto addOwn = [&f](const char* folder) {
            f.OpenAdd();
            f.Set("EditKeyword", "mp3");
            f.Set("EditDest", "/d");
            f.Find<QRadioButton>("RdBtnFolder")->click();
            f.Set("EdSource", QString::fromStdString(f.dir.NativeFile(folder)));
        };

        addOwn("planned");
        f.Ok();
        QVERIFY(!f.dialog->isVisible());
        QVERIFY(f.box.Shown().empty());
        QVERIFY(!f.dir.Exists("planned"));

        addOwn("removed");
        f.box.QueueAnswer(MbAnswer::No);
        f.Ok();
        QVERIFY(f.dialog->isVisible());
        QVERIFY(f.LastText().find("[ " + f.dir.NativeFile("removed") + " ]") != std::string::npos);
        QVERIFY(f.dir.Exists("removed"));
        f.Find<QPushButton>("BtnCancel")->click();
    }

    void MissingSourceFolderAsksAndFocusesIt() {
        Fixture f;
        f.OpenAdd();
        f.Set("EditKeyword", "mp3");
        f.Set("EditDest", "/d");
        f.Find<QRadioButton>("RdBtnFolder")->click();
        const QString missing = QString::fromStdString(f.dir.Native()) + QStringLiteral("/none");
        f.Set("EdSource", missing);
        f.box.QueueAnswer(MbAnswer::No);
        f.Ok();
        QVERIFY(f.dialog->isVisible());
        QCOMPARE(f.dialog->focusWidget(), f.Edit("EdSource"));
        QVERIFY(f.LastText().find("[ " + missing.toStdString() + " ]") != std::string::npos);
        f.box.QueueAnswer(MbAnswer::Yes);
        f.Ok();
        QVERIFY(!f.dialog->isVisible());
        const std::string dest = f.dialog->Result()->destText;
        QVERIFY(HasMarker(dest, mark::OwnSource));
        QCOMPARE(SourceFolder(dest), FromNativePath(missing.toStdString()));
    }

    void PatternBoxesGiveTheirCodeAndPreview() {
        Fixture f;
        f.OpenAdd();
        f.Box("ChkBoxTimeStamp")->click();
        const std::array<std::pair<const char*, int>, 5> picks{
            {{"CboYY", 2}, {"CboYY_", 3}, {"CboMM", 1}, {"CboMM_", 3}, {"CboDD", 1}}};
        for (const auto& [name, index] : picks)
            f.Combo(name)->setCurrentIndex(index);
        f.Combo("CboDD_")->setCurrentIndex(0);
        f.dialog->Timer1Timer();
        QCOMPARE(f.Find<QLabel>("LblPattern")->text(), QStringLiteral("（パターンコード：342421111） "));
        QCOMPARE(f.Find<QLabel>("LblPath")->text(), QStringLiteral("（振り分け先フォルダ）/2009/01/23/"));
        f.Set("EditKeyword", "jpg");
        f.Set("EditDest", "/d");
        f.Ok();
        QCOMPARE(TimestampBlock(f.dialog->Result()->destText), std::string("1342421111"));
    }

    void TrailingSeparatorsShrinkToOne() {
        Fixture f;
        f.OpenAdd();
        f.Set("EditKeyword", "mp3");
        f.Set("EditDest", " /data/x/// ");
        f.Ok();
        QCOMPARE(f.Edit("EditDest")->text(), QStringLiteral("/data/x/"));
        QCOMPARE(DecodeDestFolder(f.dialog->Result()->destText), std::string("\\data\\x\\"));
    }

    void RefusedChecksKeepTheDialogAndFocus() {
        Fixture f;
        f.OpenAdd();
        f.Set("EditKeyword", "a//b");
        f.Set("EditDest", "/d");
        f.Ok();
        QVERIFY(f.dialog->isVisible());
        QVERIFY(f.LastText().find("「//」") != std::string::npos);
        f.Set("EditKeyword", "a");
        f.Set("EditDest", "/d/é");
        f.Ok();
        QCOMPARE(f.dialog->focusWidget(), f.Edit("EditDest"));
        QVERIFY(f.LastText().find("「é」") != std::string::npos);
        // A size to correct is brought into view.
        f.Set("EditDest", "/d");
        f.Box("ChkCondition1")->click();
        f.Set("EditSize1", "x");
        f.Ok();
        QCOMPARE(f.box.Shown().back().title, std::string("Sorvanta - 振り分け条件編集エラー"));
        QVERIFY(f.Box("ChkBoxOption")->isChecked());
        QCOMPARE(f.Find<QTabWidget>("PageControl1")->currentWidget()->objectName(),
                 QStringLiteral("TabSheetDoubt"));
        QCOMPARE(f.dialog->focusWidget(), f.Edit("EditSize1"));
        QVERIFY(!f.dialog->Result());
    }

    void CancelAfterARefusedOkChangesNothing() {
        Fixture f;
        bool seen = false;
        QTimer::singleShot(0, f.dialog.get(), [&] {
            QCOMPARE(QApplication::activeModalWidget(), f.dialog.get());
            f.Set("EditKeyword", "");
            f.box.QueueAnswer(MbAnswer::Ok);
            f.Ok();
            QCOMPARE(f.LastText(), std::string("入力が不足しています。"));
            QVERIFY(f.dialog->isVisible());
            f.Find<QPushButton>("BtnCancel")->click();
            seen = true;
        });
        QVERIFY(!f.dialog->Execute(EditConditionRequest(kBusy, true, f.settings)));
        QVERIFY(seen);
        // Esc cancels too, even with valid contents.
        QTimer::singleShot(0, f.dialog.get(),
                           [&] { QTest::keyClick(f.Edit("EditKeyword"), Qt::Key_Escape); });
        QVERIFY(!f.dialog->Execute(EditConditionRequest(kBusy, true, f.settings)));
        QCOMPARE(f.box.Shown().size(), std::size_t{1});
    }

    void DefaultIsWrittenAndUsedByTheNextAdd() {
        Fixture f;
        f.OpenAdd();
        f.Set("EditKeyword", " jpg png ");
        f.Set("EditComment", "画像");
        f.Box("ChkBoxCopy")->click();
        f.box.QueueAnswer(MbAnswer::No);
        f.Find<QPushButton>("BtnDefault")->click();
        QVERIFY(!f.dir.Exists("Sorvanta.ini"));
        f.box.QueueAnswer(MbAnswer::Yes);
        f.Find<QPushButton>("BtnDefault")->click();
        QVERIFY(f.dialog->isVisible());
        QCOMPARE(f.box.Shown().back().text,
                 std::string("振り分け条件を追加する際、現在の設定内容を適用します。よろしいですか？"));
        const TAppSettings read = LoadSettings(f.dir.PathText(), "Sorvanta.ini");
        QCOMPARE(read.DefKeyword, std::string("jpg png"));
        QCOMPARE(read.DefComment, std::string("画像"));
        QVERIFY(HasMarker(read.DefDestFolder, mark::CopyMode));
        f.Find<QPushButton>("BtnCancel")->click();

        Fixture next;
        next.Open(AddConditionRequest(read));
        QCOMPARE(next.Edit("EditKeyword")->text(), QStringLiteral("jpg png"));
        QCOMPARE(next.Edit("EditComment")->text(), QStringLiteral("画像"));
        QVERIFY(next.Box("ChkBoxCopy")->isChecked());
        QVERIFY(next.Edit("EditDest")->text().isEmpty());
    }

    void TimeLimitRowsAreShownAndStoredAsTicked() {
        Fixture f;
        const std::string block = "\x14"
                                  "1201103151";
        f.Open(EditConditionRequest({"mp3", "\\d\\" + block}, true, f.settings));
        QVERIFY(
            !f.Find<QWidget>("GroupBoxTime")->property("title").toString().contains(QStringLiteral("今後")));
        QVERIFY(f.Box("chkTimeLimit1")->isChecked());
        QCOMPARE(f.Find<QDateEdit>("DTPick1")->date(), QDate(2011, 3, 15));
        QCOMPARE(f.Combo("cboDTP1")->currentText(), QStringLiteral("以降の"));
        QVERIFY(f.Find<QDateEdit>("DTPick1")->isEnabled());
        f.Box("chkTimeLimit1")->click(); // unticked: the limit goes
        f.Box("chkTimeLimit3")->click();
        f.Set("EditTimeLimit1", "5");
        f.Combo("cboTerm1")->setCurrentIndex(1);
        f.Combo("cboTerm2")->setCurrentIndex(1);
        f.Box("chkTimeLimit2")->click();
        f.Find<QDateEdit>("DTPick2")->setDate(QDate(2024, 2, 29));
        f.Ok();
        QVERIFY(f.dialog->Result());
        const std::string dest = f.dialog->Result()->destText;
        QVERIFY(dest.find(mark::TimeLimit1) == std::string::npos);
        QVERIFY(dest.find("\x15"
                          "1202402290"
                          "\x16"
                          "10511") != std::string::npos);

        // A count OK cannot store shows its page and its edit.
        f.Open(EditConditionRequest(*f.dialog->Result(), true, f.settings));
        f.Find<QTabWidget>("PageControl1")->setCurrentIndex(0);
        f.Set("EditTimeLimit1", "");
        f.box.QueueAnswer(MbAnswer::Ok);
        f.Ok();
        QVERIFY(!f.dialog->Result());
        QCOMPARE(f.LastText(),
                 std::string("「その他の設定」のタイムスタンプの期間は 0～99 の整数を指定してください。"));
        QCOMPARE(f.Find<QTabWidget>("PageControl1")->currentWidget(), f.Find<QWidget>("TabSheet1"));
        QCOMPARE(f.dialog->focusWidget(), f.Edit("EditTimeLimit1"));
        f.Find<QPushButton>("BtnCancel")->click();
    }

    void TheTargetPageListsWhatTheConditionTakesAndFollowsTheEdits() {
        Fixture f;
        for (const char* name : {"src/clip 1.avi", "src/clip 2.mp3", "src/other.avi", "own/clip 3.avi"}) {
            std::filesystem::create_directories(std::filesystem::path(f.dir.NativeFile(name)).parent_path());
            f.dir.WriteBytes(name, "12345");
        }
        CondEditRequest request = AddConditionRequest(f.settings);
        request.mainFolders = {f.dir.PathText() + "src"};
        f.Open(request);
        QCOMPARE(f.dialog->TargetReads(), 0); // nothing is read before the page is looked at
        f.Box("ChkBoxOption")->setChecked(true);
        auto* pages = f.Find<QTabWidget>("PageControl1");
        QCOMPARE(pages->count(), 5);
        QCOMPARE(pages->tabText(4), QStringLiteral("振り分け対象"));
        pages->setCurrentIndex(4);
        auto* count = f.Find<QLabel>("LblTargetCount");
        auto* list = f.Find<QTreeView>("ListTarget");
        QVERIFY(f.Find<QLabel>("LblTargetNote")->text().contains(QStringLiteral("先に振り分ける")));
        f.Set("EditKeyword", "clip");
        QTRY_COMPARE_WITH_TIMEOUT(count->text(),
                                  QStringLiteral("2 個のファイル（フォルダ）が振り分け対象です"), 5000);
        QCOMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("フォルダ"));
        f.Set("EditKeyword", "clip avi");
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 1, 5000);
        const QAbstractItemModel* model = list->model();
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("clip 1.avi"));
        QCOMPARE(model->index(0, 1).data().toString(), QString::fromStdString(f.dir.NativeFile("src")));
        QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("5 バイト"));
        f.Find<QRadioButton>("RdBtnOr")->click();
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 3, 5000);
        // Every change above was tested again on the listing read once.
        QCOMPARE(f.dialog->TargetReads(), 1);
        // The condition's own folder is read when it is chosen.
        f.Find<QRadioButton>("RdBtnFolder")->click();
        f.Set("EdSource", QString::fromStdString(f.dir.NativeFile("own")));
        QTRY_COMPARE_WITH_TIMEOUT(count->text(),
                                  QStringLiteral("1 個のファイル（フォルダ）が振り分け対象です"), 5000);
        QCOMPARE(f.dialog->TargetReads(), 2);
        // What OK would refuse is said instead of a list.
        f.Box("chkTimeLimit4")->click();
        f.Set("EditTimeLimit2", "x");
        QTRY_COMPARE_WITH_TIMEOUT(
            count->text(),
            QStringLiteral("「その他の設定」のタイムスタンプの期間は 0～99 の整数を指定してください。"),
            5000);
        QCOMPARE(list->model()->rowCount(), 0);
        // A folder that is not there says so.
        f.Set("EditTimeLimit2", "1");
        f.Set("EdSource", QString::fromStdString(f.dir.NativeFile("gone")));
        QTRY_VERIFY_WITH_TIMEOUT(count->text().contains(QStringLiteral("] が見つかりません")), 5000);
        // Nothing was moved, made or written.
        QVERIFY(f.dir.Exists("src/clip 1.avi"));
        QVERIFY(f.dir.Exists("own/clip 3.avi"));
        f.Find<QPushButton>("BtnCancel")->click();

        // Another opening reads the folders again.
        f.Open(request);
        f.Box("ChkBoxOption")->setChecked(true);
        pages->setCurrentIndex(4);
        f.Set("EditKeyword", "other");
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 1, 5000);
        QCOMPARE(f.dialog->TargetReads(), 4);
        f.Find<QPushButton>("BtnCancel")->click();
    }

    void HelpBrowsersAndByteLimits() {
        Fixture f;
        f.OpenAdd();
        QTest::keyClick(f.Edit("EditKeyword"), Qt::Key_F1);
        QCOMPARE(f.LastText(), std::string("ヘルプファイルが見つかりません！　"));
        std::filesystem::create_directory(f.dir.NativeFile("help"));
        f.dir.WriteBytes("help/22.html", "<html></html>");
        f.Find<QPushButton>("BtnHelp")->click();
        QCOMPARE(f.shell.Calls().size(), std::size_t{1});
        QCOMPARE(f.shell.Calls()[0].path, f.dir.PathText() + "help\\22.html");

        f.Set("EditDest", "/start");
        f.files.QueueChoice(std::string("\\chosen\\dest"));
        f.Find<QPushButton>("ButtonRef")->click();
        QCOMPARE(f.files.Asked().back().title, std::string("振り分け先フォルダを選択してください。"));
        QCOMPARE(f.files.Asked().back().start, std::string("\\start"));
        QCOMPARE(f.Edit("EditDest")->text(), QStringLiteral("/chosen/dest"));
        f.files.QueueChoice(std::nullopt);
        f.Find<QPushButton>("ButtonRef")->click();
        QCOMPARE(f.Edit("EditDest")->text(), QStringLiteral("/chosen/dest"));
        f.Find<QRadioButton>("RdBtnFolder")->click();
        f.files.QueueChoice(std::string("\\src"));
        f.Find<QPushButton>("BtnRefSource")->click();
        QCOMPARE(f.files.Asked().back().title, std::string("振り分け元フォルダを選択してください。"));
        QCOMPARE(f.Edit("EdSource")->text(), QStringLiteral("/src"));

        // Ctrl+A selects the whole text.
        QLineEdit* comment = f.Edit("EditComment");
        comment->setFocus();
        QTest::keyClicks(comment, QString(254, QLatin1Char('a')));
        QTest::keyClick(comment, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(comment->selectedText().size(), 254);
        // 256 bytes at most: a two-byte character still fits, the next one does not.
        comment->end(false);
        // Key events carry Latin-1 only; other text arrives as an input method would insert it.
        comment->insert(QStringLiteral("あ"));
        comment->insert(QStringLiteral("い"));
        QCOMPARE(comment->text(), QString(254, QLatin1Char('a')) + QStringLiteral("あ"));
    }
};

QTEST_MAIN(TestConditionDialog)
#include "test_condition_dialog.moc"
