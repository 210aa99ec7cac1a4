// SPDX-License-Identifier: GPL-3.0-or-later
// The kernel's change notices as the watch reads them: real writers in forked processes, one of
// them under another user, on real folders.
#include "platform/write_notices.h"

#include "foreign_writer.h"
#include "platform/fileops_testing.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sv {
namespace {

using testing::ForeignWriter;
using testing::MakeFolders;
using testing::TempFolder;
using testing::Text;

using Names = std::vector<std::string>;

// Reads notices until `done` holds or a generous time has passed (notices are queued by the
// kernel as the writer's calls return, so they are there by the time the writer answers; the
// wait only guards against a slow machine).
template <typename Done> bool DrainUntil(WriteNotices& notices, std::int64_t now, Done done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (true) {
        const WriteNotices::Drained drained = notices.Drain(now);
        if (done(drained))
            return true;
        if (std::chrono::steady_clock::now() > until)
            return false;
        pollfd wait{notices.Descriptor(), POLLIN, 0};
        ::poll(&wait, 1, 100);
    }
}

// Collects what the notices name until there are at least `count` changes or a generous time has
// passed.
std::vector<WriteNotices::Change> Collect(WriteNotices& notices, std::size_t count) {
    std::vector<WriteNotices::Change> changes;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (changes.size() < count && std::chrono::steady_clock::now() < until) {
        notices.Drain(0, &changes);
        pollfd wait{notices.Descriptor(), POLLIN, 0};
        ::poll(&wait, 1, 100);
    }
    return changes;
}

struct Watched final {
    Watched() {
        ::chmod(dir.Native().c_str(), 0755);
        MakeFolders(dir, "in");
        MakeFolders(dir, "elsewhere");
        ::chmod(dir.NativeFile("in").c_str(), 0777);
        EXPECT_GE(notices.Descriptor(), 0);
        EXPECT_TRUE(notices.WatchOnly({Text(dir, "in")}).empty());
    }
    bool Open(std::string_view rel, std::int64_t now = 0) {
        return notices.IsOpenForWriting(Text(dir, rel), now);
    }

    TempFolder dir;
    WriteNotices notices;
};

// The same steps whoever writes: written and paused is open for writing, closed is not, and the
// close is reported so that the watch can count the file as complete.
void WriterStepsAreFollowed(uid_t uid) {
    Watched w;
    ForeignWriter writer(w.dir.NativeFile("in/movie.mp4"), uid);
    ASSERT_TRUE(writer.Open());
    // Made by the writer's open: open for writing before anything is written.
    ASSERT_TRUE(DrainUntil(w.notices, 0, [&](const auto&) { return w.Open("in/movie.mp4"); }));
    ASSERT_TRUE(writer.Write());
    w.notices.Drain(0);
    EXPECT_TRUE(w.Open("in/movie.mp4"));
    EXPECT_TRUE(w.notices.AnyOpenForWriting(0));
    EXPECT_EQ(w.notices.OpenNames(), Names{"movie.mp4"});
    // Paused in the middle for as long as anybody waits: still open.
    EXPECT_FALSE(w.notices.Drain(3600 * 1000).any);
    EXPECT_TRUE(w.Open("in/movie.mp4", 3600 * 1000));
    ASSERT_TRUE(writer.Write());
    ASSERT_TRUE(writer.Close());
    bool closed = false;
    ASSERT_TRUE(DrainUntil(w.notices, 0, [&](const WriteNotices::Drained& d) {
        closed = closed || d.closedAfterWriting;
        return closed && !w.Open("in/movie.mp4");
    }));
    EXPECT_FALSE(w.notices.AnyOpenForWriting(0));
    EXPECT_EQ(std::filesystem::file_size(w.dir.NativeFile("in/movie.mp4")), 2 * ForeignWriter::kChunk);
}

TEST(WriteNotices, AWriterOfThisUserIsFollowedFromWriteToClose) {
    WriterStepsAreFollowed(::getuid());
}

TEST(WriteNotices, AWriterOfAnotherUserIsFollowedToo) {
    if (::getuid() != 0)
        GTEST_SKIP() << testing::kNeedsRootForOtherUser;
    WriterStepsAreFollowed(testing::kForeignUid);
}

// What the watch is told: every entry that arrived, changed or went, once per run of notices,
// with whether it is open for writing afterwards. A second name for an existing file, a symbolic
// link and a folder are made without an open that is still to be closed.
TEST(WriteNotices, EveryEntryThatArrivesChangesOrGoesIsNamed) {
    Watched w;
    w.dir.WriteBytes("elsewhere/moved.jpg", "x");
    w.dir.WriteBytes("elsewhere/linked.jpg", "x");
    std::filesystem::rename(w.dir.NativeFile("elsewhere/moved.jpg"), w.dir.NativeFile("in/moved.jpg"));
    ASSERT_EQ(
        ::link(w.dir.NativeFile("elsewhere/linked.jpg").c_str(), w.dir.NativeFile("in/linked.jpg").c_str()),
        0);
    std::filesystem::create_symlink("moved.jpg", w.dir.NativeFile("in/symlink.jpg"));
    MakeFolders(w.dir, "in/album");
    const int fd = ::open(w.dir.NativeFile("in/new.bin").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "12", 2), 2);
    ::chmod(w.dir.NativeFile("in/moved.jpg").c_str(), 0600);
    w.dir.WriteBytes("in/back\\slash.jpg", "x");
    std::filesystem::remove(w.dir.NativeFile("in/linked.jpg"));

