// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's decisions and the platform ports it uses, without a window.
#include "app/main_logic.h"
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "gui/common/app_setup.h"
#include "gui/ports/qt_shell.h"
#include "platform/filedialog.h"
#include "platform/help.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <QTest>

#include <filesystem>

using namespace sv;

namespace {

TSortCondition Cond(std::string keywordText, std::string destText) {
    return TSortCondition{std::move(keywordText), std::move(destText)};
}

} // namespace

class TestMainLogic final : public QObject {
    Q_OBJECT

private slots:
    void TypedFoldersAreRefusedWithTheReason() {
        QCOMPARE(TypedFolderProblem("/home/u/ダウンロード"), std::string());
        QCOMPARE(TypedFolderProblem("/"), std::string());
        const std::string forbidden = "フォルダの指定に / : * ? \" < > | は使用できません。";
        for (const char* bad : {"/home/u/a*b", "/tmp/a?", "/tmp/<x>", "/tmp/a|b", "/tmp/\"q\""})
            QCOMPARE(TypedFolderProblem(bad), forbidden);
        // A backslash would silently become a separator of the stored path.
        QVERIFY(TypedFolderProblem("/tmp/a\\b").find("\\") != std::string::npos);
        const std::string accent = TypedFolderProblem("/home/u/café");
        QVERIFY(accent.find("「é」") != std::string::npos);
        QVERIFY(!TypedFolderProblem("/tmp/😀").empty());
    }

    void DeleteQuestionNamesTheCondition() {
        QCOMPARE(DeleteQuestion("mp3 ogg"),
                 std::string("この振り分け条件を削除しますか？ \n\nキーワード ： mp3 ogg  "));
        QCOMPARE(
            DeleteQuestion("mp3 ogg//音楽"),
            std::string("この振り分け条件を削除しますか？ \n\n設定名    ： 音楽  \nキーワード ： mp3 ogg  "));
        // The name ends before a further "//".
        QCOMPARE(
            DeleteQuestion("jpg//画像//古い"),
            std::string("この振り分け条件を削除しますか？ \n\n設定名    ： 画像  \nキーワード ： jpg  "));
    }

    void PasteKeepsTheCopiedCheckStateAndRefusesWhenFull() {
        TConditionList list;
        QVERIFY(list.InsertAt(0, Cond("a", "\\a\\" + std::string(kDefaultSizeBlock))).ok());
        TCopyBuffer buffer;
        QVERIFY(PasteFromBuffer(list, 0, buffer).ok());
        QCOMPARE(list.Count(), 1); // an empty buffer pastes nothing

        buffer.condition = list.At(0);
        buffer.checked = true;
        buffer.full = true;
        QVERIFY(PasteFromBuffer(list, 0, buffer).ok());
        QVERIFY(PasteFromBuffer(list, 5, buffer).ok()); // past the end: appended
        QCOMPARE(list.Count(), 3);
        QVERIFY(IsChecked(list.At(0).destText));
        QVERIFY(!IsChecked(list.At(1).destText));
        QVERIFY(IsChecked(list.At(2).destText));

        while (!list.IsFull())
            QVERIFY(list.InsertAt(list.Count(), Cond("x", "\\x\\")).ok());
        const TSortCondition last = list.At(TConditionList::kCapacity - 1);
        const Status refused = PasteFromBuffer(list, 0, buffer);
        QVERIFY(!refused.ok());
        QVERIFY(refused.error().find("10000") != std::string::npos);
        QCOMPARE(list.Count(), TConditionList::kCapacity);
        QCOMPARE(list.At(TConditionList::kCapacity - 1), last);
    }

    void CommandStatesFollowTheSelection() {
        const TCommandStates none = CommandStates(-1, 3);
        QVERIFY(!none.selectionCommands && !none.up && !none.down);
        const TCommandStates first = CommandStates(0, 3);
        QVERIFY(first.selectionCommands && !first.up && first.down);
        const TCommandStates last = CommandStates(2, 3);
        QVERIFY(last.up && !last.down);
        const TCommandStates only = CommandStates(0, 1);
        QVERIFY(only.selectionCommands && !only.up && !only.down);
        QVERIFY(!CommandStates(3, 3).selectionCommands); // a stale index is no selection
    }

