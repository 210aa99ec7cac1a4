// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_logic.h"
#include "doubles/recording_shell.h"
#include "doubles/scripted_file_dialog.h"
#include "doubles/scripted_message_box.h"
#include "platform/filedialog.h"
#include "platform/help.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

using namespace sv;

namespace {

TSortCondition Cond(std::string keywordText, std::string destText) {
    return TSortCondition{std::move(keywordText), std::move(destText)};
}

} // namespace

TEST(MainLogic, TypedFoldersAreRefusedWithTheReason) {
    ASSERT_EQ(TypedFolderProblem("/home/u/ダウンロード"), std::string());
    ASSERT_EQ(TypedFolderProblem("/"), std::string());
    const std::string forbidden = "フォルダの指定に / : * ? \" < > | は使用できません。";
    for (const char* bad : {"/home/u/a*b", "/tmp/a?", "/tmp/<x>", "/tmp/a|b", "/tmp/\"q\""})
        ASSERT_EQ(TypedFolderProblem(bad), forbidden);
    // A backslash would silently become a separator of the stored path.
    ASSERT_TRUE(TypedFolderProblem("/tmp/a\\b").find("\\") != std::string::npos);
    const std::string accent = TypedFolderProblem("/home/u/café");
    ASSERT_TRUE(accent.find("「é」") != std::string::npos);
    ASSERT_TRUE(!TypedFolderProblem("/tmp/😀").empty());
}

TEST(MainLogic, DeleteQuestionNamesTheCondition) {
    ASSERT_EQ(DeleteQuestion("mp3 ogg"),
              std::string("この振り分け条件を削除しますか？ \n\nキーワード ： mp3 ogg  "));
    ASSERT_EQ(
        DeleteQuestion("mp3 ogg//音楽"),
        std::string("この振り分け条件を削除しますか？ \n\n設定名    ： 音楽  \nキーワード ： mp3 ogg  "));
    // The name ends before a further "//".
    ASSERT_EQ(DeleteQuestion("jpg//画像//古い"),
              std::string("この振り分け条件を削除しますか？ \n\n設定名    ： 画像  \nキーワード ： jpg  "));
}

TEST(MainLogic, PasteKeepsTheCopiedCheckStateAndRefusesWhenFull) {
    TConditionList list;
    ASSERT_TRUE(list.InsertAt(0, Cond("a", "\\a\\" + std::string(kDefaultSizeBlock))).ok());
    TCopyBuffer buffer;
    ASSERT_TRUE(PasteFromBuffer(list, 0, buffer).ok());
    ASSERT_EQ(list.Count(), 1); // an empty buffer pastes nothing

    buffer.condition = list.At(0);
    buffer.checked = true;
    buffer.full = true;
    ASSERT_TRUE(PasteFromBuffer(list, 0, buffer).ok());
    ASSERT_TRUE(PasteFromBuffer(list, 5, buffer).ok()); // past the end: appended
    ASSERT_EQ(list.Count(), 3);
    ASSERT_TRUE(IsChecked(list.At(0).destText));
    ASSERT_TRUE(!IsChecked(list.At(1).destText));
    ASSERT_TRUE(IsChecked(list.At(2).destText));

    while (!list.IsFull())
        ASSERT_TRUE(list.InsertAt(list.Count(), Cond("x", "\\x\\")).ok());
    const TSortCondition last = list.At(TConditionList::kCapacity - 1);
    const Status refused = PasteFromBuffer(list, 0, buffer);
    ASSERT_TRUE(!refused.ok());
    ASSERT_TRUE(refused.error().find("10000") != std::string::npos);
    ASSERT_EQ(list.Count(), TConditionList::kCapacity);
    ASSERT_EQ(list.At(TConditionList::kCapacity - 1), last);
}

TEST(MainLogic, CommandStatesFollowTheSelection) {
    const TCommandStates none = CommandStates(-1, 3);
    ASSERT_TRUE(!none.selectionCommands && !none.up && !none.down);
    const TCommandStates first = CommandStates(0, 3);
    ASSERT_TRUE(first.selectionCommands && !first.up && first.down);
    const TCommandStates last = CommandStates(2, 3);
    ASSERT_TRUE(last.up && !last.down);
    const TCommandStates only = CommandStates(0, 1);
    ASSERT_TRUE(only.selectionCommands && !only.up && !only.down);
    ASSERT_TRUE(!CommandStates(3, 3).selectionCommands); // a stale index is no selection
}

