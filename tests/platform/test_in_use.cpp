// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/in_use.h"

#include "foreign_writer.h"
#include "platform/fileops_testing.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sv {
namespace {

using testing::MakeFolders;
using testing::TempFolder;
using testing::Text;

TEST(FileOpsInUse, OpenForWritingCountsOpenForReadingDoesNot) {
    TempFolder folder;
    MakeFolders(folder, "dl");
    folder.WriteBytes("dl/part.avi", "x");
    const std::string native = folder.NativeFile("dl/part.avi");
    const std::string path = Text(folder, "dl/part.avi");
    const auto byWalk = [](std::string_view p) { return IsOpenForWritingByAnyProcess(p); };
    const auto byLease = [](std::string_view p) { return IsInUseForWriting(p); };
    for (const auto& inUse :
         {std::function<bool(std::string_view)>(byLease), std::function<bool(std::string_view)>(byWalk)}) {
        EXPECT_FALSE(inUse(path));
        const int reading = ::open(native.c_str(), O_RDONLY);
        ASSERT_GE(reading, 0);
        EXPECT_FALSE(inUse(path));
        const int writing = ::open(native.c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(writing, 0);
        EXPECT_TRUE(inUse(path));
        EXPECT_TRUE(inUse(Text(folder, "dl"))); // the folder holding it
        EXPECT_FALSE(inUse(Text(folder, "d"))); // a prefix of the name is not the folder
        ::close(writing);
        EXPECT_FALSE(inUse(path));
        ::close(reading);
        EXPECT_FALSE(inUse(Text(folder, "missing")));
    }
}

TEST(FileOpsInUse, AWriterInAnotherProcessIsSeen) {
    TempFolder folder;
    folder.WriteBytes("part.avi", "x");
    const std::string native = folder.NativeFile("part.avi");
    int opened[2];
    int release[2];
    ASSERT_EQ(::pipe(opened), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(opened[0]);
        ::close(release[1]);
        const int fd = ::open(native.c_str(), O_RDWR);
        char byte = fd >= 0 ? 'y' : 'n';
        static_cast<void>(::write(opened[1], &byte, 1));
        static_cast<void>(::read(release[0], &byte, 1)); // until the parent closes its end
        ::_exit(0);
    }
    ::close(opened[1]);
    ::close(release[0]);
    char byte = 0;
    ASSERT_EQ(::read(opened[0], &byte, 1), 1);
    EXPECT_EQ(byte, 'y');
    EXPECT_TRUE(IsInUseForWriting(Text(folder, "part.avi")));
    EXPECT_TRUE(IsOpenForWritingByAnyProcess(Text(folder, "part.avi")));
    ::close(release[1]);
    ::close(opened[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_FALSE(IsInUseForWriting(Text(folder, "part.avi")));
}

TEST(FileOpsInUse, ARecentChangeCountsWhenNobodyCanTell) {
    TempFolder folder;
    folder.WriteBytes("part.avi", "x");
    const std::string native = folder.NativeFile("part.avi");
    const std::string path = Text(folder, "part.avi");
    EXPECT_TRUE(ChangedWithin(path, 10));
    const auto stamp = [&](std::time_t seconds) {
        const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, 0), 0);
    };
    // Back-dating the content does not hide the change: setting the times changes the entry.
    stamp(std::time(nullptr) - 3600);
    EXPECT_TRUE(ChangedWithin(path, 10));
    const std::int64_t now = std::time(nullptr);
    EXPECT_FALSE(ChangedWithin(path, 10, now + 11)); // as a clock eleven seconds on sees it
    EXPECT_TRUE(ChangedWithin(path, 600, now + 11));
    stamp(std::time(nullptr) + 3600);
    EXPECT_TRUE(ChangedWithin(path, 10));                   // ahead of the clock
    EXPECT_TRUE(ChangedWithin(path, 10, now + 600));        // still ahead
    EXPECT_FALSE(ChangedWithin(path, 10, now + 3600 + 11)); // once the clock has passed it
    EXPECT_FALSE(ChangedWithin(Text(folder, "missing"), 10));
}

// A writer of another user: the lease cannot be had and the walk over /proc cannot see the
// writer, so the file must not come back as free while it is being written.
TEST(FileOpsInUse, AFileAnotherUserIsWritingIsNotTakenAsFree) {
    if (::getuid() != 0)
        GTEST_SKIP() << testing::kNeedsRootForOtherUser;
    TempFolder folder;
    ASSERT_EQ(::chmod(folder.Native().c_str(), 0755), 0);
    folder.WriteBytes("part.avi", "first bytes");
    const std::string native = folder.NativeFile("part.avi");
    ASSERT_EQ(::chmod(native.c_str(), 0644), 0);
    const int writer = ::open(native.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "more", 4), 4);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(writer);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        ::_exit(IsInUseForWriting(Text(folder, "part.avi")) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(writer);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 3) << "could not become another user";
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

// The quiet time, as an ordinary user meets it: the file belongs to a third user whose process
// writes half of it and pauses, so the lease is refused and the walk over /proc cannot see the
// writer. The clock the quiet time is measured on is set, since a change time cannot be.
TEST(FileOpsInUse, AnUnseenWriterKeepsTheFileInUseUntilItWasQuietForTheQuietTime) {
    if (::getuid() != 0)
        GTEST_SKIP() << testing::kNeedsRootForOtherUser;
    using testing::AsOtherUser;
    using testing::ForeignWriter;
    TempFolder folder;
    ASSERT_EQ(::chmod(folder.Native().c_str(), 0755), 0);
    MakeFolders(folder, "dl");
    ASSERT_EQ(::chmod(folder.NativeFile("dl").c_str(), 0777), 0);
    const std::string native = folder.NativeFile("dl/part.avi");
    const std::string path = Text(folder, "dl/part.avi");
    ForeignWriter writer(native, testing::kForeignUid);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write());

    // Each letter is one answer: W the walk saw a writer, C the walk saw every process, U in use.
    const auto look = [&path] {
        const std::int64_t now = std::time(nullptr);
        std::string seen;
        bool complete = true;
        seen += IsOpenForWritingByAnyProcess(path, &complete) ? 'W' : '-';
        seen += complete ? 'C' : '-';
        seen += IsInUseForWriting(path) ? 'U' : '-'; // ten minutes by default
        InUseProbe probe(60);
        probe.SetClock([now] { return now; });
        seen += probe.IsInUseForWriting(path) ? 'U' : '-';
        seen += probe.IsInUseUnseen(path) ? 'U' : '-';
        probe.SetClock([now] { return now + 61; }); // quiet for longer than the quiet time
        seen += probe.IsInUseForWriting(path) ? 'U' : '-';
        seen += probe.IsInUseUnseen(path) ? 'U' : '-';
        seen += InUseProbe(0).IsInUseForWriting(path) ? 'U' : '-'; // no quiet time: unseen is free
        return seen;
    };
    EXPECT_EQ(AsOtherUser(testing::kOtherUid, look), "--UUU---");

    // Back-dating the content changes the entry now: the quiet time starts again.
    const std::int64_t now = std::time(nullptr);
    testing::SetMtime(native, now - 7200);
    EXPECT_EQ(AsOtherUser(testing::kOtherUid, look), "--UUU---");
    // A modification time ahead of the clock is never quiet.
    testing::SetMtime(native, now + 3600);
    EXPECT_EQ(AsOtherUser(testing::kOtherUid, look), "--UUUUU-");

    // Root takes the lease on any file: the writer is seen at once, and once it is closed the
    // file is free although it changed a moment ago.
    EXPECT_TRUE(IsInUseForWriting(path));
    ASSERT_TRUE(writer.Write());
    ASSERT_TRUE(writer.Close());
    EXPECT_FALSE(IsInUseForWriting(path));
    EXPECT_FALSE(InUseProbe().IsInUseForWriting(path));
}

// A file of the program's own user is told exactly by the lease, also as an ordinary user: no
// quiet time to wait after its writer closed it.
TEST(FileOpsInUse, AFileOfTheUsersOwnIsToldWithoutWaiting) {
    if (::getuid() != 0)
        GTEST_SKIP() << testing::kNeedsRootForOtherUser;
    TempFolder folder;
    ASSERT_EQ(::chmod(folder.Native().c_str(), 0755), 0);
    MakeFolders(folder, "own");
    ASSERT_EQ(::chown(folder.NativeFile("own").c_str(), testing::kOtherUid, testing::kOtherUid), 0);
    const std::string native = folder.NativeFile("own/mine.avi");
    const std::string path = Text(folder, "own/mine.avi");
    const std::string seen = testing::AsOtherUser(testing::kOtherUid, [&] {
        const InUseProbe probe(24 * 60 * 60);
        const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, "half", 4) != 4)
            return std::string("cannot write");
        std::string answers;
        answers += probe.IsInUseForWriting(path) ? 'U' : '-';
        answers += probe.IsInUseUnseen(path) ? 'U' : '-';
        ::close(fd);
        answers += probe.IsInUseForWriting(path) ? 'U' : '-';
        answers += probe.IsInUseUnseen(path) ? 'U' : '-';
        return answers;
    });
    EXPECT_EQ(seen, "UU--");
}

} // namespace
} // namespace sv
