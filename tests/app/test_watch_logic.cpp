// SPDX-License-Identifier: GPL-3.0-or-later
// Sorting on arrival without a window: which folders are watched, a download in progress, and the
// state of every entry on a clock the test sets.
#include "app/watch_logic.h"
#include "engine/watch_folders.h"
#include "store/condition.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace sv;

namespace {

constexpr std::int64_t kSecond = 1000;

TSortCondition Condition(const std::string& keywords, const std::string& dest,
                         const std::string& ownSource = "", bool subFolders = false, bool checked = true) {
    TConditionFields fields;
    fields.keywords = keywords;
    fields.destFolder = dest;
    fields.ownSource = !ownSource.empty();
    fields.sourceFolder = ownSource;
    fields.subFolders = subFolders;
    fields.checked = checked;
    TSortCondition condition;
    EXPECT_TRUE(ComposeCondition(fields, condition).ok());
    return condition;
}

struct Folders final {
    Folders() {
        for (const char* f : {"main", "other", "own", "own/a", "own/a/b", "own/c", "history2"})
            std::filesystem::create_directories(dir.NativeFile(f));
    }
    std::string P(const std::string& rel) const { return dir.PathText() + rel; }
    std::vector<std::string> Watched(const TAppSettings& settings, std::vector<bool> checks = {}) const {
        TRunRequest request{
            .conditions = list, .settings = settings, .extRules = settings.ExtRules, .files = Disk()};
        request.listChecks = std::move(checks);
        request.sourceText = P("main");
        request.sourceItems = {P("main"), P("history2")};
        return WatchedSourceFolders(request);
    }
    sv::testing::TempFolder dir;
    TConditionList list;
};

} // namespace

TEST(WatchedFolders, TheMainFolderOnlyWhenAConditionUsesIt) {
    Folders f;
    TAppSettings settings;
    EXPECT_TRUE(f.Watched(settings).empty()); // no condition, nothing to watch
    f.list.Put(0, Condition("jpg", f.P("dst")));
    EXPECT_EQ(f.Watched(settings), (std::vector<std::string>{f.P("main")}));
    // With ExecAll every history entry is a pass of the run.
    settings.ExecAll = true;
    EXPECT_EQ(f.Watched(settings), (std::vector<std::string>{f.P("main"), f.P("history2")}));
}

TEST(WatchedFolders, OwnSourceFoldersWithTheirSubfoldersWhereSearched) {
    Folders f;
    TAppSettings settings;
    f.list.Put(0, Condition("jpg", f.P("dst"), f.P("own"), true));
    f.list.Put(1, Condition("mp3", f.P("dst"), f.P("other")));
    f.list.Put(2, Condition("txt", f.P("dst"), f.P("other"))); // the same folder again: once
    const std::vector<std::string> watched = f.Watched(settings);
    EXPECT_EQ(watched.size(), 5U);
    EXPECT_EQ(watched.front(), f.P("own"));
    for (const char* sub : {"own\\a", "own\\a\\b", "own\\c", "other"})
        EXPECT_NE(std::find(watched.begin(), watched.end(), f.P(sub)), watched.end()) << sub;
    // The main folder is not watched: no condition takes its files from there.
    EXPECT_EQ(std::find(watched.begin(), watched.end(), f.P("main")), watched.end());
    // Without the subfolder search only the folder itself.
    f.list.Put(0, Condition("jpg", f.P("dst"), f.P("own")));
    EXPECT_EQ(f.Watched(settings), (std::vector<std::string>{f.P("own"), f.P("other")}));
}

TEST(WatchedFolders, ConditionsTheRunPassesOverAddNothing) {
    Folders f;
    TAppSettings settings;
    f.list.Put(0, Condition("jpg", f.P("dst"), f.P("own")));
    f.list.Put(1, Condition("txt", f.P("dst")));
    EXPECT_EQ(f.Watched(settings), (std::vector<std::string>{f.P("main"), f.P("own")}));
    // With the list's check boxes the unticked ones are left out.
    settings.ExecChkBox = true;
    EXPECT_EQ(f.Watched(settings, {false, true}), (std::vector<std::string>{f.P("main")}));
    EXPECT_EQ(f.Watched(settings, {true, false}), (std::vector<std::string>{f.P("own")}));
    EXPECT_TRUE(f.Watched(settings, {false, false}).empty());
}

TEST(WatchNames, BrowserDownloadsStillArriving) {
    for (const char* name : {"movie.mp4.part", "a.crdownload", "b.download", "C.PART", "x.Crdownload"})
        EXPECT_TRUE(IsDownloadInProgressName(name)) << name;
    for (const char* name : {"part", ".part", "movie.mp4", "a.partial", "download", "a.downloaded"})
        EXPECT_FALSE(IsDownloadInProgressName(name)) << name;
    EXPECT_EQ(DownloadTargetName("movie.mp4.part"), "movie.mp4");
    EXPECT_EQ(DownloadTargetName("x.Crdownload"), "x");
    EXPECT_EQ(DownloadTargetName("movie.mp4"), "");
}

