// SPDX-License-Identifier: GPL-3.0-or-later
// Taking the last run back restores the source folders exactly and never replaces anything.
#include "../store/journal_check.h"
#include "engine/undo_last_run.h"
#include "platform/cp932.h"
#include "run_fixture.h"
#include "store/history_file.h"
#include "store/last_run.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace sv {
namespace {

namespace fs = std::filesystem;

class UndoLastRunTest : public testing::RunFixture {
protected:
    // Every item below the temporary folder except the data files: relative name -> bytes, or
    // "<folder>".
    std::map<std::string, std::string> Tree() const {
        std::map<std::string, std::string> tree;
        const fs::path top(N(""));
        for (const auto& entry : fs::recursive_directory_iterator(top)) {
            const std::string rel = fs::relative(entry.path(), top).string();
            if (rel.starts_with("History.dat"))
                continue;
            if (entry.is_directory()) {
                tree[rel] = "<folder>";
            } else {
                std::ifstream in(entry.path(), std::ios::binary);
                tree[rel] = std::string(std::istreambuf_iterator<char>(in), {});
            }
        }
        return tree;
    }
    // What the run window does on OK.
    void SaveRun() {
        ASSERT_TRUE(PrependRunHistory(dir.PathText(), history).ok());
        ASSERT_TRUE(WriteLastRun(dir.PathText(), history).ok());
        history.Clear();
    }
    TUndoRequest Request() const {
        TUndoRequest request(Disk());
        request.dataFolder = dir.PathText();
        request.mainSource = P("src");
        return request;
    }
    TLastRun LastRun() const {
        const auto run = ReadLastRun(dir.PathText());
        EXPECT_TRUE(run.ok()) << (run.ok() ? "" : LastRunGapText(run.reason()));
        return run.ok() ? run.value() : TLastRun{};
    }
    static constexpr std::string_view kOldRecord = "26/01/01 00:00:00\r\n  \r\nold.avi\r\n\\d*\\s\r\n";
};

TEST_F(UndoLastRunTest, MovesCopiesARenameAndNewFoldersAreTakenBackExactly) {
    Write("src/movie.avi", "movie bytes");
    Write("src/song.mp3", "song bytes");
    Write("src/notes.txt", "new notes");
    Write("src/photo.jpg", "photo bytes");
    Write("src/box.zip", "zip bytes");
    Folder("src/album");
    Write("src/album/inside.png", "png");
    Write("dst/notes.txt", "old notes, longer"); // a name clash: renamed to notes[1].txt
    Folder("copies");
    Folder("dated");
    dir.WriteBytes("History.dat", std::string(kOldRecord));
    settings.MakeFolder = true;
    Add(Fields("avi", "dst"));
    TConditionFields copy = Fields("mp3", "copies");
    copy.copyMode = true;
    Add(copy);
    Add(Fields("txt", "dst"));
    TConditionFields dated = Fields("jpg", "dated");
    dated.timestampFolder = true;
    Add(dated);
    Add(Fields("zip", "made/for/zip")); // three folders the run creates
    TConditionFields folders = Fields("album", "dst");
    folders.includeFolders = true;
    Add(folders);
    const auto before = Tree();

    Run();
    ASSERT_EQ(Rows().size(), 6u);
    ASSERT_TRUE(Has("dst/notes[1].txt"));
    ASSERT_TRUE(Has("copies/song.mp3"));
    ASSERT_TRUE(Has("made/for/zip/box.zip"));
    ASSERT_NE(Tree(), before);
    SaveRun();

    box.QueueAnswer(MbAnswer::Yes);
    box.QueueAnswer(MbAnswer::Ok);
    EXPECT_TRUE(UndoLastRun(Request(), box));
    EXPECT_EQ(Tree(), before);
    ASSERT_EQ(box.Shown().size(), 2u);
    EXPECT_EQ(box.Shown()[0].title, "Sorvanta - 元に戻す");
    EXPECT_EQ(box.Shown()[1].text, "6 個の項目を元に戻しました。");
    // Only the records of what was taken back went; the run cannot be taken back twice.
    EXPECT_EQ(Read("History.dat"), kOldRecord);
    EXPECT_FALSE(Has(std::string(kLastRunFileName)));
    EXPECT_FALSE(UndoLastRun(Request(), box));
    EXPECT_EQ(box.Shown().back().text, "元に戻せる振り分けの記録がありません。");
}

TEST_F(UndoLastRunTest, WhatChangedSinceTheRunIsReportedAndNeverReplaced) {
    Write("src/a.avi", "a");
    Write("src/b.avi", "b");
    Write("src/c.avi", "c");
    Write("src/d.mp3", "d");
    Write("src/e.mp3", "e");
    Add(Fields("avi", "dst"));
    TConditionFields copy = Fields("mp3", "copies");
    copy.copyMode = true;
    Add(copy);
    Folder("dst");
    Folder("copies");
    Run();
    SaveRun();
    fs::remove(N("dst/a.avi"));           // gone since
    Write("src/b.avi", "another b");      // its place taken
    Write("copies/d.mp3", "edited copy"); // a changed copy
    fs::remove(N("src/e.mp3"));           // the original of a copy gone

    const TUndoReport report = UndoRun(Request(), LastRun());
    EXPECT_EQ(report.undone, 1); // c.avi
    EXPECT_EQ(report.notUndone.size(), 4u);
    EXPECT_EQ(Read("src/c.avi"), "c");
    EXPECT_EQ(Read("src/b.avi"), "another b");
    EXPECT_EQ(Read("dst/b.avi"), "b");
    EXPECT_EQ(Read("copies/d.mp3"), "edited copy");
    EXPECT_EQ(Read("copies/e.mp3"), "e");
    const std::string all = [&] {
        std::string text;
        for (const std::string& line : report.notUndone)
            text += line + "\n";
        return text;
    }();
    EXPECT_NE(all.find("a.avi] がありません。"), std::string::npos) << all;
    EXPECT_NE(all.find("b.avi] が既にあるため"), std::string::npos) << all;
    EXPECT_NE(all.find("内容が異なるため"), std::string::npos) << all;
    EXPECT_NE(all.find("元のファイル"), std::string::npos) << all;
    // The records of what stayed are kept; the one taken back is not.
    THistoryList list;
    (void)LoadHistory(dir.PathText(), list, 1000000000);
    EXPECT_EQ(list.Size(), 4u);
    for (const THistoryEntry& entry : list.entries)
        EXPECT_NE(entry.EntryName, "c.avi");
    EXPECT_EQ(UndoReportMessage(report).icon, MbIcon::Warning);
}

TEST_F(UndoLastRunTest, AHistoryChangedAtTheTopOrADeletedDuplicateIsNotTakenBack) {
    Write("src/a.avi", "a");
    Add(Fields("avi", "dst"));
    Folder("dst");
    Run();
    SaveRun();
    // Another record in front: the run's records no longer stand at the top.
    const std::string bytes = Read("History.dat");
    dir.WriteBytes("History.dat", std::string(kOldRecord) + bytes);
    const auto gone = ReadLastRun(dir.PathText());
    ASSERT_FALSE(gone.ok());
    EXPECT_NE(LastRunGapText(gone.reason()).find("元に戻せません"), std::string::npos);
    box.QueueAnswer(MbAnswer::Ok);
    EXPECT_FALSE(UndoLastRun(Request(), box));
    EXPECT_TRUE(Has("dst/a.avi"));
    EXPECT_EQ(Read("History.dat"), std::string(kOldRecord) + bytes);

    // A deleted item is listed, its record stays.
    TPendingHistory deleted;
    RecordHistory(deleted, "削除", "x.avi", P("src"), kMarkDeleted, false, settings,
                  {TRunItemKind::Deleted, "x.avi"});
    ASSERT_TRUE(PrependRunHistory(dir.PathText(), deleted).ok());
    ASSERT_TRUE(WriteLastRun(dir.PathText(), deleted).ok());
    const TUndoReport report = UndoRun(Request(), LastRun());
    EXPECT_EQ(report.undone, 0);
    ASSERT_EQ(report.notUndone.size(), 1u);
    EXPECT_NE(report.notUndone[0].find("削除されたため"), std::string::npos);
    THistoryList list;
    (void)LoadHistory(dir.PathText(), list, 1000000000);
    EXPECT_EQ(list.Size(), 3u);
}

// The user replaced the sorted file with another of the same name: taking the run back must not
// move that one into the source folder. A last-run file from before stamps were kept still works.
TEST_F(UndoLastRunTest, AFileReplacedSinceTheRunIsNotTakenBackAndNamed) {
    Write("src/abc move3.bin", "12345");
    Write("src/same size.bin", "67890");
    Write("src/untouched.bin", "kept as sorted");
    Add(Fields("bin", "dst"));
    Folder("dst");
    Run();
    SaveRun();
    const std::string history = Read("History.dat");
    const std::string lastRun = Read(std::string(kLastRunFileName));
    // Rewritten in place: another size and time.
    Write("dst/abc move3.bin", std::string(53, 'n'));
    // Replaced by another file of the same size and the same time: only its identity tells.
    struct stat sorted {};
    ASSERT_EQ(::stat(N("dst/same size.bin").c_str(), &sorted), 0);
    Write("dst/other.bin", "09876");
    const struct timespec times[2] = {sorted.st_mtim, sorted.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, N("dst/other.bin").c_str(), times, 0), 0);
    fs::rename(N("dst/other.bin"), N("dst/same size.bin"));