    std::vector<WriteNotices::Change> changes = Collect(w.notices, 7);
    std::vector<std::string> seen;
    for (const WriteNotices::Change& c : changes) {
        ASSERT_EQ(c.path.rfind(Text(w.dir, "in/"), 0), 0U) << c.path;
        seen.push_back(c.path.substr(Text(w.dir, "in/").size()) + (c.folder ? "/" : "") +
                       (c.gone ? " gone" : "") + (c.open ? " open" : ""));
    }
    EXPECT_EQ(seen, (Names{"moved.jpg", "linked.jpg", "symlink.jpg", "album/", "new.bin open", "moved.jpg",
                           "linked.jpg gone"}));
    ::close(fd);
    changes = Collect(w.notices, 1);
    ASSERT_EQ(changes.size(), 1U);
    EXPECT_FALSE(changes[0].open);
    EXPECT_FALSE(changes[0].gone);
    EXPECT_FALSE(w.notices.AnyOpenForWriting(0));

    // A watched folder that goes is said.
    std::filesystem::remove_all(w.dir.NativeFile("in"));
    bool gone = false;
    ASSERT_TRUE(DrainUntil(w.notices, 0, [&](const WriteNotices::Drained& d) {
        gone = gone || d.folderGone;
        return gone;
    }));
    EXPECT_TRUE(w.notices.Folders().empty());
}

TEST(WriteNotices, ReadingOnlyOrAnotherFolderIsNotWriting) {
    Watched w;
    w.dir.WriteBytes("in/old.jpg", "picture");
    w.dir.WriteBytes("elsewhere/busy.jpg", "");
    w.notices.Drain(0); // the test's own writes above are closed
    EXPECT_FALSE(w.Open("in/old.jpg"));
    std::ifstream reader(w.dir.NativeFile("in/old.jpg"));
    std::string text;
    reader >> text;
    std::ofstream outside(w.dir.NativeFile("elsewhere/busy.jpg"));
    outside << "x" << std::flush;
    w.notices.Drain(0);
    EXPECT_FALSE(w.Open("in/old.jpg"));
    EXPECT_FALSE(w.Open("elsewhere/busy.jpg"));
    EXPECT_FALSE(w.notices.AnyOpenForWriting(0));
    EXPECT_FALSE(w.notices.IsOpenForWriting("relative", 0));
}

TEST(WriteNotices, AnOpenFileFollowsItsRenameAndIsForgottenWhenItGoes) {
    Watched w;
    std::ofstream part(w.dir.NativeFile("in/a.part"));
    part << "first" << std::flush;
    ASSERT_TRUE(DrainUntil(w.notices, 0, [&](const auto&) { return w.Open("in/a.part"); }));
    // Renamed while still open: the new name is being written, the old one is gone.
    std::filesystem::rename(w.dir.NativeFile("in/a.part"), w.dir.NativeFile("in/a.bin"));
    w.notices.Drain(0);
    EXPECT_TRUE(w.Open("in/a.bin"));
    EXPECT_FALSE(w.Open("in/a.part"));
    // The same folder under another spelling answers the same.
    std::filesystem::create_directory_symlink(w.dir.NativeFile("in"), w.dir.NativeFile("link"));
    EXPECT_TRUE(w.notices.IsOpenForWriting(Text(w.dir, "link/a.bin"), 0));
    EXPECT_TRUE(w.notices.IsOpenForWriting(Text(w.dir, "in/./a.bin"), 0));

    // Moved out of the watched folders, or deleted while open: forgotten, whatever it does next.
    std::filesystem::rename(w.dir.NativeFile("in/a.bin"), w.dir.NativeFile("elsewhere/a.bin"));
    std::ofstream second(w.dir.NativeFile("in/b.bin"));
    second << "x" << std::flush;
    w.notices.Drain(0);
    EXPECT_FALSE(w.Open("in/a.bin"));
    EXPECT_TRUE(w.Open("in/b.bin"));
    std::filesystem::remove(w.dir.NativeFile("in/b.bin"));
    second << "more" << std::flush;
    w.notices.Drain(0);
    EXPECT_FALSE(w.Open("in/b.bin"));
    EXPECT_FALSE(w.notices.AnyOpenForWriting(0));
    // A file of that name written afresh is new.
    std::ofstream third(w.dir.NativeFile("in/b.bin"));
    third << "y" << std::flush;
    w.notices.Drain(0);
    EXPECT_TRUE(w.Open("in/b.bin"));
}

