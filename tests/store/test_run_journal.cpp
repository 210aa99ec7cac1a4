// SPDX-License-Identifier: GPL-3.0-or-later
// A run killed part-way leaves the records of what it moved, and the next start keeps them: once,
// wherever the run or the start itself died, and only from the part of the journal that reads.
#include "../engine/run_fixture.h"
#include "engine/run.h"
#include "engine/undo_last_run.h"
#include "journal_check.h"
#include "platform/cp932.h"
#include "store/history_file.h"
#include "store/last_run.h"
#include "store/run_journal.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace sv {
namespace {

namespace fs = std::filesystem;
using testing::HistoryRecords;
using testing::Sjis;

constexpr std::string_view kOld = "26/01/01 00:00:00\r\n  \r\nold.avi\r\n\\d*\\s\r\n";

class RunJournal : public testing::RunFixture {
protected:
    std::set<std::string> Moved() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(N("dst")))
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
    TJournalRecovery Recover(std::string_view folder = {}) {
        TJournalRecovery result;
        EXPECT_TRUE(RecoverRunJournal(folder.empty() ? dir.PathText() : folder, result).ok());
        return result;
    }
    std::size_t RecordsIn(std::string_view folder) const {
        return testing::HistoryRecords(Read(std::string(folder) + "/History.dat")).size();
    }
    std::string Journal() const { return std::string(kRunJournalFileName); }
    std::string LastRunFile() const { return std::string(kLastRunFileName); }
    // A record block of a file moved from src to dst.
    std::string Record(std::string_view name, std::string_view time = "26/02/03 04:05:06") const {
        return RunRecordBlock(TRunItem(TRunItemKind::Moved, std::string(name)),
                              {std::string(time), "  ", std::string(name), P("dst") + "*" + P("src")});
    }
};

TEST_F(RunJournal, AKilledRunsMovesAreRecordedAtTheNextStart) {
    for (int i = 0; i < 40; ++i)
        Write("src/clip" + std::to_string(100 + i) + ".avi", "movie " + std::to_string(i));
    Folder("dst");
    // Records already in History.dat stay behind the recovered ones.
    dir.WriteBytes("History.dat", std::string(kOld));
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
    EXPECT_TRUE(dir.Exists(Journal()));

    const TJournalRecovery recovery = Recover();
    EXPECT_EQ(recovery.recovered, static_cast<int>(moved.size()));
    EXPECT_EQ(recovery.found, 0);
    EXPECT_FALSE(dir.Exists(Journal()));
    std::set<std::string> expected = moved;
    expected.insert("old.avi");
    EXPECT_EQ(RecordedNames(), expected);
    const std::string bytes = dir.ReadBytes("History.dat");
    EXPECT_GT(bytes.find("old.avi"), bytes.find("clip"));
    // Nothing is left to recover twice.
    EXPECT_EQ(Recover().recovered, 0);

    // The dead run can be taken back as a whole: every file is in the source folder again.
    const auto run = ReadLastRun(dir.PathText());
    ASSERT_TRUE(run.ok()) << static_cast<int>(run.reason());
    TUndoRequest request(Disk());
    request.dataFolder = dir.PathText();
    const TUndoReport report = UndoRun(request, *run);
    EXPECT_EQ(report.undone, static_cast<int>(moved.size()));
    EXPECT_TRUE(Moved().empty());
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(Read("src/clip" + std::to_string(100 + i) + ".avi"), "movie " + std::to_string(i));
    EXPECT_EQ(RecordedNames(), std::set<std::string>{"old.avi"});
}

TEST_F(RunJournal, AnUnreadableHistoryKeepsTheJournalAndABlockCutShortIsDropped) {
    dir.WriteBytes(Journal(), Record("a.avi") + "M\r\nb.avi\r\n26/01/01 00:00:01\r\n  \r\n");
    fs::create_directory(N("History.dat")); // cannot be read as a file
    TJournalRecovery result;
    const Status failed = RecoverRunJournal(dir.PathText(), result);
    EXPECT_FALSE(failed.ok());
    EXPECT_TRUE(dir.Exists(Journal()));
    const auto notice = JournalRecoveryNotice(failed, result);
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(notice->icon, MbIcon::Error);
    fs::remove(N("History.dat"));
    result = Recover();
    EXPECT_EQ(result.recovered, 1);
    // A write cut short is what a dead run leaves; it is not damage.
    EXPECT_FALSE(result.keptAside.Needed());
    EXPECT_FALSE(dir.Exists(Journal() + ".bak"));
    EXPECT_EQ(RecordedNames(), (std::set<std::string>{"a.avi"}));
}

