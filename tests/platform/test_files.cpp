// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_messages.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
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
    const FileStatus failed = WriteFileAtomic(path, "new");
    EXPECT_FALSE(failed.ok());
    EXPECT_NE(failed.error().path.find("data.txt"), std::string::npos);
    EXPECT_EQ(dir.ReadBytes("data.txt"), "keep me");

    ASSERT_TRUE(ClearReadOnly(path).ok());
    EXPECT_FALSE(IsReadOnly(path));
    ASSERT_TRUE(WriteFileAtomic(path, "new").ok());
    EXPECT_EQ(dir.ReadBytes("data.txt"), "new");
}

TEST(AtomicWrite, FailsWithAReasonWhenTheFolderIsMissing) {
    TempFolder dir;
    const FileStatus s = WriteFileAtomic(dir.PathText() + "no\\such\\data.txt", "x");
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(FileErrorReason(s.error()).empty());
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

// What the history's streaming readers must give: the lines NonEmptyLines gives, each followed by
// CR LF, however the breaks fall against the reader's buffer.
std::string Normalised(std::string_view bytes) {
    std::string out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", at);
        if (end == std::string_view::npos)
            end = bytes.size();
        if (end > at)
            out.append(bytes.substr(at, end - at)).append("\r\n");
        at = end;
        if (at < bytes.size() && bytes[at] == '\r')
            ++at;
        if (at < bytes.size() && bytes[at] == '\n')
            ++at;
    }
    return out;
}

TEST(LineReader, GivesEveryNonEmptyLineHoweverTheBreaksFallAgainstItsBuffer) {
    TempFolder dir;
    std::mt19937 random(31);
    // Lines of all lengths around the 1 MiB buffer, one longer than it, and every kind of break,
    // a CR LF split across two reads among them.
    std::string bytes;
    const char* breaks[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", "\r\n\r\n", "\n\r"};
    while (bytes.size() < (3u << 20)) {
        const std::size_t length = random() % 9 == 0 ? random() % 4000 : random() % 40;
        for (std::size_t i = 0; i < length; ++i)
            bytes += static_cast<char>(0x20 + random() % 0x5F);
        bytes += breaks[random() % 7];
    }
    bytes.insert(1 << 20, std::string((1 << 20) + 17, 'L'));
    bytes[(1 << 20) - 1] = '\r';
    bytes += "last line without a break";
    dir.WriteBytes("h.dat", bytes);

    // Line by line, and in runs with single lines between them, as the prepend reads.
    LineReader lines;
    ASSERT_EQ(lines.Open(dir.PathText() + "h.dat"), ReadState::Ok);
    std::string byLine;
    while (const auto line = lines.Next())
        byLine.append(*line).append("\r\n");
    LineReader runs;
    ASSERT_EQ(runs.Open(dir.PathText() + "h.dat"), ReadState::Ok);
    std::string byRun;
    std::size_t runCount = 0;
    for (;;) {
        if (const std::string_view run = runs.NextRun(); !run.empty()) {
            byRun.append(run);
            ++runCount;
            continue;
        }
        const auto line = runs.Next();
        if (!line)
            break;
        byRun.append(*line).append("\r\n");
    }
    const std::string expected = Normalised(bytes);
    EXPECT_EQ(byLine, expected);
    EXPECT_EQ(byRun, expected);
    EXPECT_GT(runCount, 100u);
    EXPECT_FALSE(lines.error());

    LineReader missing;
    EXPECT_EQ(missing.Open(dir.PathText() + "none.dat"), ReadState::Missing);
    EXPECT_FALSE(missing.Next());
    LineReader folder;
    EXPECT_EQ(folder.Open(dir.PathText()), ReadState::Failed);
}

TEST(AtomicWrite, AStreamedFileReplacesTheOldOneOnlyWhenCommitted) {
    TempFolder dir;
    dir.WriteBytes("data.txt", "old");
    ::chmod(dir.NativeFile("data.txt").c_str(), 0640);
    const std::string path = dir.PathText() + "data.txt";
    {
        AtomicFileWriter abandoned;
        ASSERT_TRUE(abandoned.Begin(path).ok());
        abandoned.Append(std::string(3 << 20, 'x'));
    }
    EXPECT_EQ(dir.ReadBytes("data.txt"), "old");
    std::string written;
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Begin(path).ok());
    for (int i = 0; i < 200000; ++i) {
        const std::string part = "part " + std::to_string(i) + "\r\n";
        writer.Append(part);
        written += part;
    }
    // Until the commit, the old file is what readers see.
    EXPECT_EQ(dir.ReadBytes("data.txt"), "old");
    ASSERT_TRUE(writer.Commit().ok());
    EXPECT_EQ(dir.ReadBytes("data.txt"), written);
    struct stat st {};
    ASSERT_EQ(::stat(dir.NativeFile("data.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Native()))
        ++entries;
    EXPECT_EQ(entries, 1);
    // A read-only mark is respected as by WriteFileAtomic.
    ::chmod(dir.NativeFile("data.txt").c_str(), 0440);
    AtomicFileWriter refused;
    EXPECT_FALSE(refused.Begin(path).ok());
}

} // namespace
} // namespace sv
