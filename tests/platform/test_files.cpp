// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace sv {
namespace {

using testing::TempFolder;

TEST(PathText, ConvertsBetweenNativeAndPathTexts) {
    EXPECT_EQ(FromNativePath("/home/u/ダウンロード"), "\\home\\u\\ダウンロード");
    EXPECT_EQ(ToNativePath("\\home\\u\\ダウンロード\\"), "/home/u/ダウンロード/");
    EXPECT_FALSE(IsPathTextName("a\\b"));
    EXPECT_TRUE(IsPathTextName("a b"));
    EXPECT_EQ(JoinPath("\\tmp\\", "x"), "\\tmp\\x");
    EXPECT_EQ(JoinPath("\\tmp", "x"), "\\tmp\\x");
    EXPECT_EQ(FolderOf("\\opt\\sv\\sorvanta"), "\\opt\\sv\\");
}

TEST(AtomicWrite, ReplacesWholeFileAndKeepsNoTemporaries) {
    TempFolder dir;
    const std::string path = dir.PathText() + "data.txt";
    ASSERT_TRUE(WriteFileAtomic(path, "first version, long").ok());
    ASSERT_TRUE(WriteFileAtomic(path, "second").ok());
    EXPECT_EQ(dir.ReadBytes("data.txt"), "second");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Native()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(AtomicWrite, ReadOnlyFileIsNotReplacedUntilTheMarkIsCleared) {
    TempFolder dir;
    dir.WriteBytes("data.txt", "keep me");
    const std::string path = dir.PathText() + "data.txt";
    ::chmod(dir.NativeFile("data.txt").c_str(), 0444);
    EXPECT_TRUE(IsReadOnly(path));
    const Status failed = WriteFileAtomic(path, "new");
    EXPECT_FALSE(failed.ok());
    EXPECT_NE(failed.error().find("data.txt"), std::string::npos);
    EXPECT_EQ(dir.ReadBytes("data.txt"), "keep me");

    ASSERT_TRUE(ClearReadOnly(path).ok());
    EXPECT_FALSE(IsReadOnly(path));
    ASSERT_TRUE(WriteFileAtomic(path, "new").ok());
    EXPECT_EQ(dir.ReadBytes("data.txt"), "new");
}

TEST(AtomicWrite, FailsWithAReasonWhenTheFolderIsMissing) {
    TempFolder dir;
    const Status s = WriteFileAtomic(dir.PathText() + "no\\such\\data.txt", "x");
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(s.error().empty());
}

TEST(ReadWhole, TellsMissingFromUnreadable) {
    TempFolder dir;
    EXPECT_EQ(ReadWholeFile(dir.PathText() + "none").state, ReadState::Missing);
    std::filesystem::create_directory(dir.NativeFile("folder"));
    EXPECT_EQ(ReadWholeFile(dir.PathText() + "folder").state, ReadState::Failed);
    dir.WriteBytes("bin", std::string("a\0b", 3));
    const FileRead r = ReadWholeFile(dir.PathText() + "bin");
    EXPECT_EQ(r.state, ReadState::Ok);
    EXPECT_EQ(r.bytes, std::string("a\0b", 3));
}

TEST(MoveAside, NeverOverwritesAnEarlierCopy) {
    TempFolder dir;
    dir.WriteBytes("Condition.txt", "one");
    std::string moved;
    ASSERT_TRUE(MoveAside(dir.PathText() + "Condition.txt", moved).ok());
    EXPECT_EQ(moved, dir.PathText() + "Condition.txt.bad");
    dir.WriteBytes("Condition.txt", "two");
    ASSERT_TRUE(MoveAside(dir.PathText() + "Condition.txt", moved).ok());
    EXPECT_EQ(moved, dir.PathText() + "Condition.txt.bad1");
    EXPECT_EQ(dir.ReadBytes("Condition.txt.bad"), "one");
    EXPECT_EQ(dir.ReadBytes("Condition.txt.bad1"), "two");
    EXPECT_FALSE(dir.Exists("Condition.txt"));
}

} // namespace
} // namespace sv