namespace {

const TArrivalWatch::Held kNothingHeld = [](const std::string&, bool) { return false; };

TArrivalWatch Watching(int seconds = 10) {
    TArrivalWatch watch;
    watch.SetWaitSeconds(seconds);
    watch.Start();
    return watch;
}

} // namespace

TEST(ArrivalWatch, OneRunOnceEverythingThatArrivedHasBeenQuietForTheWait) {
    TArrivalWatch watch;
    watch.SetWaitSeconds(10);
    EXPECT_EQ(watch.WaitMs(), 10 * kSecond);
    watch.Changed("\\in\\a", false, false, 0); // not watching: nothing
    EXPECT_FALSE(watch.Pending());
    watch.Start();
    EXPECT_FALSE(watch.Pending()); // what was there when watching began is not new

    watch.Changed("\\in\\a", false, false, 100 * kSecond);
    EXPECT_EQ(*watch.Remaining(100 * kSecond), 10 * kSecond);
    EXPECT_EQ(watch.Expired(109 * kSecond, kNothingHeld), WatchStep::Nothing); // not yet due
    // A second file before the wait ran out: one run for both, once both are quiet.
    watch.Changed("\\in\\b", false, false, 105 * kSecond);
    EXPECT_FALSE(watch.Due(114 * kSecond));
    EXPECT_EQ(watch.Expired(115 * kSecond, kNothingHeld), WatchStep::Run);
    watch.RunStarting(115 * kSecond, kNothingHeld);
    EXPECT_FALSE(watch.HeldFromRun("\\in\\a"));
    EXPECT_FALSE(watch.HeldFromRun("\\in\\b"));
    watch.RunEnded();
    EXPECT_FALSE(watch.Pending());
    EXPECT_EQ(watch.EntryCount(), 0U);
}

// A download written slowly and left open: its writes do not hold back what else arrives, and
// it is held (from the decision and from the run) until its close, which starts its own wait.
TEST(ArrivalWatch, AFileOpenForWritingWaitsForItsCloseAndHoldsNothingElseBack) {
    TArrivalWatch watch = Watching();
    std::set<std::string> open{"\\in\\big.mp4"};
    const TArrivalWatch::Held held = [&open](const std::string& path, bool) { return open.count(path) > 0; };
    watch.Changed("\\in\\big.mp4", false, true, 0);
    watch.Changed("\\in\\small.jpg", false, false, kSecond);
    for (std::int64_t t = 2; t <= 11; ++t)
        watch.Changed("\\in\\big.mp4", false, true, t * kSecond); // still being written
    EXPECT_TRUE(watch.Due(11 * kSecond));
    EXPECT_EQ(watch.Expired(11 * kSecond, held), WatchStep::Run);
    watch.RunStarting(11 * kSecond, held);
    EXPECT_TRUE(watch.HeldFromRun("\\in\\big.mp4"));
    EXPECT_FALSE(watch.HeldFromRun("\\in\\small.jpg"));
    watch.RunEnded();
    // Held: looked at again after each further wait, and still held while open.
    EXPECT_TRUE(watch.Pending());
    EXPECT_EQ(watch.Expired(12 * kSecond, held), WatchStep::WaitAgain);
    EXPECT_EQ(*watch.Remaining(12 * kSecond), 10 * kSecond);
    EXPECT_EQ(watch.Expired(22 * kSecond, held), WatchStep::WaitAgain);
    // Closed after writing: the wait counts from the close.
    open.clear();
    watch.Changed("\\in\\big.mp4", false, false, 25 * kSecond);
    EXPECT_EQ(*watch.Remaining(25 * kSecond), 10 * kSecond);
    EXPECT_EQ(watch.Expired(34 * kSecond, held), WatchStep::Nothing);
    EXPECT_EQ(watch.Expired(35 * kSecond, held), WatchStep::Run);
}

TEST(ArrivalWatch, WhatWentAwayIsForgottenWithEverythingBelowIt) {
    TArrivalWatch watch = Watching();
    watch.Changed("\\in\\a.jpg", false, false, 0);
    watch.Gone("\\in\\a.jpg", false); // the run's own move, or the user's
    EXPECT_FALSE(watch.Pending());
    watch.Changed("\\in\\album", true, false, 0);
    watch.Changed("\\in\\album\\1.jpg", false, false, 0);
    watch.Changed("\\in\\album\\2.jpg", false, false, 0);
    watch.Changed("\\in\\albums.txt", false, false, 0);
    watch.Gone("\\in\\album", true);
    EXPECT_EQ(watch.EntryCount(), 1U);
    EXPECT_TRUE(watch.HeldFromRun("\\in\\albums.txt"));
}