TEST_F(RunJournal, BlocksKeepStampsStayedEntriesAndIntentsAndOldBlocksStillRead) {
    TRunItem file(TRunItemKind::Moved, "a\nb&#x41;.avi");
    file.stamp = ItemStamp{{7, 9}, false, 53, -1234567890123};
    file.stayedBehind = {"arrived-during-copy.txt", "sub/\u00e9 \u3042.txt"};
    TRunItem folder(TRunItemKind::Copied, "show abc 01");
    folder.stamp = ItemStamp{{1, 2}, true, 0, 0};
    const std::array<std::string, 4> record = {"26/01/02 03:04:05", "\u3000Ｆ", "show abc 01", "\\d*\\s"};
    TRunIntent intent;
    intent.action = TIntentAction::Move;
    intent.time = "26/01/02 03:04:05";
    intent.mark = 3;
    intent.extMark = 5;
    intent.sourceFolder = "\\s";
    intent.sourceName = "clip\u00e9.avi";
    intent.destFolder = "\\d\\";
    intent.destName = "clip\u00e9[1].avi";
    intent.extName = "clip\u00e9[1].mpg";
    intent.extTaken = true;
    intent.replaced = ItemStamp{{3, 4}, false, 5, 6};
    TRunIntent deletion = intent;
    deletion.action = TIntentAction::Delete;
    deletion.extTaken = false;
    deletion.replaced.reset();
    const std::string old = "M\r\nold.avi\r\n26/01/01 00:00:00\r\n  \r\nold.avi\r\n\\d*\\s\r\n";
    const std::string bytes = std::string(kRunStartBlock) + RunRecordBlock(file, record) +
                              IntentBlock(intent) + RunRecordBlock(folder, record) + old +
                              std::string(kRunStartBlock) + IntentBlock(deletion) +
                              std::string(kNotDoneBlock) + IntentBlock(intent);

    const TRunBlocks blocks = ParseRunBlocks(bytes);
    EXPECT_TRUE(blocks.whole);
    EXPECT_TRUE(blocks.damage.empty());
    ASSERT_EQ(blocks.items.size(), 3u);
    EXPECT_EQ(blocks.items[0].originalName, file.originalName);
    EXPECT_EQ(blocks.items[0].stamp, file.stamp);
    EXPECT_EQ(blocks.items[0].stayedBehind, file.stayedBehind);
    EXPECT_EQ(blocks.items[1].stamp, folder.stamp);
    EXPECT_EQ(blocks.items[1].kind, TRunItemKind::Copied);
    EXPECT_FALSE(blocks.items[2].stamp.has_value());
    EXPECT_TRUE(blocks.items[2].stayedBehind.empty());
    EXPECT_EQ(RunRecordBlockBytes(blocks.items[0], blocks.records[0]), RunRecordBlock(file, record));
    EXPECT_EQ(blocks.runStarts, (std::vector<std::size_t>{0, 3}));
    // The first intent was completed by its record, the deletion by "N"; the last one is open.
    ASSERT_EQ(blocks.openIntents.size(), 1u);
    EXPECT_EQ(blocks.openIntents[0].run, 1u);
    EXPECT_EQ(blocks.openIntents[0].recordsBefore, 3u);
    EXPECT_EQ(IntentBlock(blocks.openIntents[0].intent), IntentBlock(intent));
    EXPECT_EQ(blocks.openIntents[0].intent.sourceName, intent.sourceName);

    // The last-run file takes what the journal's record blocks hold.
    TPendingHistory pending;
    pending.lines = {record.begin(), record.end()};
    pending.items = {file};
    ASSERT_TRUE(WriteLastRun(dir.PathText(), pending).ok());
    dir.WriteBytes("History.dat",
                   Sjis(record[0] + "\r\n" + record[1] + "\r\n" + record[2] + "\r\n" + record[3] + "\r\n"));
    const auto run = ReadLastRun(dir.PathText());
    ASSERT_TRUE(run.ok()) << static_cast<int>(run.reason());
    EXPECT_EQ(run->items[0].stayedBehind, file.stayedBehind);
    EXPECT_EQ(run->items[0].stamp, file.stamp);
}

