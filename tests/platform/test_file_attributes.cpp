// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_attributes.h"

#include "platform/fileops_testing.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace sv {
namespace {

using testing::MakeFolders;
using testing::SetMtime;
using testing::TempFolder;
using testing::Text;

TEST(FileOpsAttributes, SizesAndTimesOnRequest) {
    TempFolder folder;
    folder.WriteBytes("small", "12345");
    // A sparse file above 4 GB: sizes are 64-bit.
    {
        const int fd = ::open(folder.NativeFile("huge").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, (5LL << 30) + 1), 0);
        ::close(fd);
    }
    MakeFolders(folder, "sub");
    SetMtime(folder.NativeFile("small"), 1232686560);

    EXPECT_EQ(EntrySize(Text(folder, "small")), 5U);
    EXPECT_EQ(EntrySize(Text(folder, "huge")), (5ULL << 30) + 1);
    EXPECT_EQ(EntrySize(Text(folder, "sub")), 0U);
    EXPECT_FALSE(EntrySize(Text(folder, "missing")).has_value());
    ASSERT_TRUE(LastWriteTime(Text(folder, "small")).has_value());
    EXPECT_EQ(LastWriteTime(Text(folder, "small"))->seconds, 1232686560);
    EXPECT_FALSE(LastWriteTime(Text(folder, "missing")).has_value());

    EXPECT_TRUE(Exists(Text(folder, "small")));
    EXPECT_TRUE(Exists(Text(folder, "sub")));
    EXPECT_TRUE(Exists(Text(folder, "sub\\")));
    EXPECT_FALSE(Exists(Text(folder, "missing")));
    EXPECT_TRUE(CanOpenForReading(Text(folder, "small")));
    EXPECT_FALSE(CanOpenForReading(Text(folder, "missing")));
    EXPECT_TRUE(FreeSpace(folder.PathText()).has_value());
    EXPECT_FALSE(FreeSpace(Text(folder, "missing")).has_value());
}

} // namespace
} // namespace sv
