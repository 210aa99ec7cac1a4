// SPDX-License-Identifier: GPL-3.0-or-later
// What the user reads of a failed file operation: a Japanese sentence about the item, whatever
// the operation, the fault and the system's error number.
#include "platform/file_messages.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace sv {
namespace {

constexpr FileOp kLastOp = FileOp::Trash;
constexpr FileFault kLastFault = FileFault::NoSpareName;

// Letters of the English alphabet outside the bracketed path: a reason left untranslated.
bool HasEnglishWords(const std::string& text, const std::string& path) {
    std::string rest = text;
    if (const auto at = rest.find(path); at != std::string::npos)
        rest.erase(at, path.size());
    int run = 0;
    for (const char c : rest) {
        run = ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) ? run + 1 : 0;
        if (run >= 3)
            return true;
    }
    return false;
}

TEST(FileMessages, EveryOperationAndFaultReadsAsAJapaneseSentenceAboutTheItem) {
    const std::string path = "/home/u/Downloads/clip one.avi";
    for (int op = 0; op <= static_cast<int>(kLastOp); ++op) {
        for (int fault = 0; fault <= static_cast<int>(kLastFault); ++fault) {
            FileError error{static_cast<FileOp>(op), static_cast<FileFault>(fault), EACCES, path};
            const std::string text = FileErrorText(error);
            SCOPED_TRACE(text);
            EXPECT_NE(text.find("[" + path + "]"), std::string::npos);
            EXPECT_FALSE(HasEnglishWords(text, path));
            EXPECT_TRUE(text.ends_with("）。"));
            EXPECT_FALSE(FileErrorReason(error).empty());
        }
    }
}

TEST(FileMessages, TheSystemsNumbersARunMeetsHaveWordsOfTheirOwnAndTheRestKeepTheSystemsMessage) {
    for (const int code : {ENOENT, EACCES, EPERM, EEXIST, ENOSPC, EDQUOT, EROFS, EXDEV, ENOTDIR, EISDIR,
                           ENOTEMPTY, ENAMETOOLONG, EBUSY, EIO, ELOOP}) {
        const std::string reason = FileErrorReason(FileError::System(FileOp::Move, "/x", code));
        SCOPED_TRACE(reason);
        EXPECT_FALSE(HasEnglishWords(reason, ""));
    }
    // A number without words of ours is not dropped: the system says what it is.
    EXPECT_EQ(FileErrorReason(FileError::System(FileOp::Move, "/x", ENOLINK)), std::strerror(ENOLINK));
    // The same number, whatever the operation, gives the same reason; the operation gives the verb.
    EXPECT_EQ(FileErrorText(FileError::System(FileOp::Move, "/d/a.avi", EACCES)),
              "[/d/a.avi] を移動できませんでした（アクセスが拒否されました）。");
    EXPECT_EQ(FileErrorText(FileError::System(FileOp::MakeFolder, "/d/new", ENOSPC)),
              "フォルダ [/d/new] を作成できませんでした（ディスクの空き領域が不足しています）。");
}

TEST(FileMessages, ATransferThatDidNotFailHasNothingToSay) {
    EXPECT_EQ(TransferFailureText(TransferResult::Done()), "");
    EXPECT_EQ(TransferFailureText(
                  TransferResult::Failed(FileError::Found(FileOp::Copy, FileFault::Changed, "/s/clip.avi"))),
              "[/s/clip.avi] をコピーできませんでした（コピーしている間に変更されました）。");
}

} // namespace
} // namespace sv