// Damage from other tools or a bad disk: nothing from the damage on reaches History.dat, the
// journal is kept aside once, and the start says so.
TEST_F(RunJournal, DamagedJournalsAreNotCopiedButKeptAsideOnceAndTold) {
    const std::string good = Record("a.avi");
    const std::string after = Record("c.avi");
    const std::map<std::string, std::string> damaged = {
        {"lone LF", "M\r\nb.avi\r\n26/01/01 00:00:01\n  \r\nb.avi\r\n\\d*\\s\r\n"},
        {"empty line", "M\r\nb.avi\r\n\r\n26/01/01 00:00:01\r\n  \r\nb.avi\r\n\\d*\\s\r\n"},
        {"shifted lines", "M\r\nb.avi\r\nb.avi\r\n26/01/01 00:00:01\r\n  \r\n\\d*\\s\r\n"},
        {"no mark", "M\r\nb.avi\r\n26/01/01 00:00:01\r\nb.avi\r\nb.avi\r\n\\d*\\s\r\n"},
        {"no location", "M\r\nb.avi\r\n26/01/01 00:00:01\r\n  \r\nb.avi\r\n\\d\r\n"},
        {"unknown block", "Q\r\n"},
        {"bad intent", "I M\r\n26/01/01 00:00:01\r\n9 9\r\n\\s\r\nb\r\n\\d\r\nb\r\nb\r\n"},
    };
    for (const auto& [what, bad] : damaged) {
        SCOPED_TRACE(what);
        const std::string folder = P(what);
        Folder(what);
        const std::string journal = what + "/" + Journal();
        const std::string bytes = good + bad + after;
        dir.WriteBytes(journal, bytes);
        dir.WriteBytes(what + "/History.dat", std::string(kOld));

        TJournalRecovery result = Recover(folder);
        EXPECT_EQ(result.recovered, 1);
        EXPECT_EQ(dir.ReadBytes(what + "/History.dat"), Sjis("26/02/03 04:05:06\r\n  \r\na.avi\r\n") +
                                                            P("dst") + "*" + P("src") + "\r\n" +
                                                            std::string(kOld));
        EXPECT_EQ(dir.ReadBytes(journal + ".bak"), bytes);
        EXPECT_FALSE(dir.Exists(journal));
        const auto notice = JournalRecoveryNotice({}, result);
        ASSERT_TRUE(notice.has_value());
        EXPECT_EQ(notice->title, "Sorvanta");
        EXPECT_EQ(notice->icon, MbIcon::Warning);
        EXPECT_NE(notice->text.find("1 件の振り分け履歴を追加しました"), std::string::npos) << notice->text;
        EXPECT_NE(notice->text.find(ToNativePath(P(what + "/" + Journal() + ".bak"))), std::string::npos)
            << notice->text;

        // The same damaged journal again (a start killed before removing it): kept and told once,
        // and what it added is not added twice.
        dir.WriteBytes(journal, bytes);
        result = Recover(folder);
        EXPECT_EQ(result.recovered, 0);
        EXPECT_FALSE(result.keptAside.Needed());
        EXPECT_FALSE(dir.Exists(journal + ".bak1"));
        EXPECT_FALSE(JournalRecoveryNotice({}, result).has_value());
        EXPECT_EQ(RecordsIn(what), 2u);
    }
}

