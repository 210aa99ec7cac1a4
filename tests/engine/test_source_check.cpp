// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/source_check.h"
#include "platform/unattended.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace sv {
namespace {

const std::string kForbidden = "フォルダの設定で / : * ? \" < > | を使用することはできません。"
                               "全ての振り分け元フォルダの設定を確認してください。";

class SourceCheckTest : public ::testing::Test {
protected:
    std::string Folder(std::string_view name) const {
        std::filesystem::create_directories(dir.NativeFile(name));
        return dir.PathText() + std::string(name);
    }
    testing::TempFolder dir;
};

TEST_F(SourceCheckTest, TheComboTextMustBeAnExistingFolder) {
    EXPECT_TRUE(CheckSourceFolders(false, {}, Folder("ダウンロード")).ok());
    EXPECT_EQ(CheckSourceFolders(false, {}, "").message, "振り分け元フォルダが存在しません。");
    EXPECT_EQ(CheckSourceFolders(false, {}, dir.PathText() + "ない").message,
              "振り分け元フォルダが存在しません。");
    EXPECT_EQ(CheckSourceFolders(false, {}, dir.PathText() + "a*b").message, kForbidden);
    // A file is not a folder.
    dir.WriteBytes("file", "x");
    EXPECT_FALSE(CheckSourceFolders(false, {}, dir.PathText() + "file").ok());
    // Without ExecAll the history does not count, and with an empty history the combo does.
    EXPECT_TRUE(CheckSourceFolders(false, {dir.PathText() + "ない"}, Folder("a")).ok());
    EXPECT_EQ(CheckSourceFolders(true, {}, "").message, "振り分け元フォルダが存在しません。");
}

TEST_F(SourceCheckTest, WithExecAllEveryHistoryEntryIsCheckedInOrder) {
    const std::string a = Folder("a");
    const std::string b = Folder("b");
    EXPECT_TRUE(CheckSourceFolders(true, {a, b}, "").ok());

    const TSourceCheck missing = CheckSourceFolders(true, {a, dir.PathText() + "消えた", b + "?"}, a);
    EXPECT_EQ(missing.message, "振り分け元フォルダ [ " + dir.Native() + "/消えた ] が存在しません。");
    EXPECT_EQ(missing.currentIndex, 1);

    const TSourceCheck bad = CheckSourceFolders(true, {a, b + "|x", dir.PathText() + "消えた"}, a);
    EXPECT_EQ(bad.message, kForbidden);
    EXPECT_EQ(bad.currentIndex, -1);
}

TEST(UnattendedAnswerTest, QuestionsTakeTheAnswerThatLeavesFilesAlone) {
    MessageBoxRequest question{"Sorvanta", "作成しますか？", MbIcon::Warning, MbButtons::YesNo,
                               MbAnswer::Yes};
    EXPECT_EQ(UnattendedAnswer(question), MbAnswer::No);
    question.buttons = MbButtons::OkCancel;
    EXPECT_EQ(UnattendedAnswer(question), MbAnswer::Cancel);
    question.buttons = MbButtons::Ok;
    EXPECT_EQ(UnattendedAnswer(question), MbAnswer::Ok);

    const MessageBoxRequest stop{"Sorvanta",
                                 "中断されました。\n\n中止する場合は [はい]\n継続する場合は [いいえ]",
                                 MbIcon::Warning, MbButtons::YesNo, MbAnswer::Yes};
    EXPECT_EQ(UnattendedLine(stop, UnattendedAnswer(stop)),
              "[Sorvanta] 中断されました。 中止する場合は [はい] 継続する場合は [いいえ] -> いいえ");
}

} // namespace
} // namespace sv
