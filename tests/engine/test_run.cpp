// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/pathtext.h"
#include "run_fixture.h"
#include "store/history_file.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace sv {
namespace {

using Strings = std::vector<std::string>;
using testing::Sjis;

class SortRun : public testing::RunFixture {};

TEST_F(SortRun, MovesGoToTheFirstMatchWhileCopiesStayForLaterConditions) {
    Write("src/clip.avi", "movie");
    Write("src/note.txt");
    auto copy = Fields("clip", "copied");
    copy.copyMode = true;
    Add(copy);
    Add(Fields("avi", "first"));
    Add(Fields("clip", "second"));
    const TRunOutcome outcome = Run();

    EXPECT_EQ(Read("copied/clip.avi"), "movie");
    EXPECT_EQ(Read("first/clip.avi"), "movie");
    EXPECT_FALSE(Has("second/clip.avi"));
    EXPECT_FALSE(Has("src/clip.avi"));
    EXPECT_TRUE(Has("src/note.txt"));
    EXPECT_EQ(Rows(), (Strings{"clip.avi|  |copied", "clip.avi|  |first"}));
    EXPECT_EQ(outcome.processed, 2);
    EXPECT_EQ(shared.completionCount, 2);
    EXPECT_FALSE(shared.runInProgress);
    EXPECT_EQ(ui.finished, 1);
    EXPECT_EQ(ui.captions.back(), "Sorvanta 振り分け完了 - 全ての条件");
    EXPECT_EQ(ui.status, "振り分け処理が完了しました。");
    EXPECT_EQ(ui.countLabel, "処理ファイル（フォルダ）： 2 個");
    EXPECT_EQ(history.recorded, 2);
}

TEST_F(SortRun, KeywordsCombineByAndOrAndExclusion) {
    for (const char* name : {"foo bar.txt", "foo baz bar.txt", "foo.txt", "other.txt"})
        Write(std::string("src/") + name);
    Add(Fields("foo bar /baz", "and"));
    auto any = Fields("foo bar", "or");
    any.keywordOr = true;
    Add(any);
    Run();
    EXPECT_TRUE(Has("and/foo bar.txt"));
    EXPECT_TRUE(Has("or/foo baz bar.txt"));
    EXPECT_TRUE(Has("or/foo.txt"));
    EXPECT_TRUE(Has("src/other.txt"));
}

TEST_F(SortRun, ExecAllMakesOnePassPerSourceFolderAndOwnFoldersJoinEveryPass) {
    settings.ExecAll = true;
    sourceItems = {P("a"), P("b"), P("c")};
    for (const char* f : {"a/1.avi", "b/2.avi", "c/3.avi", "own/x.mpg"})
        Write(f);
    Add(Fields("avi", "dst"));
    auto own = Fields("mpg", "dst");
    own.ownSource = true;
    own.sourceFolder = P("own");
    Add(own);
    // Put the own folder's file back whenever it has gone, to see it taken in every pass.
    ui.onEvents = [&](int) {
        if (!Has("own/x.mpg"))
            Write("own/x.mpg");
    };
    Run();
    for (const char* f : {"dst/1.avi", "dst/2.avi", "dst/3.avi", "dst/x.mpg", "dst/x[1].mpg", "dst/x[2].mpg"})
        EXPECT_TRUE(Has(f)) << f;
    EXPECT_FALSE(Has("dst/x[3].mpg"));
}

TEST_F(SortRun, OwnSourceSearchesSubfoldersDepthFirstButTheMainFolderDoesNot) {
    for (const char* f :
         {"own/a.avi", "own/sub/b.avi", "own/.hid/c.avi", "own/sub/.d.avi", "src/e.avi", "src/sub/f.avi"})
        Write(f);
    auto own = Fields("avi", "dst");
    own.ownSource = true;
    own.sourceFolder = P("own") + "\\\\";
    own.subFolders = true;
    Add(own);
    auto main = Fields("avi", "main");
    main.subFolders = true;
    Add(main);
    Run();
    EXPECT_TRUE(Has("dst/a.avi"));
    EXPECT_TRUE(Has("dst/b.avi"));
    EXPECT_TRUE(Has("dst/c.avi"));      // hidden folders are searched
    EXPECT_TRUE(Has("own/sub/.d.avi")); // hidden files are never sorted
    EXPECT_TRUE(Has("main/e.avi"));
    EXPECT_TRUE(Has("src/sub/f.avi"));
    const auto search = std::find(ui.captions.begin(), ui.captions.end(),
                                  "サブフォルダ検索中 - " + ToNativePath(P("own/sub")));
    ASSERT_NE(search, ui.captions.end());
    // The caption before the search comes back afterwards.
    auto after = search;
    while (after != ui.captions.end() && after->starts_with("サブフォルダ検索中"))
        ++after;
    ASSERT_NE(after, ui.captions.end());
    EXPECT_EQ(*after, "振り分け実行中 - 全ての条件");
}

TEST_F(SortRun, IncompleteNgKeywordsAndKindsAreLeftAlone) {
    settings.NgKeyword = "bad　worse";
    for (const char* f : {"src/abc_INCOMPLETE.avi", "src/a bad.avi", "src/ok.avi"})
        Write(f);
    Folder("src/dir.avi");
    Add(Fields("avi", "dst"));
    Run();
    EXPECT_EQ(Rows(), (Strings{"ok.avi|  |dst"}));

    auto folders = Fields("avi", "folders");
    folders.onlyFolders = true;
    list.Clear();
    Add(folders);
    Write("src/again.avi");
    Run();
    EXPECT_EQ(Rows(), (Strings{"dir.avi|\u3000Ｆ|folders"}));
    EXPECT_TRUE(Has("src/again.avi"));
}

TEST_F(SortRun, SuspiciousFilesStayGoToTheSuspiciousFolderOrCountAsOrdinary) {
    Write("src/movie.avi.exe");
    Add(Fields("movie", "dst"));
    Run();
    EXPECT_TRUE(Has("src/movie.avi.exe"));
    EXPECT_TRUE(ui.rows.empty());

    // To the suspicious folder: always a move, an existing file there is replaced.
    settings.NotClass = false;
    settings.DoubtFolder = P("doubt");
    settings.MakeFolder = false;
    Write("src/movie.avi.exe", "new");
    Write("doubt/movie.avi.exe", "old");
    list.Clear();
    auto copy = Fields("movie", "dst");
    copy.copyMode = true;
    Add(copy);
    Run();
    EXPECT_EQ(Read("doubt/movie.avi.exe"), "new");
    EXPECT_FALSE(Has("src/movie.avi.exe"));
    EXPECT_EQ(Rows(), (Strings{"movie.avi.exe|  |doubt"}));
    // A folder of that name there is never replaced.
    Write("src/movie.avi.exe", "newer");
    std::filesystem::remove(N("doubt/movie.avi.exe"));
    Write("doubt/movie.avi.exe/keep");
    Run();
    EXPECT_TRUE(Has("doubt/movie.avi.exe/keep"));
    EXPECT_TRUE(Has("src/movie.avi.exe"));
    EXPECT_TRUE(ui.rows.empty());
    std::filesystem::remove(N("src/movie.avi.exe"));

    // A missing suspicious folder: No blocks it for the rest of the pass, asked once.
    settings.DoubtFolder = P("doubt2");
    Write("src/a.exe");
    Write("src/b.exe");
    list.Clear();
    Add(Fields("exe", "dst"));
    box.QueueAnswer(MbAnswer::No);
    Run();
    ASSERT_EQ(box.Shown().size(), 1u);
    EXPECT_EQ(box.Shown()[0].text, "怪しいファイルの振り分け先 [" + ToNativePath(P("doubt2")) +
                                       "] が存在しません。フォルダを作成して振り分け処理を実行しますか？");
    EXPECT_TRUE(Has("src/a.exe"));
    EXPECT_TRUE(Has("src/b.exe"));

    // Without a suspicious folder they are ordinary files, NG keywords and size limits aside.
    settings.DoubtFolder.clear();
    settings.NgKeyword = "a";
    list.Clear();
    Add(Fields("exe", "plain"));
    Run();
    EXPECT_TRUE(Has("plain/a.exe"));
    EXPECT_TRUE(Has("plain/b.exe"));
}

TEST_F(SortRun, SizeLimitsHoldAtTheirEdgesAndBeyondTwoGigabytes) {
    auto limited = Fields("bin", "dst");
    limited.size1 = {true, "10", SizeUnit::Bytes, SizeRelation::AtLeast}; // 10 bytes or more are not sorted
    Add(limited);
    Write("src/9.bin", std::string(9, 'x'));
    Write("src/10.bin", std::string(10, 'x'));
    Write("src/11.bin", std::string(11, 'x'));
    Run();
    EXPECT_TRUE(Has("dst/9.bin"));
    EXPECT_TRUE(Has("src/10.bin"));
    EXPECT_TRUE(Has("src/11.bin"));

    // 2048 MB or more, and 9999 MB or less: both need more than 32 bits.
    list.Clear();
    auto big = Fields("big", "big");
    big.size1 = {true, "2048", SizeUnit::MegaBytes, SizeRelation::AtLeast};
    big.size2 = {true, "1", SizeUnit::KiloBytes, SizeRelation::Exactly}; // exactly 1 KB
    Add(big);
    auto huge = Fields("huge", "huge");
    huge.size2 = {true, "9999", SizeUnit::MegaBytes, SizeRelation::AtMost};
    Add(huge);
    Sparse("src/big_below.bin", (2048ull << 20) - 1);
    Sparse("src/big_edge.bin", 2048ull << 20);
    Sparse("src/big_kb.bin", 1024);
    Sparse("src/huge.bin", 5ull << 30);
    Sparse("src/huge_over.bin", (9999ull << 20) + 1);
    Run();
    EXPECT_TRUE(Has("big/big_below.bin"));
    EXPECT_TRUE(Has("src/big_edge.bin"));
    EXPECT_TRUE(Has("src/big_kb.bin"));
    EXPECT_TRUE(Has("src/huge.bin"));
    EXPECT_TRUE(Has("huge/huge_over.bin"));
}

TEST_F(SortRun, ConditionSelectionByModeAndTicks) {
    Write("src/a.avi");
    Write("src/b.avi");
    auto first = Fields("a.avi", "one");
    Add(first);
    auto second = Fields("b.avi", "two");
    second.settingName = "映画";
    Add(second);

    Run(RunMode::SelectedCondition, -1);
    EXPECT_TRUE(ui.rows.empty());
    EXPECT_EQ(ui.captions.back(), "Sorvanta 振り分け完了 - キーワード []");

    Run(RunMode::SelectedCondition, 1);
    EXPECT_EQ(Rows(), (Strings{"b.avi|  |two"}));
    EXPECT_NE(std::find(ui.captions.begin(), ui.captions.end(), "振り分け実行中 - 設定名 [映画]"),
              ui.captions.end());
    EXPECT_EQ(ui.captions.back(), "Sorvanta 振り分け完了 - 設定名 [映画]");

    settings.ExecChkBox = true;
    checks = {false};
    Write("src/b.avi");
    ui.rows.clear();
    Run();
    EXPECT_TRUE(ui.rows.empty());
    EXPECT_TRUE(Has("src/a.avi"));
}

TEST_F(SortRun, CancelEndsTheRunAtTheNextEntry) {
    for (const char* f : {"src/1.avi", "src/2.avi", "src/3.avi"})
        Write(f);
    Add(Fields("avi", "dst"));
    ui.onEvents = [&](int call) {
        if (call == 2)
            ui.PressCancel();
    };
    const TRunOutcome outcome = Run();
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(ui.rows.size(), 1u);
    EXPECT_EQ(shared.completionCount, 0); // a cancelled run does not count
    EXPECT_EQ(ui.finished, 0);
    EXPECT_FALSE(shared.runInProgress);
    EXPECT_EQ(ui.captions.back(), "Sorvanta 振り分け完了 - 全ての条件");
}

TEST_F(SortRun, ASecondActivationDuringARunPerformsOnlyTheClosingSteps) {
    Write("src/1.avi");
    Write("src/2.avi");
    Add(Fields("avi", "dst"));
    TRunOutcome inner;
    ui.onEvents = [&](int call) {
        if (call == 1)
            inner = Run();
    };
    Run();
    EXPECT_TRUE(inner.repeated);
    EXPECT_EQ(inner.processed, 0);
    EXPECT_EQ(ui.rows.size(), 2u);
    EXPECT_EQ(ui.begun, 1);
    EXPECT_FALSE(shared.runInProgress);
}

TEST_F(SortRun, SkipsWhatCannotOrMustNotBeSorted) {
    // A name with a backslash stays; a name code page 932 cannot hold is sorted exactly.
    Write("src/a\\b.avi");
    Write("src/café.avi");
    Add(Fields("avi", "dst"));
    // A file that vanishes between enumeration and transfer is passed over quietly.
    Write("src/gone.avi");
    ui.onEvents = [&](int) { std::filesystem::remove(N("src/gone.avi")); };
    Run();
    EXPECT_TRUE(Has("src/a\\b.avi"));
    EXPECT_TRUE(Has("dst/café.avi"));
    EXPECT_EQ(Rows(), (Strings{"café.avi|  |dst"}));
    EXPECT_TRUE(box.Shown().empty());

    ASSERT_TRUE(PrependRunHistory(dir.PathText(), history).ok());
    const std::string bytes = Read("History.dat");
    EXPECT_NE(bytes.find("\r\ncaf&#xE9;.avi\r\n"), std::string::npos);
}

TEST_F(SortRun, FilesInUseAndReadOnlyFilesFollowTheirOptions) {
    Write("src/busy.avi");
    Write("src/locked.avi");
    ::chmod(N("src/locked.avi").c_str(), 0444);
    Add(Fields("avi", "dst"));
    settings.FileUsing = true;
    std::ofstream writer(N("src/busy.avi"), std::ios::app);
    box.QueueAnswer(MbAnswer::No);
    Run();
    EXPECT_TRUE(Has("src/busy.avi"));
    EXPECT_TRUE(Has("src/locked.avi"));
    ASSERT_EQ(box.Shown().size(), 1u);
    EXPECT_EQ(box.Shown()[0].title, "Sorvanta");
    EXPECT_EQ(box.Shown()[0].buttons, MbButtons::YesNo);

    settings.FileUsing = false;
    settings.ReadOnly = true; // no question
    Run();
    EXPECT_TRUE(Has("dst/busy.avi"));
    EXPECT_TRUE(Has("dst/locked.avi"));
    EXPECT_EQ(box.Shown().size(), 1u);
}

// While the folders are watched, what the watch holds back (a file the kernel's notices show being
// written by any user, a download still arriving) is passed over, also on its way to the
// suspicious-file folder, and also where files in use are sorted: that option is about what the
// kernel can tell, not about what the watch knows is still arriving.
TEST_F(SortRun, WhatTheWatchHoldsBackIsPassedOverWhateverFileUsingSays) {
    Write("src/writing.avi");
    Write("src/done.avi");
    Write("src/setup.exe");
    Write("src/tool.exe");
    settings.NotClass = false;
    settings.DoubtFolder = P("doubt");
    Add(Fields("avi", "dst"));
    Add(Fields("exe", "dst"));
    settings.FileUsing = true;
    std::vector<std::string> asked;
    heldBack = [&](std::string_view path) {
        asked.emplace_back(path);
        return path == P("src/writing.avi") || path == P("src/setup.exe");
    };
    Run();
    EXPECT_TRUE(Has("src/writing.avi"));
    EXPECT_TRUE(Has("src/setup.exe"));
    EXPECT_TRUE(Has("dst/done.avi"));
    EXPECT_TRUE(Has("doubt/tool.exe"));
    EXPECT_EQ(Rows(), (Strings{"done.avi|  |dst", "tool.exe|  |doubt"}));
    EXPECT_TRUE(box.Shown().empty());
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked,
              (Strings{P("src/done.avi"), P("src/setup.exe"), P("src/tool.exe"), P("src/writing.avi")}));

