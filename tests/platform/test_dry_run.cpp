// SPDX-License-Identifier: GPL-3.0-or-later
// The dry run: the file functions see what the noted changes would have made of the folders, and
// the disk stays as it was.
#include "platform/dry_run.h"
#include "platform/file_messages.h"
#include "platform/file_reader.h"
#include "platform/fileops_testing.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sys/stat.h>

namespace sv {
namespace {

std::string Names(FileSystem& files, const std::string& folder) {
    std::string out;
    const FileStatus listed = ForEachEntry(files, folder, [&](const DirEntry& entry) {
        out += std::string(entry.name) + (entry.isFolder ? "/ " : " ");
        return true;
    });
    return listed.ok() ? out : "(" + FileErrorText(listed.error()) + ")";
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

// Every entry below `folder` as `files` shows it, sorted: "name/" for a folder, "name [bytes]" for
// a file. The order of a listing is the file system's own and is not compared.
void AddTree(FileSystem& files, const std::string& folder, const std::string& shown,
             std::vector<std::string>& out) {
    std::vector<std::pair<std::string, bool>> entries;
    (void)ForEachEntry(files, folder, [&](const DirEntry& entry) {
        entries.emplace_back(std::string(entry.name), entry.isFolder);
        return true;
    });
    for (const auto& [name, isFolder] : entries) {
        const std::string path = JoinPath(folder, name);
        if (isFolder) {
            out.push_back(shown + name + "/");
            AddTree(files, path, shown + name + "/", out);
        } else {
            out.push_back(shown + name + " [" + Bytes(files, path) + "]");
        }
    }
}

std::vector<std::string> Tree(FileSystem& files, const std::string& folder) {
    std::vector<std::string> out;
    AddTree(files, folder, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

// How an operation ended, without the item's path (the two sides live in two folders).
std::string Ending(const std::optional<FileError>& error) {
    if (!error)
        return "ok";
    return std::to_string(static_cast<int>(error->op)) + "/" +
           std::to_string(static_cast<int>(error->fault)) + "/" + std::to_string(error->code);
}

// The dry run stands for the disk in a test run: the same changes, made on the disk on one side
// and noted by a dry run on a copy of the same folders on the other, must end the same way, code
// for code, and leave the same tree of names and bytes behind; the copy on disk stays untouched.
// Random sequences reach the corners a hand-written one misses: a folder moved under a name a
// file had, a copy of a copy, a folder made where a file was deleted.
TEST(DryRunDifferential, TheDiskAndADryRunAgreeOnRandomChanges) {
    static const char* const kPaths[] = {"a",       "a/s",     "b",     "c",           "a/x.avi", "a/s/y.avi",
                                         "b/z.avi", "b/x.avi", "c/new", "c/new/w.avi", "a/s/t",   "x.avi"};
    // SORVANTA_DRY_RUN_SEEDS asks for a longer soak.
    const char* const env = std::getenv("SORVANTA_DRY_RUN_SEEDS");
    const unsigned seeds = env != nullptr ? static_cast<unsigned>(std::strtoul(env, nullptr, 10)) : 60;
    int tries = 0;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        testing::TempFolder real;
        testing::TempFolder kept;
        for (const testing::TempFolder* side : {&real, &kept}) {
            std::filesystem::create_directories(side->NativeFile("a/s"));
            std::filesystem::create_directories(side->NativeFile("b"));
            side->WriteBytes("a/x.avi", "x1");
            side->WriteBytes("a/s/y.avi", "yy2");
            side->WriteBytes("b/z.avi", "z");
        }
        const std::string realRoot = real.PathText();
        const std::string keptRoot = kept.PathText();
        DryRun dry;
        const std::vector<std::string> keptBefore = Tree(Disk(), kept.PathText());
        std::mt19937 random(seed);
        const auto pick = [&] { return std::string(kPaths[random() % std::size(kPaths)]); };
        for (int step = 0; step < 25; ++step, ++tries) {
            const std::string from = FromNativePath(pick());
            const std::string to = FromNativePath(pick());
            const auto onBoth = [&](const auto& operation) {
                return std::make_pair(operation(Disk(), realRoot + from, realRoot + to),
                                      operation(dry, keptRoot + from, keptRoot + to));
            };
            std::pair<std::string, std::string> endings;
            std::string what;
            switch (random() % 7) {
            case 0:
            case 1: {
                const TransferMode mode = random() % 2 ? TransferMode::Move : TransferMode::Copy;
                what = std::string(mode == TransferMode::Move ? "move " : "copy ") + from + " " + to;
                endings = onBoth([mode](FileSystem& files, const std::string& a, const std::string& b) {
                    return Ending(files.Transfer(a, b, mode, {}, nullptr).error);
                });
                break;
            }
            case 2:
                what = "rename " + from + " " + to;
                endings = onBoth([](FileSystem& files, const std::string& a, const std::string& b) {
                    const FileStatus done = files.Rename(a, b);
                    return Ending(done.ok() ? std::nullopt : std::optional(done.error()));
                });
                break;
            case 3:
                what = "move by rename " + from + " " + to;
                endings = onBoth([](FileSystem& files, const std::string& a, const std::string& b) {
                    return std::string(files.MoveByRename(a, b) ? "ok" : "refused");
                });
                break;
            case 4:
                what = "force folder " + to;
                endings = onBoth([](FileSystem& files, const std::string&, const std::string& b) {
                    const FileStatus done = files.ForceFolder(b);
                    return Ending(done.ok() ? std::nullopt : std::optional(done.error()));
                });
                break;
            case 5:
                what = "remove empty folder " + from;
                endings = onBoth([](FileSystem& files, const std::string& a, const std::string&) {
                    const FileStatus done = files.RemoveEmptyFolder(a);
                    return Ending(done.ok() ? std::nullopt : std::optional(done.error()));
                });
                break;
            default:
                what = "delete " + from;
                endings = onBoth([](FileSystem& files, const std::string& a, const std::string&) {
                    const FileStatus done = files.DeletePermanently(a);
                    return Ending(done.ok() ? std::nullopt : std::optional(done.error()));
                });
                break;
            }
            const std::string where =
                "seed " + std::to_string(seed) + " step " + std::to_string(step) + ": " + what;
            ASSERT_EQ(endings.first, endings.second) << where;
            ASSERT_EQ(Tree(Disk(), real.PathText()), Tree(dry, kept.PathText())) << where;
            for (const char* path : kPaths) {
                const std::string rel = FromNativePath(path);
                ASSERT_EQ(Disk().FileExists(realRoot + rel), dry.FileExists(keptRoot + rel))
                    << where << " " << path;
                ASSERT_EQ(Disk().FolderExists(realRoot + rel), dry.FolderExists(keptRoot + rel))
                    << where << " " << path;
                ASSERT_EQ(Disk().EntrySize(realRoot + rel).has_value(),
                          dry.EntrySize(keptRoot + rel).has_value())
                    << where << " " << path;
            }
        }
        ASSERT_EQ(Tree(Disk(), kept.PathText()), keptBefore) << "seed " << seed;
    }
    RecordProperty("tries", tries);
}

} // namespace
} // namespace sv
