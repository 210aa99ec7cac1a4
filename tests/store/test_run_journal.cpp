// SPDX-License-Identifier: GPL-3.0-or-later
// A run killed part-way leaves the records of what it moved, and the next start keeps them.
#include "../engine/run_fixture.h"
#include "engine/run.h"
#include "engine/undo_last_run.h"
#include "platform/cp932.h"
#include "store/history_file.h"
#include "store/last_run.h"
#include "store/run_journal.h"

#include <csignal>
#include <filesystem>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace sv {
namespace {

class RunJournal : public testing::RunFixture {
protected:
    std::set<std::string> Moved() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(N("dst")))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::set<std::string> RecordedNames() const {
        THistoryList list;
        (void)LoadHistory(dir.PathText(), list, 1000000000);
        std::set<std::string> names;
        for (const THistoryEntry& entry : list.entries)
            names.insert(entry.EntryName);
        return names;
    }
};

TEST_F(RunJournal, AKilledRunsMovesAreRecordedAtTheNextStart) {
    for (int i = 0; i < 40; ++i)
        Write("src/clip" + std::to_string(100 + i) + ".avi", "movie " + std::to_string(i));
    Folder("dst");
    // Records already in History.dat stay behind the recovered ones.
    dir.WriteBytes("History.dat", *Utf8ToCp932("26/01/01 00:00:00\r\n  \r\nold.avi\r\n\\d*\\s\r\n"));
    Add(Fields("clip", "dst"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TRunJournal journal;
        if (!journal.Open(dir.PathText()).ok())
            ::_exit(3);
        history.journal = &journal;
        // Killed in the middle of the run, without any chance to save.
        ui.onEvents = [](int call) {
            if (call == 23)
                ::raise(SIGKILL);
        };
        Run();
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::set<std::string> moved = Moved();
    ASSERT_GT(moved.size(), 5u);
    ASSERT_LT(moved.size(), 40u);
    EXPECT_TRUE(dir.Exists(std::string(kRunJournalFileName)));

    int recovered = 0;
    ASSERT_TRUE(RecoverRunJournal(dir.PathText(), recovered).ok());
    EXPECT_EQ(recovered, static_cast<int>(moved.size()));
    EXPECT_FALSE(dir.Exists(std::string(kRunJournalFileName)));
    std::set<std::string> expected = moved;
    expected.insert("old.avi");
    EXPECT_EQ(RecordedNames(), expected);
    const std::string bytes = dir.ReadBytes("History.dat");
    EXPECT_GT(bytes.find("old.avi"), bytes.find("clip"));
    // Nothing is left to recover twice.
    ASSERT_TRUE(RecoverRunJournal(dir.PathText(), recovered).ok());
    EXPECT_EQ(recovered, 0);

    // The dead run can be taken back as a whole: every file is in the source folder again.
    std::string why;
    const auto run = ReadLastRun(dir.PathText(), why);
    ASSERT_TRUE(run.has_value()) << why;
    TUndoRequest request;
    request.dataFolder = dir.PathText();
    const TUndoReport report = UndoRun(request, *run);
    EXPECT_EQ(report.undone, static_cast<int>(moved.size()));
    EXPECT_TRUE(Moved().empty());
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(Read("src/clip" + std::to_string(100 + i) + ".avi"), "movie " + std::to_string(i));
    EXPECT_EQ(RecordedNames(), std::set<std::string>{"old.avi"});
}

TEST_F(RunJournal, AnUnreadableHistoryKeepsTheJournalAndAPartialRecordIsDropped) {
    dir.WriteBytes(std::string(kRunJournalFileName),
                   *Utf8ToCp932("M\r\na.avi\r\n26/01/01 00:00:00\r\n  \r\na.avi\r\n\\d*\\s\r\n"
                                "M\r\nb.avi\r\n26/01/01 00:00:01\r\n  \r\n"));
    std::filesystem::create_directory(N("History.dat")); // cannot be read as a file
    int recovered = 0;
    EXPECT_FALSE(RecoverRunJournal(dir.PathText(), recovered).ok());
    EXPECT_TRUE(dir.Exists(std::string(kRunJournalFileName)));
    std::filesystem::remove(N("History.dat"));
    ASSERT_TRUE(RecoverRunJournal(dir.PathText(), recovered).ok());
    EXPECT_EQ(recovered, 1);
    EXPECT_EQ(RecordedNames(), (std::set<std::string>{"a.avi"}));
}

} // namespace
} // namespace sv
