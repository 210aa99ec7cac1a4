// SPDX-License-Identifier: GPL-3.0-or-later
// Sorting on arrival without a window: which folders are watched, what counts as a change, a
// download in progress, and the countdown on a clock the test sets.
#include "app/watch_logic.h"
#include "engine/watch_folders.h"
#include "foreign_writer.h"
#include "store/condition.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

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
        TRunRequest request{.conditions = list, .settings = settings, .extRules = settings.ExtRules};
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
}

TEST(WatchFolders, SignatureDownloadsAndWritesInProgress) {
    sv::testing::TempFolder dir;
    const std::vector<std::string> folders{dir.PathText() + "in", dir.PathText() + "missing"};
    std::filesystem::create_directories(dir.NativeFile("in"));
    const std::string empty = FolderSignature(folders);
    dir.WriteBytes("in/a.jpg", "1");
    const std::string one = FolderSignature(folders);
    EXPECT_NE(one, empty);
    EXPECT_EQ(FolderSignature(folders), one);
    dir.WriteBytes("in/a.jpg", "12"); // grows: no entry changes, the signature does
    EXPECT_NE(FolderSignature(folders), one);

    EXPECT_FALSE(DownloadInProgress(folders));
    dir.WriteBytes("in/b.mp4.part", "");
    EXPECT_TRUE(DownloadInProgress(folders));
    std::filesystem::remove(dir.NativeFile("in/b.mp4.part"));

    EXPECT_FALSE(WriteInProgress(folders, 600));
    const int fd = ::open(dir.NativeFile("in/c.jpg").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(WriteInProgress(folders, 600));
    ::close(fd);
    EXPECT_FALSE(WriteInProgress(folders, 600));
}

// A writer of another user, seen from a third: only the quiet time tells that it is being written.
TEST(WatchFolders, AFileAnUnseenWriterChangedLatelyIsAWriteInProgress) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs processes under other users";
    sv::testing::TempFolder dir;
    ::chmod(dir.Native().c_str(), 0755);
    std::filesystem::create_directories(dir.NativeFile("in"));
    ::chmod(dir.NativeFile("in").c_str(), 0777);
    dir.WriteBytes("in/quiet.jpg", "x");
    const std::vector<std::string> folders{dir.PathText() + "in"};
    sv::testing::ForeignWriter writer(dir.NativeFile("in/download.mp4"), sv::testing::kForeignUid);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write());
    const auto look = [&folders] {
        return std::string(WriteInProgress(folders, 600) ? "W" : "-") +
               (WriteInProgress(folders, 0) ? "W" : "-");
    };
    EXPECT_EQ(sv::testing::AsOtherUser(sv::testing::kOtherUid, look), "W-");
    // Root sees the writer itself, quiet time or not; once it closed, nothing is in progress.
    EXPECT_EQ(look(), "WW");
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(look(), "--");
}

TEST(WatchDebounce, AFileClosedAfterWritingIsNewThoughTheFoldersLookAsBefore) {
    TWatchDebounce watch;
    watch.SetWaitSeconds(10);
    // A run passed over a file being written; the folders as the run left them hold it.
    watch.Start("with the download");
    watch.MarkFinished(); // nothing pending yet: it waits for its countdown
    EXPECT_FALSE(watch.Pending());
    watch.Touched(0);
    bool writing = true;
    EXPECT_EQ(watch.Expired(10 * kSecond, "with the download", [&] { return writing; }),
              WatchStep::WaitAgain);
    writing = false; // closed
    EXPECT_EQ(watch.Expired(20 * kSecond, "with the download", [&] { return writing; }), WatchStep::Run);
    // Once run, the same folders are not new again.
    watch.Touched(30 * kSecond);
    EXPECT_EQ(watch.Expired(40 * kSecond, "with the download", [] { return false; }), WatchStep::Nothing);
    // Nor after a new start.
    watch.MarkFinished();
    watch.Start("with the download");
    watch.Touched(50 * kSecond);
    EXPECT_EQ(watch.Expired(60 * kSecond, "with the download", [] { return false; }), WatchStep::Nothing);
}