    void OpenFolderUsesTheFilerOrTheDesktop() {
        testing::TempFolder dir;
        const std::string odd = JoinPath(dir.PathText(), "a b; \"c\" $(x)");
        std::filesystem::create_directory(ToNativePath(odd));
        TAppSettings settings;
        RecordingShell shell;
        ScriptedMessageBox box;

        OpenFolder(JoinPath(dir.PathText(), "missing"), FolderRole::Destination, settings, shell, box);
        OpenFolder(JoinPath(dir.PathText(), "missing"), FolderRole::Source, settings, shell, box);
        QCOMPARE(box.Shown().size(), std::size_t(2));
        QCOMPARE(box.Shown()[0].text, std::string("振り分け先フォルダが存在しないため、開けません･･･　"));
        QCOMPARE(box.Shown()[1].text, std::string("振り分け元フォルダが存在しないため、開けません･･･　"));
        QCOMPARE(box.Shown()[1].title, std::string("Sorvanta"));
        QVERIFY(box.Shown()[1].icon == MbIcon::Error);
        QVERIFY(shell.Calls().empty());

        OpenFolder(odd, FolderRole::Destination, settings, shell, box);
        settings.Filer = true;
        settings.FilerProg = "\\usr\\bin\\filer";
        OpenFolder(odd, FolderRole::Destination, settings, shell, box);
        QCOMPARE(shell.Calls().size(), std::size_t(2));
        QVERIFY(shell.Calls()[0].kind == RecordingShell::Kind::OpenFolder);
        QCOMPARE(shell.Calls()[0].path, odd);
        QVERIFY(shell.Calls()[1].kind == RecordingShell::Kind::StartProgram);
        QCOMPARE(shell.Calls()[1].path, std::string("\\usr\\bin\\filer"));
        QCOMPARE(shell.Calls()[1].argument, odd); // the whole folder as one argument

        shell.FailNext("起動できませんでした。");
        OpenFolder(odd, FolderRole::Destination, settings, shell, box);
        QCOMPARE(box.Shown().back().text, std::string("起動できませんでした。"));
    }

    void FilerGetsTheFolderAsOneUntouchedArgument() {
        testing::TempFolder dir;
        dir.WriteBytes("filer", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$(dirname \"$0\")/got.tmp\"\n"
                                "mv \"$(dirname \"$0\")/got.tmp\" \"$(dirname \"$0\")/got\"\n");
        std::filesystem::permissions(dir.NativeFile("filer"), std::filesystem::perms::owner_all);
        const std::string odd = "/tmp/a b; echo \"x\" $(y) 'z' &";
        QtShell shell;
        QVERIFY(shell.StartProgram(FromNativePath(dir.NativeFile("filer")), FromNativePath(odd)).ok());
        QTRY_VERIFY_WITH_TIMEOUT(dir.Exists("got"), 30000);
        QCOMPARE(dir.ReadBytes("got"), "1|" + odd);
        QVERIFY(!shell.StartProgram(FromNativePath(dir.NativeFile("no-such-filer")), "\\tmp").ok());
    }

    void HelpOpensThePageOrSaysItIsMissing() {
        testing::TempFolder dir;
        RecordingShell shell;
        ScriptedMessageBox box;
        ShowHelp(dir.PathText(), help::Main, shell, box);
        QCOMPARE(box.Shown().size(), std::size_t(1));
        QCOMPARE(box.Shown()[0].text, std::string("ヘルプファイルが見つかりません！　"));
        QCOMPARE(box.Shown()[0].title, std::string("Sorvanta"));
        QVERIFY(shell.Calls().empty());

        std::filesystem::create_directory(dir.NativeFile("help"));
        dir.WriteBytes("help/30.html", "<html></html>");
        ShowHelp(dir.PathText(), help::About, shell, box);
        QCOMPARE(box.Shown().size(), std::size_t(1));
        QCOMPARE(shell.Calls().size(), std::size_t(1));
        QCOMPARE(shell.Calls()[0].path, dir.PathText() + "help\\30.html");
    }

    void ScriptedFileDialogAnswersInOrder() {
        ScriptedFileDialog dialog;
        dialog.QueueChoice(std::string("\\tmp\\a"));
        FileDialogRequest request;
        request.start = "\\home";
        QCOMPARE(dialog.Choose(request), std::optional<std::string>("\\tmp\\a"));
        QCOMPARE(dialog.Choose(request), std::optional<std::string>()); // nothing queued: cancel
        QCOMPARE(dialog.Asked().size(), std::size_t(2));
        QVERIFY(dialog.AllChoicesUsed());
    }

    void UpAndDownButtonsShareTheListHeight() {
        const TUpDownLayout layout = UpDownLayout(70, 200);
        QCOMPARE(layout.height, 95);
        QCOMPARE(layout.upTop, 70);
        QCOMPARE(layout.downTop, 70 + 95 + 11);
    }

    void SettingsFileIsNamedAfterTheExecutable() {
        QCOMPARE(IniFileNameFor("sorvanta"), std::string("Sorvanta.ini"));
        QCOMPARE(IniFileNameFor("sorvanta-test"), std::string("sorvanta-test.ini"));
    }
};

QTEST_GUILESS_MAIN(TestMainLogic)
#include "test_main_logic.moc"