// Passed over as in use (another user's download whose writer cannot be seen): looked at again at
// the time given, or at once after its next notice; never taken as done in between.
TEST(ArrivalWatch, AnEntryPassedOverAsInUseKeepsTheWatchPendingUntilItIsSortedOrGone) {
    TArrivalWatch watch = Watching();
    watch.Changed("\\in\\a.mp4", false, false, 0);
    ASSERT_EQ(watch.Expired(10 * kSecond, kNothingHeld), WatchStep::Run);
    watch.RunStarting(10 * kSecond, kNothingHeld);
    watch.PassedOver("\\in\\a.mp4", 70 * kSecond);
    EXPECT_EQ(watch.Passes("\\in\\a.mp4"), 1);
    watch.RunEnded();
    EXPECT_TRUE(watch.Pending());
    EXPECT_EQ(*watch.Remaining(10 * kSecond), 60 * kSecond);
    EXPECT_FALSE(watch.HeldFromRun("\\in\\a.mp4")); // another run may try it
    EXPECT_EQ(watch.Expired(69 * kSecond, kNothingHeld), WatchStep::Nothing);
    EXPECT_EQ(watch.Expired(70 * kSecond, kNothingHeld), WatchStep::Run);
    watch.RunStarting(70 * kSecond, kNothingHeld);
    watch.PassedOver("\\in\\a.mp4", 200 * kSecond);
    EXPECT_EQ(watch.Passes("\\in\\a.mp4"), 2);
    watch.RunEnded();
    // Its close is a notice: the wait counts from it.
    watch.Changed("\\in\\a.mp4", false, false, 80 * kSecond);
    EXPECT_EQ(watch.Passes("\\in\\a.mp4"), 0);
    EXPECT_EQ(*watch.Remaining(80 * kSecond), 10 * kSecond);
    EXPECT_EQ(watch.Expired(90 * kSecond, kNothingHeld), WatchStep::Run);
    watch.RunStarting(90 * kSecond, kNothingHeld);
    watch.RunEnded(); // sorted this time
    EXPECT_FALSE(watch.Pending());
    // A file that was there before watching began, passed over by a periodic run: kept in mind.
    watch.PassedOver("\\in\\old.mp4", 150 * kSecond);
    EXPECT_TRUE(watch.Pending());
    watch.Gone("\\in\\old.mp4", false);
    EXPECT_FALSE(watch.Pending());
}

TEST(ArrivalWatch, WhatArrivesDuringARunWaitsForTheNext) {
    TArrivalWatch watch = Watching();
    watch.Changed("\\in\\a", false, false, 0);
    ASSERT_EQ(watch.Expired(10 * kSecond, kNothingHeld), WatchStep::Run);
    watch.RunStarting(10 * kSecond, kNothingHeld);
    watch.Changed("\\in\\b", false, false, 11 * kSecond);
    EXPECT_TRUE(watch.HeldFromRun("\\in\\b"));
    watch.RunEnded();
    EXPECT_TRUE(watch.Pending());
    EXPECT_EQ(watch.Expired(21 * kSecond, kNothingHeld), WatchStep::Run);
    // A periodic run takes only what is quiet.
    watch.Changed("\\in\\c", false, false, 30 * kSecond);
    watch.RunStarting(35 * kSecond, kNothingHeld);
    EXPECT_TRUE(watch.HeldFromRun("\\in\\c"));
    EXPECT_FALSE(watch.HeldFromRun("\\in\\b"));
}

TEST(ArrivalWatch, LostNoticesGiveOneRunOverEverythingOnceQuiet) {
    TArrivalWatch watch = Watching();
    watch.Lost(0);
    EXPECT_TRUE(watch.Pending());
    EXPECT_EQ(watch.Expired(5 * kSecond, kNothingHeld), WatchStep::Nothing);
    EXPECT_EQ(watch.Expired(10 * kSecond, kNothingHeld), WatchStep::Run);
    watch.RunStarting(10 * kSecond, kNothingHeld);
    watch.RunEnded();
    EXPECT_FALSE(watch.Pending());
    watch.Stop();
    watch.Lost(20 * kSecond);
    EXPECT_FALSE(watch.Pending());
}

TEST(ArrivalWatch, TheWaitStaysWithinOneSecondAndAnHour) {
    TArrivalWatch watch;
    watch.SetWaitSeconds(0);
    EXPECT_EQ(watch.WaitMs(), kSecond);
    watch.SetWaitSeconds(99999);
    EXPECT_EQ(watch.WaitMs(), 3600 * kSecond);
}

TEST(WatchTexts, UnwatchableFoldersAreNamed) {
    EXPECT_EQ(UnwatchableText({}, 10), "");
    EXPECT_EQ(UnwatchableText({"/home/u/dl"}, 10),
              "監視できないフォルダ：/home/u/dl（10分毎の定周期実行で振り分けます）");
    EXPECT_EQ(UnwatchableText({"/a", "/b", "/c"}, 5),
              "監視できないフォルダ：/a ほか 2 個（5分毎の定周期実行で振り分けます）");
}
