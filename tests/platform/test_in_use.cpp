// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/in_use.h"

#include "platform/fileops_testing.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
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
    for (const auto& inUse : {IsInUseForWriting, IsOpenForWritingByAnyProcess}) {
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

} // namespace
} // namespace sv
