// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/removal.h"

#include "platform/fileops_testing.h"
#include "platform/files.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

namespace sv {
namespace {

using testing::MakeFolders;
using testing::TempFolder;
using testing::Text;

TEST(FileOpsFolders, ForceFolderCreatesParentsAndFailsBelowAFile) {
    TempFolder folder;
    EXPECT_TRUE(ForceFolder(Text(folder, "a/b/c")));
    EXPECT_TRUE(FolderExists(Text(folder, "a/b/c")));
    EXPECT_TRUE(ForceFolder(Text(folder, "a/b/c"))); // exists already
    EXPECT_TRUE(ForceFolder(Text(folder, "a/d/")));  // a trailing backslash
    folder.WriteBytes("file", "x");
    EXPECT_FALSE(ForceFolder(Text(folder, "file")));
    EXPECT_FALSE(ForceFolder(Text(folder, "file/below/deeper")));
    EXPECT_FALSE(ForceFolder(""));
}

TEST(FileOpsFolders, DeletePermanentlyRemovesWholeTreesAndReportsMissing) {
    TempFolder folder;
    MakeFolders(folder, "tree/inner");
    folder.WriteBytes("tree/inner/file", "x");
    folder.WriteBytes("tree/top", "x");
    ::chmod(folder.NativeFile("tree/inner").c_str(), 0500);
    ASSERT_TRUE(DeletePermanently(Text(folder, "tree")).ok());
    EXPECT_FALSE(folder.Exists("tree"));

    folder.WriteBytes("file", "x");
    EXPECT_TRUE(DeletePermanently(Text(folder, "file")).ok());
    EXPECT_FALSE(folder.Exists("file"));
    const FileStatus missing = DeletePermanently(Text(folder, "file"));
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error().path.find("file"), std::string::npos);
}

} // namespace
} // namespace sv