// A journal still holding a dead run (its recovery failed at the start) stays behind a run that
// ends well: the dead run's records are not thrown away with the new run's, and a block it never
// finished does not swallow the new run's first lines.
TEST_F(RunJournal, ARunThatEndsWellLeavesTheRecordsOfADeadRunInTheJournal) {
    const std::string dead = std::string(kRunStartBlock) + Record("a.avi");
    dir.WriteBytes(Journal(), dead + "M\r\nb.av");
    TRunJournal journal;
    ASSERT_TRUE(journal.Open(dir.PathText()).ok());
    journal.Append(Record("c.avi"));
    journal.Flush();
    const TRunBlocks both = ParseRunBlocks(Read(Journal()));
    EXPECT_TRUE(both.whole);
    EXPECT_EQ(both.records.size(), 2u);
    EXPECT_EQ(both.runStarts, (std::vector<std::size_t>{0, 1}));
    journal.Discard();
    EXPECT_EQ(Read(Journal()), dead);

    // Without a dead run the journal goes.
    fs::remove(N(Journal()));
    ASSERT_TRUE(journal.Open(dir.PathText()).ok());
    journal.Append(Record("c.avi"));
    journal.Discard();
    EXPECT_FALSE(Has(Journal()));
}

// Every moment the save (History.dat, then the last-run file, then the journal removed) or the
// recovery (History.dat, then the last-run file, then the journal removed) can be killed at leaves
// files from which the next start makes the same History.dat, each record once.
TEST_F(RunJournal, EveryKillPointOfTheSaveAndOfTheRecoveryLeavesEachRecordOnce) {
    for (int i = 0; i < 6; ++i)
        Write("src/clip" + std::to_string(i) + ".avi", "movie " + std::to_string(i));
    Folder("dst");
    dir.WriteBytes("History.dat", std::string(kOld));
    Add(Fields("clip", "dst"));
    TRunJournal journal;
    ASSERT_TRUE(journal.Open(dir.PathText()).ok());
    history.journal = &journal;
    Run();
    journal.Flush();
    const std::string journaled = Read(Journal());
    history.journal = nullptr;

    // The whole save, for what each kill point must come to.
    ASSERT_TRUE(PrependRunHistory(dir.PathText(), history).ok());
    ASSERT_TRUE(WriteLastRun(dir.PathText(), history).ok());
    const std::string saved = Read("History.dat");
    ASSERT_EQ(HistoryRecords(saved).size(), 7u);

    const std::vector<std::function<void()>> saveSteps = {
        [&] { ASSERT_TRUE(PrependRunHistory(dir.PathText(), history).ok()); },
        [&] { ASSERT_TRUE(WriteLastRun(dir.PathText(), history).ok()); },
        [&] { fs::remove(N(Journal())); },
    };
    for (std::size_t stop = 0; stop <= saveSteps.size(); ++stop) {
        SCOPED_TRACE("save killed after step " + std::to_string(stop));
        dir.WriteBytes("History.dat", std::string(kOld));
        dir.WriteBytes(Journal(), journaled);
        fs::remove(N(LastRunFile()));
        for (std::size_t step = 0; step < stop; ++step)
            saveSteps[step]();
        EXPECT_EQ(Recover().recovered, stop == 0 ? 6 : 0);
        EXPECT_EQ(Read("History.dat"), saved);
        EXPECT_FALSE(Has(Journal()));
        const auto run = ReadLastRun(dir.PathText());
        ASSERT_TRUE(run.ok()) << static_cast<int>(run.reason());
        EXPECT_EQ(run->entries.size(), 6u);
    }

    // A transfer the run never finished: the recovery makes that record itself, and is killed in
    // its turn after each of its steps.
    Write("dst/late.avi", "late");
    TRunIntent intent;
    intent.action = TIntentAction::Rename;
    intent.time = "26/02/03 04:05:07";
    intent.sourceFolder = P("src");
    intent.sourceName = intent.destName = intent.extName = "late.avi";
    intent.destFolder = P("dst") + "\\";
    const std::string unfinished = journaled + IntentBlock(intent);
    auto start = [&] {
        dir.WriteBytes("History.dat", std::string(kOld));
        dir.WriteBytes(Journal(), unfinished);
        fs::remove(N(LastRunFile()));
    };
    start();
    ASSERT_EQ(Recover().recovered, 7);
    const std::string recovered = Read("History.dat");
    const std::string lastRun = Read(LastRunFile());
    ASSERT_EQ(HistoryRecords(recovered).size(), 8u);
    EXPECT_NE(recovered.find("late.avi"), std::string::npos);
    const std::vector<std::function<void()>> recoverySteps = {
        [&] { dir.WriteBytes("History.dat", recovered); },
        [&] { dir.WriteBytes(LastRunFile(), lastRun); },
        [&] { fs::remove(N(Journal())); },
    };
    for (std::size_t stop = 0; stop <= recoverySteps.size(); ++stop) {
        SCOPED_TRACE("recovery killed after step " + std::to_string(stop));
        start();
        for (std::size_t step = 0; step < stop; ++step)
            recoverySteps[step]();
        EXPECT_EQ(Recover().recovered, stop == 0 ? 7 : 0);
        EXPECT_EQ(Read("History.dat"), recovered);
        EXPECT_EQ(Read(LastRunFile()), lastRun);
        EXPECT_FALSE(Has(Journal()));
    }
}