TEST(MainLogic, OpenFolderUsesTheFilerOrTheDesktop) {
    sv::testing::TempFolder dir;
    const std::string odd = JoinPath(dir.PathText(), "a b; \"c\" $(x)");
    std::filesystem::create_directory(ToNativePath(odd));
    TAppSettings settings;
    RecordingShell shell;
    ScriptedMessageBox box;

    OpenFolder(JoinPath(dir.PathText(), "missing"), FolderRole::Destination, settings, shell, box);
    OpenFolder(JoinPath(dir.PathText(), "missing"), FolderRole::Source, settings, shell, box);
    ASSERT_EQ(box.Shown().size(), std::size_t(2));
    ASSERT_EQ(box.Shown()[0].text, std::string("振り分け先フォルダが存在しないため、開けません･･･　"));
    ASSERT_EQ(box.Shown()[1].text, std::string("振り分け元フォルダが存在しないため、開けません･･･　"));
    ASSERT_EQ(box.Shown()[1].title, std::string("Sorvanta"));
    ASSERT_TRUE(box.Shown()[1].icon == MbIcon::Error);
    ASSERT_TRUE(shell.Calls().empty());

    OpenFolder(odd, FolderRole::Destination, settings, shell, box);
    settings.Filer = true;
    settings.FilerProg = "\\usr\\bin\\filer";
    OpenFolder(odd, FolderRole::Destination, settings, shell, box);
    ASSERT_EQ(shell.Calls().size(), std::size_t(2));
    ASSERT_TRUE(shell.Calls()[0].kind == RecordingShell::Kind::OpenFolder);
    ASSERT_EQ(shell.Calls()[0].path, odd);
    ASSERT_TRUE(shell.Calls()[1].kind == RecordingShell::Kind::StartProgram);
    ASSERT_EQ(shell.Calls()[1].path, std::string("\\usr\\bin\\filer"));
    ASSERT_EQ(shell.Calls()[1].argument, odd); // the whole folder as one argument

    shell.FailNext("起動できませんでした。");
    OpenFolder(odd, FolderRole::Destination, settings, shell, box);
    ASSERT_EQ(box.Shown().back().text, std::string("起動できませんでした。"));
}

TEST(MainLogic, HelpOpensThePageOrSaysItIsMissing) {
    sv::testing::TempFolder dir;
    RecordingShell shell;
    ScriptedMessageBox box;
    ShowHelp(dir.PathText(), help::Main, shell, box);
    ASSERT_EQ(box.Shown().size(), std::size_t(1));
    ASSERT_EQ(box.Shown()[0].text, std::string("ヘルプファイルが見つかりません！　"));
    ASSERT_EQ(box.Shown()[0].title, std::string("Sorvanta"));
    ASSERT_TRUE(shell.Calls().empty());

    std::filesystem::create_directory(dir.NativeFile("help"));
    dir.WriteBytes("help/30.html", "<html></html>");
    ShowHelp(dir.PathText(), help::About, shell, box);
    ASSERT_EQ(box.Shown().size(), std::size_t(1));
    ASSERT_EQ(shell.Calls().size(), std::size_t(1));
    ASSERT_EQ(shell.Calls()[0].path, dir.PathText() + "help\\30.html");
}

TEST(MainLogic, ScriptedFileDialogAnswersInOrder) {
    ScriptedFileDialog dialog;
    dialog.QueueChoice(std::string("\\tmp\\a"));
    FileDialogRequest request;
    request.start = "\\home";
    ASSERT_EQ(dialog.Choose(request), std::optional<std::string>("\\tmp\\a"));
    ASSERT_EQ(dialog.Choose(request), std::optional<std::string>()); // nothing queued: cancel
    ASSERT_EQ(dialog.Asked().size(), std::size_t(2));
    ASSERT_TRUE(dialog.AllChoicesUsed());
}

TEST(MainLogic, UpAndDownButtonsShareTheListHeight) {
    const TUpDownLayout layout = UpDownLayout(70, 200);
    ASSERT_EQ(layout.height, 95);
    ASSERT_EQ(layout.upTop, 70);
    ASSERT_EQ(layout.downTop, 70 + 95 + 11);
}

TEST(MainLogic, SettingsFileIsNamedAfterTheExecutable) {
    ASSERT_EQ(IniFileNameFor("sorvanta"), std::string("Sorvanta.ini"));
    ASSERT_EQ(IniFileNameFor("sorvanta-test"), std::string("sorvanta-test.ini"));
}
