// SPDX-License-Identifier: GPL-3.0-or-later
// A data file that cannot be read or written is told in the words of the program's messages: the
// file by its path, what could not be done and why, never the system's English. The failures are
// real ones root cannot get past: a folder in a file's place, a path through a file, a missing
// folder, the user's read-only mark.
#include "exchange/csv_export.h"
#include "exchange/csv_import.h"
#include "platform/dir_reader.h"
#include "platform/file_messages.h"
#include "platform/files.h"
#include "store/condition_file.h"
#include "store/history_file.h"
#include "store/kept_aside.h"
#include "store/run_items.h"
#include "store/run_journal.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace sv {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

TEST(DataFileFailures, AFolderInTheFilesPlaceIsReadAsNoFile) {
    TempFolder dir;
    const std::string isFolder = "を読み込めませんでした（フォルダです）。";

    fs::create_directory(dir.NativeFile("Condition.txt"));
    TConditionList list;
    const ConditionLoad conditions = LoadConditions(dir.PathText(), list, false);
    EXPECT_TRUE(conditions.unreadable);
    EXPECT_EQ(conditions.error, "[" + dir.NativeFile("Condition.txt") + "] " + isFolder);

    fs::create_directory(dir.NativeFile("History.dat"));
    THistoryList history;
    EXPECT_EQ(LoadHistory(dir.PathText(), history, 100).error,
              "[" + dir.NativeFile("History.dat") + "] " + isFolder);

    // The journal of a dead run cannot be put in front of such a history: the notice says why.
    dir.WriteBytes("History.dat.journal", RunRecordBlock(TRunItem(TRunItemKind::Moved, "a.avi"),
                                                         {"26/02/03 04:05:06", "  ", "a.avi", "\\d*\\s"}));
    TJournalRecovery recovery;
    const Status recovered = RecoverRunJournal(dir.PathText(), recovery);
    ASSERT_FALSE(recovered.ok());
    const auto notice = JournalRecoveryNotice(recovered, recovery);
    ASSERT_TRUE(notice.has_value());
    EXPECT_TRUE(notice->text.ends_with("\n[" + dir.NativeFile("History.dat") + "] " + isFolder))
        << notice->text;

    // Nor can it be kept aside before a save replaces it.
    const TKeptAside kept = KeepAsideFor(dir.PathText() + "History.dat", "History.dat", "壊れています");
    EXPECT_TRUE(kept.copyPathText.empty());
    EXPECT_TRUE(KeptAsideMessage(kept).text.ends_with("元のファイルを残せませんでした。\n[" +
                                                      dir.NativeFile("History.dat") + "] " + isFolder));

    // A folder chosen as the file to import.
    TImportState state;
    const TImportOutcome imported =
        ImportConditions(dir.PathText() + "History.dat", ImportMode::Replace, 0, list, state);
    ASSERT_FALSE(imported.read.ok());
    EXPECT_EQ(imported.read.error(),
              "[" + dir.NativeFile("History.dat") + "] を開けませんでした（フォルダです）。");
}

TEST(DataFileFailures, AWriteThatCannotBeDoneNamesTheFileNotItsTemporaryName) {
    TempFolder dir;
    dir.WriteBytes("plain.txt", "a file, not a folder");

    // The history of a data folder that is a file: the path runs through it.
    TPendingHistory pending;
    pending.lines = {"26/02/03 04:05:06", "  ", "a.avi", "\\d*\\s"};
    const Status prepended = PrependRunHistory(dir.PathText() + "plain.txt", pending);
    ASSERT_FALSE(prepended.ok());
    EXPECT_EQ(prepended.error(),
              "[" + dir.NativeFile("plain.txt") +
                  "/History.dat] を開けませんでした（パスの途中にフォルダではない項目があります）。");

    // An export into a folder that is not there.
    TConditionList list;
    const Status exported = ExportConditions(dir.PathText() + "gone\\out.csv", list, 0);
    ASSERT_FALSE(exported.ok());
    EXPECT_EQ(exported.error(), "[" + dir.NativeFile("gone/out.csv") +
                                    "] を作成できませんでした（ファイルまたはフォルダが見つかりません）。");

    // The user's read-only mark holds even for root.
    dir.WriteBytes("Condition.txt", "");
    ASSERT_EQ(::chmod(dir.NativeFile("Condition.txt").c_str(), 0444), 0);
    const Status saved = SaveConditions(dir.PathText(), list);
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error(), "[" + dir.NativeFile("Condition.txt") +
                                 "] に書き込めませんでした（アクセスが拒否されました）。");

    // The journal of a run in a data folder that is not there.
    TRunJournal journal;
    const Status opened = journal.Open(dir.PathText() + "gone");
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error(), "[" + dir.NativeFile("gone/History.dat.journal") +
                                  "] を開けませんでした（ファイルまたはフォルダが見つかりません）。");
}

TEST(DataFileFailures, AFolderThatCannotBeListedCarriesItsReasonAsCodes) {
    TempFolder dir;
    dir.WriteBytes("plain.txt", "x");
    const FileStatus missing = ForEachEntry(dir.PathText() + "gone", [](const DirEntry&) { return true; });
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error(), FileError::System(FileOp::Open, dir.NativeFile("gone"), ENOENT));
    const FileStatus throughFile =
        ForEachEntry(dir.PathText() + "plain.txt", [](const DirEntry&) { return true; });
    ASSERT_FALSE(throughFile.ok());
    EXPECT_EQ(FileErrorText(throughFile.error()),
              "[" + dir.NativeFile("plain.txt") +
                  "] を開けませんでした（パスの途中にフォルダではない項目があります）。");

    // A line reader that meets a folder stops with the reason instead of lines.
    LineReader reader;
    EXPECT_EQ(reader.Open(dir.PathText()), ReadState::Failed);
    ASSERT_TRUE(reader.error().has_value());
    EXPECT_EQ(reader.error()->code, EISDIR);
    EXPECT_FALSE(reader.Next());
}

} // namespace
} // namespace sv