// A journal can hold two dead runs (the first one's recovery failed); the second one's save was
// killed after it replaced History.dat: only the first run's records are missing.
TEST_F(RunJournal, OfTwoDeadRunsOnlyTheRecordsNotYetInTheHistoryAreAdded) {
    const std::string second = Record("c.avi", "26/02/04 00:00:00");
    dir.WriteBytes(Journal(), std::string(kRunStartBlock) + Record("a.avi") + Record("b.avi") +
                                  std::string(kRunStartBlock) + second);
    const std::string secondLines = second.substr(second.find("\r\n", second.find("\r\n") + 2) + 2);
    dir.WriteBytes("History.dat", secondLines + std::string(kOld));
    EXPECT_EQ(Recover().recovered, 2);
    const auto records = HistoryRecords(Read("History.dat"));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].EntryName, "a.avi");
    EXPECT_EQ(records[1].EntryName, "b.avi");
    EXPECT_EQ(records[2].EntryName, "c.avi");
    EXPECT_EQ(records[3].EntryName, "old.avi");
    const auto run = ReadLastRun(dir.PathText());
    ASSERT_TRUE(run.ok()) << static_cast<int>(run.reason());
    EXPECT_EQ(run->entries.size(), 3u);
}

// Where the item of each unfinished transfer is now decides what is recorded.
TEST_F(RunJournal, AnUnfinishedTransferIsRecordedWhereItsItemNowIs) {
    Folder("dst");
    std::string bytes(kRunStartBlock);
    auto intent = [&](TIntentAction action, std::string_view name, std::string_view ext = {}) {
        TRunIntent i;
        i.action = action;
        i.time = "26/03/04 05:06:07";
        i.sourceFolder = P("src");
        i.sourceName = name;
        i.destFolder = P("dst") + "\\";
        i.destName = name;
        i.extName = ext.empty() ? std::string(name) : std::string(ext);
        i.extMark = ext.empty() ? 0 : kMarkExtChanged;
        return i;
    };
    auto add = [&](const TRunIntent& i) { bytes += IntentBlock(i); };
    // 1. Renamed into place: recorded there.
    Write("dst/renamed.avi", "1");
    add(intent(TIntentAction::Rename, "renamed.avi"));
    // 2. Still in the source: it stayed.
    Write("src/stayed.avi", "2");
    add(intent(TIntentAction::Rename, "stayed.avi"));
    // 3. Across file systems, killed after the copy was in place: both, same size and time.
    Write("src/both.bin", "3 both");
    Write("dst/both.bin", "3 both");
    Stamp("src/both.bin", 1'600'000'000);
    Stamp("dst/both.bin", 1'600'000'000);
    add(intent(TIntentAction::Move, "both.bin"));
    // 4. Both places, but what is at the destination is another file: it stayed.
    Write("src/other.bin", "4");
    Write("dst/other.bin", "4 but longer");
    add(intent(TIntentAction::Move, "other.bin"));
    // 5. Moved and renamed by an extension rule.
    Write("dst/clip.mpg", "5");
    add(intent(TIntentAction::Move, "clip.avi", "clip.mpg"));
    // 6. The extension's name was taken before: what is there is not the item, which is nowhere.
    Write("dst/taken.mpg", "6");
    TRunIntent taken = intent(TIntentAction::Rename, "taken.avi", "taken.mpg");
    taken.extTaken = true;
    add(taken);
    // 7. A duplicate deleted: recorded as deleted.
    TRunIntent deleted = intent(TIntentAction::Delete, "dup.avi");
    deleted.destFolder = "削除";
    deleted.mark = deleted.extMark = kMarkDeleted;
    add(deleted);
    // 8. A deletion that did not happen.
    Write("src/kept.avi", "8");
    TRunIntent kept = deleted;
    kept.sourceName = kept.destName = kept.extName = "kept.avi";
    add(kept);
    // 9. A copy in place.
    Write("src/copied.txt", "9");
    Write("dst/copied.txt", "9");
    add(intent(TIntentAction::Copy, "copied.txt"));
    // 10. A move that replaces: the entry it would replace is still there, the item in the source.
    Write("src/doubt.exe", "10 new");
    Write("dst/doubt.exe", "10 old");
    TRunIntent replacing = intent(TIntentAction::Move, "doubt.exe");
    replacing.replaced = ItemStampOf(P("dst/doubt.exe"));
    add(replacing);
    // 11. Nowhere at all.
    add(intent(TIntentAction::Rename, "gone.avi"));
    dir.WriteBytes(Journal(), bytes);
    dir.WriteBytes("History.dat", std::string(kOld));

    const TJournalRecovery result = Recover();
    EXPECT_EQ(result.recovered, 5);
    EXPECT_EQ(result.found, 5);
    EXPECT_EQ(result.stayed, 4);
    EXPECT_EQ(result.missing, 2);
    const auto records = HistoryRecords(Read("History.dat"));
    ASSERT_EQ(records.size(), 6u);
    const std::vector<std::string> names = {"renamed.avi", "both.bin", "clip.mpg", "dup.avi", "copied.txt"};
    const std::vector<int> marks = {kMarkPlain, kMarkPlain, kMarkExtChanged, kMarkDeleted, kMarkPlain};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(records[i].EntryName, names[i]);
        EXPECT_EQ(records[i].EntryMark, ActionMark(marks[i]));
        EXPECT_EQ(records[i].EntryTime, "26/03/04 05:06:07");
        EXPECT_EQ(records[i].EntrySource, P("src"));
    }
    EXPECT_EQ(records[3].EntryDest, "削除");
    EXPECT_EQ(records[0].EntryDest, P("dst"));
    const auto run = ReadLastRun(dir.PathText());
    ASSERT_TRUE(run.ok()) << static_cast<int>(run.reason());
    const std::vector<TRunItemKind> kinds = {TRunItemKind::Moved, TRunItemKind::Copied, TRunItemKind::Moved,
                                             TRunItemKind::Deleted, TRunItemKind::Copied};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        EXPECT_EQ(run->items[i].kind, kinds[i]);
        EXPECT_EQ(run->items[i].stamp.has_value(), kinds[i] != TRunItemKind::Deleted);
    }
    EXPECT_EQ(run->items[2].originalName, "clip.avi");
    const auto notice = JournalRecoveryNotice({}, result);
    ASSERT_TRUE(notice.has_value());
    EXPECT_NE(notice->text.find("5 件の振り分け履歴を追加しました。（うち 5 件は"), std::string::npos)
        << notice->text;
    EXPECT_NE(notice->text.find("4 個の項目は、振り分け元フォルダにそのまま残っています"), std::string::npos);
    EXPECT_NE(notice->text.find("2 個の項目は、振り分け元にも振り分け先にも見つかりませんでした"),
              std::string::npos);

    // Recovering the same journal again adds nothing.
    const std::string history = Read("History.dat");
    dir.WriteBytes(Journal(), bytes);
    EXPECT_EQ(Recover().recovered, 0);
    EXPECT_EQ(Read("History.dat"), history);
}

} // namespace
} // namespace sv
