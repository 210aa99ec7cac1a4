// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/in_use.h"

#include "platform/fileops_testing.h"
#include "testing.h"

#include <gtest/gtest.h>

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
    for (const auto& inUse : {std::function<bool(std::string_view)>(IsInUseForWriting),
                              std::function<bool(std::string_view)>(byWalk)}) {
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
    EXPECT_TRUE(ChangedRecently(path));
    const auto stamp = [&](std::time_t seconds) {
        const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, 0), 0);
    };
    // Back-dating the content does not hide the change: setting the times changes the entry.
    stamp(std::time(nullptr) - 3600);
    EXPECT_TRUE(ChangedRecently(path));
    stamp(std::time(nullptr) + 3600);
    EXPECT_TRUE(ChangedRecently(path)); // ahead of the clock
    EXPECT_FALSE(ChangedRecently(Text(folder, "missing")));
}

// A writer of another user: the lease cannot be had and the walk over /proc cannot see the
// writer, so the file must not come back as free while it is being written.
TEST(FileOpsInUse, AFileAnotherUserIsWritingIsNotTakenAsFree) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs to start a process under another user";
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

} // namespace
} // namespace sv