TEST(WatchDebounce, OneRunAfterTheFoldersWereQuietForTheWait) {
    TWatchDebounce watch;
    watch.SetWaitSeconds(10);
    EXPECT_EQ(watch.WaitMs(), 10 * kSecond);
    watch.Changed(0, "x"); // not watching: nothing
    EXPECT_FALSE(watch.Pending());
    watch.Start("empty");
    EXPECT_TRUE(watch.Active());
    EXPECT_FALSE(watch.Pending());

    const auto idle = [] { return false; };
    watch.Changed(100 * kSecond, "a");
    EXPECT_EQ(*watch.Remaining(100 * kSecond), 10 * kSecond);
    EXPECT_EQ(watch.Expired(109 * kSecond, "a", idle), WatchStep::Nothing); // not yet due
    EXPECT_TRUE(watch.Pending());
    // A second file before the wait ran out restarts the countdown: one run for both.
    watch.Changed(105 * kSecond, "ab");
    EXPECT_FALSE(watch.Due(114 * kSecond));
    EXPECT_EQ(watch.Expired(115 * kSecond, "ab", idle), WatchStep::Run);
    EXPECT_FALSE(watch.Pending());
}

TEST(WatchDebounce, AGrowingFileOrOneStillWrittenWaitsAgain) {
    TWatchDebounce watch;
    watch.SetWaitSeconds(10);
    watch.Start("empty");
    watch.Changed(0, "a:1");
    // Grown without a notice (a folder reports new names, not growth): the countdown restarts.
    EXPECT_EQ(watch.Expired(10 * kSecond, "a:2", [] { return false; }), WatchStep::WaitAgain);
    EXPECT_EQ(*watch.Remaining(10 * kSecond), 10 * kSecond);
    // Quiet, but still open for writing (or a browser's temporary name beside it).
    bool asked = false;
    EXPECT_EQ(watch.Expired(20 * kSecond, "a:2",
                            [&asked] {
                                asked = true;
                                return true;
                            }),
              WatchStep::WaitAgain);
    EXPECT_TRUE(asked);
    EXPECT_EQ(watch.Expired(30 * kSecond, "a:2", [] { return false; }), WatchStep::Run);
}

TEST(WatchDebounce, WhatWasThereWhenWatchingBeganOrARunEndedIsNotNew) {
    TWatchDebounce watch;
    watch.SetWaitSeconds(1);
    watch.Start("after the run");
    // The run's own moves arrive as a late notice: the folders look as the run left them.
    watch.Changed(0, "after the run");
    bool asked = false;
    EXPECT_EQ(watch.Expired(kSecond, "after the run",
                            [&asked] {
                                asked = true;
                                return false;
                            }),
              WatchStep::Nothing);
    EXPECT_FALSE(asked);
    EXPECT_FALSE(watch.Pending());
    watch.Stop();
    EXPECT_FALSE(watch.Active());
    EXPECT_EQ(watch.Expired(100 * kSecond, "new", [] { return false; }), WatchStep::Nothing);
}

TEST(WatchDebounce, ABurstOfNoticesLooksAtTheFoldersOnceASecond) {
    TWatchDebounce watch;
    watch.SetWaitSeconds(10);
    watch.Start("empty");
    EXPECT_TRUE(watch.NeedsSignature(0));
    watch.Changed(0, "a");
    EXPECT_FALSE(watch.NeedsSignature(999));
    watch.Touched(500); // "ab" arrived, not looked at
    EXPECT_EQ(*watch.Remaining(500), 10 * kSecond);
    EXPECT_TRUE(watch.NeedsSignature(1000));
    // The countdown ran out from the last notice; the folders differ from the last look, so it
    // waits once more rather than run on a look that missed the end of the burst.
    EXPECT_EQ(watch.Expired(10500, "ab", [] { return false; }), WatchStep::WaitAgain);
    EXPECT_EQ(watch.Expired(20500, "ab", [] { return false; }), WatchStep::Run);
    // A new start looks at once again.
    watch.Start("ab");
    EXPECT_TRUE(watch.NeedsSignature(20600));
}

TEST(WatchDebounce, TheWaitStaysWithinOneSecondAndAnHour) {
    TWatchDebounce watch;
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
