// SPDX-License-Identifier: GPL-3.0-or-later
// Operations that can fail say why, as data; the caller turns the reason into the user's words.
#include "doubles/scripted_message_box.h"
#include "engine/undo_last_run.h"
#include "platform/digest_library.h"
#include "platform/messagebox.h"
#include "store/history_file.h"
#include "store/last_run.h"
#include "store/settings.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <string>

namespace sv {
namespace {

using testing::TempFolder;

TEST(FailureReasons, AnUnavailableDigestLibrarySaysHowFarItGot) {
    TempFolder dir;
    dir.WriteBytes("libmd5.so", "not a library at all");
    DigestLibrary text(dir.NativeFile("libmd5.so"));
    const auto notLoaded = text.EnsureLoaded();
    ASSERT_FALSE(notLoaded.ok());
    EXPECT_EQ(notLoaded.reason(), DigestFault::NotLoaded);

    DigestLibrary partial(SV_MD5_PARTIAL_LIBRARY);
    const auto lacking = partial.EnsureLoaded();
    ASSERT_FALSE(lacking.ok());
    EXPECT_EQ(lacking.reason(), DigestFault::LacksEntryPoint);
    EXPECT_FALSE(partial.Loaded());

    DigestLibrary real(SV_MD5_LIBRARY);
    EXPECT_TRUE(real.EnsureLoaded().ok());
    EXPECT_TRUE(real.EnsureLoaded().ok()); // loaded already
}

class LastRunGaps : public ::testing::Test {
protected:
    // A last run of one record, and History.dat with that record on top unless `historyLines`
    // says otherwise.
    void WriteRun(const std::string& historyLines) {
        TPendingHistory pending;
        TAppSettings settings;
        ASSERT_TRUE(RecordHistory(pending, "\\d\\", "clip.avi", "\\s", 0, false, settings,
                                  {TRunItemKind::Moved, "clip.avi"}));
        ASSERT_TRUE(WriteLastRun(dir.PathText(), pending).ok());
        std::string history;
        for (const std::string& line : pending.lines)
            history += line + "\r\n";
        dir.WriteBytes("History.dat", historyLines.empty() ? history : historyLines);
    }
    LastRunGap Gap() const {
        const auto run = ReadLastRun(dir.PathText());
        EXPECT_FALSE(run.ok());
        return run.ok() ? LastRunGap::NoRecord : run.reason();
    }
    TempFolder dir;
};

TEST_F(LastRunGaps, EachReasonForNothingToTakeBackIsToldInItsOwnWords) {
    EXPECT_EQ(Gap(), LastRunGap::NoRecord); // no file at all
    dir.WriteBytes(std::string(kLastRunFileName), "Sorvanta last run 1\r\n");
    EXPECT_EQ(Gap(), LastRunGap::NoRecord); // a file without records
    dir.WriteBytes(std::string(kLastRunFileName), "something else\r\n");
    EXPECT_EQ(Gap(), LastRunGap::Unreadable);

    WriteRun("");
    EXPECT_TRUE(ReadLastRun(dir.PathText()).ok());
    WriteRun("26/01/01 00:00:00\r\n  \r\nold.avi\r\n\\d*\\s\r\n");
    EXPECT_EQ(Gap(), LastRunGap::HistoryChanged);

    EXPECT_EQ(LastRunGapText(LastRunGap::NoRecord), "元に戻せる振り分けの記録がありません。");
    EXPECT_EQ(LastRunGapText(LastRunGap::Unreadable),
              "最後の振り分けの記録（History.dat.lastrun）を読めません。");
    EXPECT_EQ(LastRunGapText(LastRunGap::HistoryChanged),
              "最後の振り分けのあとに振り分け履歴が並べ替えられたか変更されたため、元に戻せません。");

    // The undo tells it and changes nothing.
    ScriptedMessageBox box;
    box.QueueAnswer(MbAnswer::Ok);
    TUndoRequest request(Disk());
    request.dataFolder = dir.PathText();
    EXPECT_FALSE(UndoLastRun(request, box));
    ASSERT_EQ(box.Shown().size(), 1u);
    EXPECT_EQ(box.Shown()[0].text, LastRunGapText(LastRunGap::HistoryChanged));
    EXPECT_EQ(box.Shown()[0].title, "Sorvanta - 元に戻す");
}

} // namespace
} // namespace sv
