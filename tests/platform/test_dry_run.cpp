// SPDX-License-Identifier: GPL-3.0-or-later
// The dry run: the file functions see what the noted changes would have made of the folders, and
// the disk stays as it was.
#include "platform/dry_run.h"
#include "platform/file_identity.h"
#include "platform/file_reader.h"
#include "platform/fileops.h"
#include "platform/fileops_testing.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace sv {
namespace {

std::string Names(const std::string& folder) {
    std::string out;
    const Status listed = ForEachEntry(folder, [&](const DirEntry& entry) {
        out += std::string(entry.name) + (entry.isFolder ? "/ " : " ");
        return true;
    });
    return listed.ok() ? out : "(" + listed.error() + ")";
}

std::string Bytes(const std::string& path) {
    FileReader reader;
    if (!reader.Open(path).ok())
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
    std::vector<std::string> Disk() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Native()))
            out.push_back(e.path().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    testing::TempFolder dir;
};

TEST_F(DryRunTest, ChangesAreSeenButNeverMade) {
    const auto before = Disk();
    DryRun dry;
    {
        const DryRunScope scope(&dry);
        // A move into a folder that does not exist yet, under another spelling of the source.
        ASSERT_TRUE(TransferEntry(P("src/./a.avi"), P("dst/new/deeper/a.avi"), TransferMode::Move).ok());
        EXPECT_FALSE(Exists(P("src/a.avi")));
        EXPECT_TRUE(FileExists(P("dst/new/deeper/a.avi")));
        EXPECT_TRUE(FolderExists(P("dst/new")));
        EXPECT_EQ(EntrySize(P("dst/new/deeper/a.avi")), 3u);
        EXPECT_EQ(Bytes(P("dst/new/deeper/a.avi")), "aaa");
        EXPECT_EQ(Names(P("dst")), "new/ ");
        EXPECT_EQ(Names(P("dst/new/deeper")), "a.avi ");

        // A folder copy is an item of its own; what lies inside it comes along.
        ASSERT_TRUE(TransferEntry(P("src/f"), P("dst/f"), TransferMode::Copy).ok());
        EXPECT_EQ(Bytes(P("dst/f/inner.txt")), "in");
        EXPECT_FALSE(IsSameItem(P("src/f/inner.txt"), P("dst/f/inner.txt")));
        EXPECT_NE(IdentityOf(P("src/f")), IdentityOf(P("dst/f")));
        EXPECT_TRUE(IsSameItem(P("dst/new/deeper/a.avi"), P("dst//new/deeper/./a.avi")));

        // Renames never replace, deletions hide, a taken name is refused.
        EXPECT_FALSE(RenameEntry(P("src/b.avi"), P("dst/f/inner.txt")).ok());
        ASSERT_TRUE(RenameEntry(P("src/b.avi"), P("src/b.mp4")).ok());
        ASSERT_TRUE(DeletePermanently(P("dst/f/inner.txt")).ok());
        EXPECT_EQ(Names(P("dst/f")), "");
        EXPECT_FALSE(TransferEntry(P("src/b.mp4"), P("dst/new"), TransferMode::Move).ok());
        EXPECT_FALSE(MoveByRename(P("src/gone.avi"), P("dst/gone.avi")));
        ASSERT_TRUE(MoveByRename(P("src/b.mp4"), P("dst/b.mp4")));
        EXPECT_EQ(Names(P("src")), "f/ ");
        EXPECT_EQ(Names(P("dst")), "new/ f/ b.mp4 ");

        // A moved folder takes the changes made inside it along.
        ASSERT_TRUE(TransferEntry(P("dst/new"), P("src/moved"), TransferMode::Move).ok());
        EXPECT_EQ(Bytes(P("src/moved/deeper/a.avi")), "aaa");
        EXPECT_FALSE(FolderExists(P("dst/new")));
        EXPECT_FALSE(TransferEntry(P("src/moved"), P("src/moved/deeper/x"), TransferMode::Move).ok());
        EXPECT_TRUE(ForceFolder(P("src/moved/deeper/more")));
        EXPECT_FALSE(ForceFolder(P("src/moved/deeper/a.avi/x")));
        EXPECT_TRUE(RemoveEmptyFolder(P("src/moved/deeper/more")));
        EXPECT_FALSE(RemoveEmptyFolder(P("src/moved/deeper")));
        EXPECT_GT(dry.ChangeCount(), 8);
    }
    EXPECT_EQ(Disk(), before);
    EXPECT_EQ(dir.ReadBytes("src/a.avi"), "aaa");
}

// What a real run would find refused is refused here too.
TEST_F(DryRunTest, AFolderThatCannotBeWrittenRefusesChanges) {
    const testing::LockedFolder locked(dir.NativeFile("dst"));
    if (!locked.On())
        GTEST_SKIP() << locked.Reason();
    DryRun dry;
    {
        const DryRunScope scope(&dry);
        EXPECT_FALSE(TransferEntry(P("src/a.avi"), P("dst/a.avi"), TransferMode::Move).ok());
        EXPECT_FALSE(ForceFolder(P("dst/sub")));
        EXPECT_TRUE(Exists(P("src/a.avi")));
        EXPECT_EQ(dry.ChangeCount(), 0);
    }
}

} // namespace
} // namespace sv