    const TUndoReport report = UndoRun(Request(), LastRun());
    EXPECT_EQ(report.undone, 1);
    ASSERT_EQ(report.notUndone.size(), 2u);
    std::string all;
    for (const std::string& line : report.notUndone)
        all += line + "\n";
    EXPECT_NE(
        all.find("[" + N("dst/abc move3.bin") + "] は振り分けたあとに変更されたため、戻しませんでした。"),
        std::string::npos)
        << all;
    EXPECT_NE(all.find("[" + N("dst/same size.bin") + "] は振り分けたあとに変更されたため"),
              std::string::npos)
        << all;
    EXPECT_EQ(Read("dst/abc move3.bin"), std::string(53, 'n'));
    EXPECT_EQ(Read("dst/same size.bin"), "09876");
    EXPECT_FALSE(Has("src/abc move3.bin"));
    EXPECT_FALSE(Has("src/same size.bin"));
    EXPECT_EQ(Read("src/untouched.bin"), "kept as sorted");
    // The records of what stayed are kept.
    EXPECT_EQ(testing::HistoryRecords(Read("History.dat")).size(), 2u);

    // Written before stamps were kept: read, and nothing is checked.
    Write("dst/abc move3.bin", "12345 changed");
    fs::remove(N("src/untouched.bin"));
    Write("dst/untouched.bin", "kept as sorted");
    dir.WriteBytes("History.dat", history);
    std::string old = lastRun;
    for (std::size_t at; (at = old.find(" i=")) != std::string::npos;)
        old.erase(at, old.find("\r\n", at) - at);
    dir.WriteBytes(std::string(kLastRunFileName), old);
    const TLastRun unstamped = LastRun();
    ASSERT_EQ(unstamped.items.size(), 3u);
    EXPECT_FALSE(unstamped.items[0].stamp.has_value());
    const TUndoReport unchecked = UndoRun(Request(), unstamped);
    EXPECT_EQ(unchecked.undone, 3);
    EXPECT_EQ(Read("src/abc move3.bin"), "12345 changed");
}

} // namespace
} // namespace sv