TEST(WriteNotices, FoldersThatStayKeepWhatIsKnownOthersAreForgotten) {
    Watched w;
    MakeFolders(w.dir, "second");
    ASSERT_TRUE(w.notices.WatchOnly({Text(w.dir, "in"), Text(w.dir, "second")}).empty());
    std::ofstream a(w.dir.NativeFile("in/a.bin"));
    std::ofstream b(w.dir.NativeFile("second/b.bin"));
    a << "a" << std::flush;
    b << "b" << std::flush;
    w.notices.Drain(0);
    EXPECT_TRUE(w.Open("in/a.bin"));
    EXPECT_TRUE(w.Open("second/b.bin"));
    // Watching anew after a run: the folder that stays keeps its writer in mind.
    EXPECT_EQ(w.notices.WatchOnly({Text(w.dir, "in"), Text(w.dir, "missing")}),
              Names{Text(w.dir, "missing")});
    EXPECT_TRUE(w.Open("in/a.bin"));
    EXPECT_FALSE(w.Open("second/b.bin"));
    b << "more" << std::flush;
    w.notices.Drain(0);
    EXPECT_FALSE(w.Open("second/b.bin"));
    w.notices.Clear();
    EXPECT_FALSE(w.Open("in/a.bin"));
    a << "more" << std::flush;
    EXPECT_FALSE(w.notices.Drain(0).any);
}

// More notices than the kernel queues: what was lost is not taken as quiet. Two files written in
// turn make notices that the kernel cannot merge.
TEST(WriteNotices, LostNoticesMakeEveryEntryUncertainUntilItWasQuiet) {
    Watched w;
    w.notices.SetQuietMs(10000);
    long queued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    if (queued > 1000000)
        GTEST_SKIP() << "the kernel queues too many notices to overflow here";
    w.dir.WriteBytes("in/untouched.jpg", "x");
    const int a = ::open(w.dir.NativeFile("in/a.bin").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const int b = ::open(w.dir.NativeFile("in/b.bin").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    for (long i = 0; i < queued / 2 + 100; ++i) {
        ASSERT_EQ(::write(a, "a", 1), 1);
        ASSERT_EQ(::write(b, "b", 1), 1);
    }
    ::close(b); // its close is lost with the rest
    const WriteNotices::Drained drained = w.notices.Drain(1000);
    EXPECT_TRUE(drained.lost);
    for (const char* rel : {"in/untouched.jpg", "in/a.bin", "in/b.bin", "in/new.bin"})
        EXPECT_TRUE(w.Open(rel, 1000)) << rel;
    EXPECT_TRUE(w.notices.AnyOpenForWriting(10999));
    // Quiet for the quiet time since the loss: certain again, except what is written meanwhile.
    ASSERT_EQ(::write(a, "a", 1), 1);
    w.notices.Drain(5000);
    EXPECT_FALSE(w.Open("in/untouched.jpg", 11000));
    EXPECT_FALSE(w.Open("in/b.bin", 11000));
    EXPECT_TRUE(w.Open("in/a.bin", 11000));
    EXPECT_TRUE(w.notices.AnyOpenForWriting(11000));
    ::close(a);
    w.notices.Drain(12000);
    // Closed after the loss: its own quiet time counts from the close.
    EXPECT_TRUE(w.Open("in/a.bin", 21999));
    EXPECT_FALSE(w.Open("in/a.bin", 22000));
    w.notices.Drain(22000);
    EXPECT_FALSE(w.notices.AnyOpenForWriting(22000));
}

} // namespace
} // namespace sv
