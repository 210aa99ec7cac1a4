// SPDX-License-Identifier: GPL-3.0-or-later
// The path-text helpers every layer uses for names and trailing separators.
#include "platform/install_paths.h"
#include "platform/pathtext.h"
#include "store/condition.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace sv {
namespace {

TEST(PathText, TheLastComponentIsWhatFollowsTheLastBackslash) {
    EXPECT_EQ(LastComponent("\\home\\u\\映画.avi"), "映画.avi");
    EXPECT_EQ(LastComponent("\\a.b\\conds"), "conds");
    EXPECT_EQ(LastComponent("name.csv"), "name.csv"); // no folder part at all
    EXPECT_EQ(LastComponent("\\home\\u\\"), "");      // a folder text: no name behind it
    EXPECT_EQ(LastComponent("\\"), "");
    EXPECT_EQ(LastComponent(""), "");
    // Together with the folder part it gives the text back.
    for (const std::string_view path : {"\\x\\y\\z", "\\z", "z", "\\x\\", "C:\\d\\f.txt"})
        EXPECT_EQ(FolderOf(path) + std::string(LastComponent(path)), path);
}

TEST(PathText, TrailingSeparatorsGoOrBecomeOneButTheRootStays) {
    EXPECT_EQ(WithoutTrailingSeparators("\\data\\\\\\"), "\\data");
    EXPECT_EQ(WithoutTrailingSeparators("\\data"), "\\data");
    EXPECT_EQ(WithoutTrailingSeparators("\\\\\\"), "\\");
    EXPECT_EQ(WithoutTrailingSeparators("\\"), "\\");
    EXPECT_EQ(WithoutTrailingSeparators(""), "");

    EXPECT_EQ(WithTrailingSeparator("\\data"), "\\data\\");
    EXPECT_EQ(WithTrailingSeparator("\\data\\\\"), "\\data\\");
    EXPECT_EQ(WithTrailingSeparator("C:\\"), "C:\\");
    EXPECT_EQ(WithTrailingSeparator("\\\\"), "\\");
    EXPECT_EQ(WithTrailingSeparator(""), "\\");

    // What the store keeps of a typed folder: trimmed, a run of separators at the end made one.
    EXPECT_EQ(NormaliseFolderPath("  \\data\\\\\\ "), "\\data\\");
    EXPECT_EQ(NormaliseFolderPath("C:\\\\"), "C:\\");
    EXPECT_EQ(NormaliseFolderPath("\\data\\x"), "\\data\\x");
    EXPECT_EQ(NormaliseFolderPath("\\\\\\"), "\\");
}

// The prefix of an installation is found from the executable's folder however it ends.
TEST(PathText, APrefixIsTheFolderAboveBinWithOrWithoutSeparators) {
    testing::TempFolder dir;
    std::filesystem::create_directories(dir.NativeFile("usr/bin"));
    std::filesystem::create_directories(dir.NativeFile("usr/rubbin"));
    std::filesystem::create_directories(dir.NativeFile("usr/share/sorvanta"));
    for (const std::string_view end : {"", "\\", "\\\\\\"})
        EXPECT_TRUE(IsInstalled(dir.PathText() + "usr\\bin" + std::string(end))) << end;
    EXPECT_FALSE(IsInstalled(dir.PathText() + "usr\\rubbin\\"));
    EXPECT_FALSE(IsInstalled(dir.PathText() + "usr\\"));
    EXPECT_FALSE(IsInstalled("bin"));
}

} // namespace
} // namespace sv
