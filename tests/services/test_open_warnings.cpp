// SPDX-License-Identifier: GPL-3.0-or-later
#include "doubles/recording_shell.h"
#include "doubles/scripted_message_box.h"
#include "platform/pathtext.h"
#include "services/open_warnings.h"
#include "testing.h"

#include <gtest/gtest.h>

namespace sv {
namespace {

class OpenWithWarningsTest : public ::testing::Test {
protected:
    std::string File(std::string_view name) {
        dir.WriteBytes(name, "x");
        return dir.PathText() + std::string(name);
    }
    OpenResult Open(const std::string& path, bool archiveAlarm = false) {
        return OpenWithWarnings(path, archiveAlarm, shell, box);
    }

    testing::TempFolder dir;
    RecordingShell shell;
    ScriptedMessageBox box;
};

TEST_F(OpenWithWarningsTest, AsksFirstAndOpensAPlainFile) {
    const std::string path = File("映画.avi");
    box.QueueAnswer(MbAnswer::Yes);
    EXPECT_EQ(Open(path), OpenResult::Opened);
    ASSERT_EQ(box.Shown().size(), 1u);
    const MessageBoxRequest& question = box.Shown()[0];
    EXPECT_EQ(question.title, "Sorvanta");
    EXPECT_EQ(question.text, dir.NativeFile("映画.avi") + " を開きますか？");
    EXPECT_EQ(question.icon, MbIcon::Question);
    EXPECT_EQ(question.buttons, MbButtons::YesNo);
    ASSERT_EQ(shell.Calls().size(), 1u);
    EXPECT_EQ(shell.Calls()[0].kind, RecordingShell::Kind::OpenFile);
    EXPECT_EQ(shell.Calls()[0].path, path);
}

TEST_F(OpenWithWarningsTest, NoToTheQuestionOpensNothing) {
    box.QueueAnswer(MbAnswer::No);
    EXPECT_EQ(Open(File("a.avi")), OpenResult::Declined);
    EXPECT_TRUE(shell.Calls().empty());
}

// Each warning: its text, No as default; No stops, Yes opens. Only the first that applies is asked.
TEST_F(OpenWithWarningsTest, EachWarningIsAskedWithNoAsDefault) {
    struct Case {
        const char* name;
        bool archiveAlarm;
        const char* tail;
    };
    const Case cases[] = {
        {"setup.EXE", false, " は実行可能形式ファイルです。本当に開きますか？"},
        {"tool.com", false, " は実行可能形式ファイルです。本当に開きますか？"},
        {"movie.avi.exe", false, " は実行可能形式ファイルです。本当に開きますか？"},
        {"pack.Zip", true, " は圧縮ファイルです。本当に開きますか？"},
        {"pack.lzh", true, " は圧縮ファイルです。本当に開きますか？"},
        {"pack.rar", true, " は圧縮ファイルです。本当に開きますか？"},
        {"x.folder", false,
         " の拡張子は「.folder」です。ちょっと危険なニオイがします。 余計なお世話ですが本当に開きますか？"},
        {"song.mp3.jpg", false, " は二重拡張子ファイルです。本当に開きますか？"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = File(c.name);
        for (const MbAnswer answer : {MbAnswer::No, MbAnswer::Yes}) {
            ScriptedMessageBox local;
            RecordingShell localShell;
            local.QueueAnswer(MbAnswer::Yes);
            local.QueueAnswer(answer);
            const OpenResult result = OpenWithWarnings(path, c.archiveAlarm, localShell, local);
            ASSERT_EQ(local.Shown().size(), 2u);
            const MessageBoxRequest& warning = local.Shown()[1];
            EXPECT_EQ(warning.title, "Sorvanta - 危険 !?");
            EXPECT_EQ(warning.text, ToNativePath(path) + c.tail);
            EXPECT_EQ(warning.icon, MbIcon::Warning);
            EXPECT_EQ(warning.defaultButton, MbAnswer::No);
            EXPECT_EQ(result, answer == MbAnswer::Yes ? OpenResult::Opened : OpenResult::Declined);
            EXPECT_EQ(localShell.Calls().size(), answer == MbAnswer::Yes ? 1u : 0u);
        }
    }
}

TEST_F(OpenWithWarningsTest, ArchivesWarnOnlyWithTheOptionAndNamesCountOnlyTheirLastPart) {
    EXPECT_FALSE(OpenWarning(File("pack.zip"), false).has_value());
    EXPECT_TRUE(OpenWarning(File("pack.zip"), true).has_value());
    // A folder called "x.exe" does not make the file inside it an executable.
    EXPECT_FALSE(OpenWarning("\\data\\x.exe\\readme", false).has_value());
    EXPECT_FALSE(OpenWarning("\\data\\note.txt", false).has_value());
}

TEST_F(OpenWithWarningsTest, FailuresAreToldByTheirCause) {
    const std::string gone = dir.PathText() + "消えた.avi";
    box.QueueAnswer(MbAnswer::Yes);
    EXPECT_EQ(Open(gone), OpenResult::Failed);
    ASSERT_EQ(box.Shown().size(), 2u);
    EXPECT_EQ(box.Shown()[1].title, "Sorvanta - ファイルオープンエラー");
    EXPECT_EQ(box.Shown()[1].text, "ファイルが見つかりません。");
    EXPECT_EQ(box.Shown()[1].icon, MbIcon::Error);
    EXPECT_TRUE(shell.Calls().empty());

    ScriptedMessageBox second;
    second.QueueAnswer(MbAnswer::Yes);
    shell.FailNext("xdg-open failed");
    EXPECT_EQ(OpenWithWarnings(File("a.unknownext"), false, shell, second), OpenResult::Failed);
    ASSERT_EQ(second.Shown().size(), 2u);
    EXPECT_EQ(second.Shown()[1].text, "関連付けされたアプリケーションが見つかりません。");

    EXPECT_EQ(OpenFailureMessage(OpenFailure::Other).text,
              "ファイルを開けません。申し訳ありませんが原因は自分で考えて下さい・・・。");
}

} // namespace
} // namespace sv
