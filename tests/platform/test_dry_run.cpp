// SPDX-License-Identifier: GPL-3.0-or-later
// The dry run: the file functions see what the noted changes would have made of the folders, and
// the disk stays as it was.
#include "platform/dry_run.h"
#include "platform/file_reader.h"
#include "platform/fileops_testing.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace sv {
namespace {

std::string Names(FileSystem& files, const std::string& folder) {
    std::string out;
    const Status listed = ForEachEntry(files, folder, [&](const DirEntry& entry) {
        out += std::string(entry.name) + (entry.isFolder ? "/ " : " ");
        return true;
    });
    return listed.ok() ? out : "(" + listed.error() + ")";
}

std::string Bytes(FileSystem& files, const std::string& path) {
    FileReader reader;
    if (!files.OpenFile(reader, path).ok())
        return "(none)";
    std::string bytes(64, '\0');
    bytes.resize(reader.Fill(bytes.data(), bytes.size()).value_or(0));
    return bytes;
}

struct DryRunTest : ::testing::Test {
    DryRunTest() {
        std::filesystem::create_directories(dir.NativeFile("src/f"));
        dir.WriteBytes("src/a.avi", "aaa");
        dir.WriteBytes("src/b.avi", "bb");
        dir.WriteBytes("src/f/inner.txt", "in");
        std::filesystem::create_directories(dir.NativeFile("dst"));
    }
    std::string P(std::string_view rel) const { return dir.PathText() + FromNativePath(rel); }
    std::vector<std::string> OnDisk() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Native()))
            out.push_back(e.path().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    testing::TempFolder dir;
};

TEST_F(DryRunTest, ChangesAreSeenButNeverMade) {
    const auto before = OnDisk();
    DryRun dry;
    {
        // A move into a folder that does not exist yet, under another spelling of the source.
        ASSERT_TRUE(
            dry.Transfer(P("src/./a.avi"), P("dst/new/deeper/a.avi"), TransferMode::Move, {}, nullptr).ok());
        EXPECT_FALSE(dry.Exists(P("src/a.avi")));
        EXPECT_TRUE(dry.FileExists(P("dst/new/deeper/a.avi")));
        EXPECT_TRUE(dry.FolderExists(P("dst/new")));
        EXPECT_EQ(dry.EntrySize(P("dst/new/deeper/a.avi")), 3u);
        EXPECT_EQ(Bytes(dry, P("dst/new/deeper/a.avi")), "aaa");
        EXPECT_EQ(Names(dry, P("dst")), "new/ ");
        EXPECT_EQ(Names(dry, P("dst/new/deeper")), "a.avi ");

        // A folder copy is an item of its own; what lies inside it comes along.
        ASSERT_TRUE(dry.Transfer(P("src/f"), P("dst/f"), TransferMode::Copy, {}, nullptr).ok());
        EXPECT_EQ(Bytes(dry, P("dst/f/inner.txt")), "in");
        EXPECT_FALSE(dry.IsSameItem(P("src/f/inner.txt"), P("dst/f/inner.txt")));
        EXPECT_NE(dry.IdentityOf(P("src/f")), dry.IdentityOf(P("dst/f")));
        EXPECT_TRUE(dry.IsSameItem(P("dst/new/deeper/a.avi"), P("dst//new/deeper/./a.avi")));

        // Renames never replace, deletions hide, a taken name is refused.
        EXPECT_FALSE(dry.Rename(P("src/b.avi"), P("dst/f/inner.txt")).ok());
        ASSERT_TRUE(dry.Rename(P("src/b.avi"), P("src/b.mp4")).ok());
        ASSERT_TRUE(dry.DeletePermanently(P("dst/f/inner.txt")).ok());
        EXPECT_EQ(Names(dry, P("dst/f")), "");
        EXPECT_FALSE(dry.Transfer(P("src/b.mp4"), P("dst/new"), TransferMode::Move, {}, nullptr).ok());
        EXPECT_FALSE(dry.MoveByRename(P("src/gone.avi"), P("dst/gone.avi")));
        ASSERT_TRUE(dry.MoveByRename(P("src/b.mp4"), P("dst/b.mp4")));
        EXPECT_EQ(Names(dry, P("src")), "f/ ");
        EXPECT_EQ(Names(dry, P("dst")), "new/ f/ b.mp4 ");

        // A moved folder takes the changes made inside it along.
        ASSERT_TRUE(dry.Transfer(P("dst/new"), P("src/moved"), TransferMode::Move, {}, nullptr).ok());
        EXPECT_EQ(Bytes(dry, P("src/moved/deeper/a.avi")), "aaa");
        EXPECT_FALSE(dry.FolderExists(P("dst/new")));
        EXPECT_FALSE(
            dry.Transfer(P("src/moved"), P("src/moved/deeper/x"), TransferMode::Move, {}, nullptr).ok());
        EXPECT_TRUE(dry.ForceFolder(P("src/moved/deeper/more")));
        EXPECT_FALSE(dry.ForceFolder(P("src/moved/deeper/a.avi/x")));
        EXPECT_TRUE(dry.RemoveEmptyFolder(P("src/moved/deeper/more")));
        EXPECT_FALSE(dry.RemoveEmptyFolder(P("src/moved/deeper")));
        EXPECT_GT(dry.ChangeCount(), 8);
    }
    EXPECT_EQ(OnDisk(), before);
    EXPECT_EQ(dir.ReadBytes("src/a.avi"), "aaa");
}

// What a real run would find refused is refused here too.
TEST_F(DryRunTest, AFolderThatCannotBeWrittenRefusesChanges) {
    const testing::LockedFolder locked(dir.NativeFile("dst"));
    if (!locked.On())
        GTEST_SKIP() << locked.Reason();
    DryRun dry;
    {
        EXPECT_FALSE(dry.Transfer(P("src/a.avi"), P("dst/a.avi"), TransferMode::Move, {}, nullptr).ok());
        EXPECT_FALSE(dry.ForceFolder(P("dst/sub")));
        EXPECT_TRUE(dry.Exists(P("src/a.avi")));
        EXPECT_EQ(dry.ChangeCount(), 0);
    }
}

} // namespace
} // namespace sv