    asked.clear();
    settings.FileUsing = false;
    Run();
    EXPECT_TRUE(Has("src/writing.avi"));
    EXPECT_TRUE(Has("src/setup.exe"));
    EXPECT_EQ(asked, (Strings{P("src/writing.avi"), P("src/setup.exe")}));

    // Let go, they are sorted.
    heldBack = {};
    Run();
    EXPECT_TRUE(Has("dst/writing.avi"));
    EXPECT_TRUE(Has("doubt/setup.exe"));
}

// A file passed over as in use is named to the watch, which looks at it again later; a file the
// watch itself held back is not named again.
TEST_F(SortRun, FilesPassedOverAsInUseAreNamedToTheWatch) {
    Write("src/held.avi");
    Write("src/free.avi");
    Add(Fields("avi", "dst"));
    settings.FileUsing = true;
    const int fd = ::open(N("src/open.avi").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    heldBack = [&](std::string_view path) { return path == P("src/held.avi"); };
    std::vector<std::string> named;
    passedOverInUse = [&](std::string_view path) { named.emplace_back(path); };
    Run();
    ::close(fd);
    EXPECT_EQ(named, Strings{P("src/open.avi")});
    EXPECT_TRUE(Has("dst/free.avi"));
    EXPECT_TRUE(Has("src/open.avi"));
    EXPECT_TRUE(Has("src/held.avi"));
}

// A test run plans what the run after it does: from the window that run is answered with the
// default buttons (Enter), from the command line nobody answers and "/a" leaves files alone.
TEST_F(SortRun, ATestRunAnswersAsTheRunItPlansFor) {
    settings.MakeFolder = false;
    Write("src/a.avi");
    Add(Fields("avi", "dst/new"));
    preview = true;
    Run();
    EXPECT_EQ(Rows(), Strings{"a.avi|  |dst/new"});
    ASSERT_EQ(ui.notes.size(), 1U);
    EXPECT_NE(ui.notes[0].find("→ [はい] として続けます。"), std::string::npos) << ui.notes[0];

    ui.rows.clear();
    ui.notes.clear();
    previewUnattended = true;
    Run();
    EXPECT_TRUE(Rows().empty());
    ASSERT_EQ(ui.notes.size(), 1U);
    EXPECT_NE(ui.notes[0].find("→ [いいえ] として続けます。"), std::string::npos) << ui.notes[0];
    EXPECT_TRUE(box.Shown().empty());
    EXPECT_TRUE(Has("src/a.avi"));
    EXPECT_FALSE(Has("dst"));

    // The run nobody answers does what that plan said: nothing.
    ui.rows.clear();
    ui.notes.clear();
    preview = false;
    box.QueueAnswer(MbAnswer::No);
    Run();
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(Has("src/a.avi"));
    EXPECT_TRUE(box.AllAnswersUsed());
}

TEST_F(SortRun, DuplicateCompareWithoutTheDigestLibraryIsReported) {
    settings.FileComp = true;
    Write("src/a.avi", "data");
    Add(Fields("avi", "dst"));
    const TRunOutcome outcome = Run();
    EXPECT_TRUE(outcome.md5Missing);
    EXPECT_TRUE(Has("dst/a.avi"));
    EXPECT_EQ(ui.status, "振り分け処理が完了しました。適切な md5.dll が見つからなかったため、"
                         "コンペア処理は実行できませんでした...");
}

TEST_F(SortRun, HistoryLinesOfARunArePrependedByteForByte) {
    ScopedFixedClock clock({2009, 1, 23, 7, 5, 9});
    Write("History.dat", "old\r\n\r\nrecord\r\n");
    Write("src/曲.mp3");
    Write("src/b.mp3", "new");
    Write("dst/b.mp3", "existing");
    settings.SameName1 = SameNameRule::Rename;
    auto quiet = Fields("quiet", "quiet");
    quiet.historyOff = true;
    Add(quiet);
    Add(Fields("mp3", "dst\\"));
    Write("src/quiet.mp3");
    Run();
    // The condition without history still shows its row.
    ASSERT_EQ(ui.rows.size(), 3u);
    ASSERT_EQ(Rows()[0], "quiet.mp3|  |quiet");
    ui.rows.erase(ui.rows.begin());
    ASSERT_TRUE(PrependRunHistory(dir.PathText(), history).ok());
    const std::string dst = P("dst");
    const std::string src = P("src");
    std::string expected;
    for (const TReportEntry& row : ui.rows)
        expected +=
            Sjis("09/01/23 07:05:09\r\n" + row.mark + "\r\n" + row.name + "\r\n" + dst + "*" + src + "\r\n");
    expected += "old\r\nrecord\r\n";
    EXPECT_EQ(Read("History.dat"), expected);
    EXPECT_NE(expected.find(Sjis("\u3000変\r\nb[1].mp3\r\n")), std::string::npos);
}

} // namespace
} // namespace sv
