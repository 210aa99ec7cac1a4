// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/transfer.h"

#include "platform/file_attributes.h"
#include "platform/fileops_testing.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace sv {
namespace {

using testing::MakeFolders;
using testing::OtherFileSystemFolder;
using testing::SetMtime;
using testing::TempFolder;
using testing::Text;
using testing::Why;
namespace fs = std::filesystem;

std::set<std::string> Names(const std::string& native) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(native))
        names.insert(entry.path().filename().string());
    return names;
}

class RecordingProgress final : public TransferProgress {
public:
    explicit RecordingProgress(int cancelOnCall = -1) : m_cancelOnCall(cancelOnCall) {}
    void Begin(std::string_view title, std::uint64_t totalBytes) override {
        ++begins;
        this->title = title;
        total = totalBytes;
    }
    bool Advance(std::uint64_t bytes) override {
        done += bytes;
        return ++calls != m_cancelOnCall;
    }
    void End() override { ++ends; }

    int begins = 0;
    int ends = 0;
    int calls = 0;
    std::string title;
    std::uint64_t total = 0;
    std::uint64_t done = 0;

private:
    int m_cancelOnCall;
};

TEST(FileOpsTransfer, MoveWithinOneFileSystemRenames) {
    TempFolder folder;
    folder.WriteBytes("clip.avi", "movie");
    SetMtime(folder.NativeFile("clip.avi"), 1000000000);
    RecordingProgress progress;
    const TransferResult result = TransferEntry(Text(folder, "clip.avi"), Text(folder, "dest/new/clip.avi"),
                                                TransferMode::Move, {}, &progress);
    ASSERT_TRUE(result.ok()) << Why(result.error);
    EXPECT_FALSE(result.aborted());
    EXPECT_FALSE(folder.Exists("clip.avi"));
    EXPECT_EQ(folder.ReadBytes("dest/new/clip.avi"), "movie");
    EXPECT_EQ(LastWriteTime(Text(folder, "dest/new/clip.avi"))->seconds, 1000000000);
    EXPECT_EQ(progress.begins, 0); // a rename copies nothing
}

TEST(FileOpsTransfer, CopyKeepsSourceContentTimeAndPermissions) {
    TempFolder folder;
    std::string bytes(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    folder.WriteBytes("data.bin", bytes);
    ::chmod(folder.NativeFile("data.bin").c_str(), 0440);
    SetMtime(folder.NativeFile("data.bin"), 1232686560);
    MakeFolders(folder, "dest");

    TransferOptions options;
    options.progressTitle = "振り分け中...";
    RecordingProgress progress;
    const TransferResult result = TransferEntry(Text(folder, "data.bin"), Text(folder, "dest/data.bin"),
                                                TransferMode::Copy, options, &progress);
    ASSERT_TRUE(result.ok()) << Why(result.error);
    EXPECT_EQ(folder.ReadBytes("data.bin"), bytes);
    EXPECT_EQ(folder.ReadBytes("dest/data.bin"), bytes);
    struct stat st {};
    ASSERT_EQ(::stat(folder.NativeFile("dest/data.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0440U);
    EXPECT_EQ(st.st_mtim.tv_sec, 1232686560);
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(progress.title, "振り分け中...");
    EXPECT_EQ(progress.total, bytes.size());
    EXPECT_EQ(progress.done, bytes.size());
    EXPECT_EQ(Names(folder.NativeFile("dest")), std::set<std::string>{"data.bin"}); // no leftovers
}

TEST(FileOpsTransfer, SparseFilesAreCopiedWithoutWritingTheirHoles) {
    TempFolder folder;
    {
        const int fd = ::open(folder.NativeFile("sparse").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "head", 4, 0), 4);
        ASSERT_EQ(::pwrite(fd, "tail", 4, (3LL << 30) - 4), 4);
        ::close(fd);
    }
    const TransferResult result =
        TransferEntry(Text(folder, "sparse"), Text(folder, "copy"), TransferMode::Copy);
    ASSERT_TRUE(result.ok()) << Why(result.error);
    EXPECT_EQ(EntrySize(Text(folder, "copy")), 3ULL << 30);
    const int fd = ::open(folder.NativeFile("copy").c_str(), O_RDONLY);
    char head[4] = {};
    char tail[4] = {};
    EXPECT_EQ(::pread(fd, head, 4, 0), 4);
    EXPECT_EQ(::pread(fd, tail, 4, (3LL << 30) - 4), 4);
    ::close(fd);
    EXPECT_EQ(std::string(head, 4), "head");
    EXPECT_EQ(std::string(tail, 4), "tail");
}

TEST(FileOpsTransfer, AbortedCopyRemovesThePartialTargetAndKeepsTheSource) {
    TempFolder folder;
    const std::string bytes(4 * 1024 * 1024, 'a');
    folder.WriteBytes("big", bytes);
    MakeFolders(folder, "dest");
    RecordingProgress progress(2);
    const TransferResult result =
        TransferEntry(Text(folder, "big"), Text(folder, "dest/big"), TransferMode::Copy, {}, &progress);
    EXPECT_EQ(result.outcome, TransferOutcome::Aborted);
    EXPECT_TRUE(result.aborted());
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->fault, FileFault::Cancelled);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(folder.ReadBytes("big"), bytes);
    EXPECT_TRUE(Names(folder.NativeFile("dest")).empty());
}

TEST(FileOpsTransfer, FailedFolderCopyRemovesItsPartialTarget) {
    TempFolder folder;
    MakeFolders(folder, "set/inner");
    folder.WriteBytes("set/a", "a");
    folder.WriteBytes("set/inner/b", "b");
    ASSERT_EQ(::mkfifo(folder.NativeFile("set/inner/pipe").c_str(), 0644), 0); // cannot be copied
    MakeFolders(folder, "dest");
    const TransferResult result =
        TransferEntry(Text(folder, "set"), Text(folder, "dest/set"), TransferMode::Copy);
    EXPECT_EQ(result.outcome, TransferOutcome::Failed);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->fault, FileFault::Unsupported);
    EXPECT_NE(result.error->path.find("pipe"), std::string::npos);
    EXPECT_TRUE(Names(folder.NativeFile("dest")).empty());
    EXPECT_EQ(folder.ReadBytes("set/inner/b"), "b");
}

TEST(FileOpsTransfer, FoldersAreMovedAndCopiedWhole) {
    TempFolder folder;
    MakeFolders(folder, "set/inner/deep");
    folder.WriteBytes("set/a.txt", "a");
    folder.WriteBytes("set/inner/deep/b.txt", "b");
    folder.WriteBytes("set/.hidden", "h");
    ASSERT_EQ(::symlink("a.txt", folder.NativeFile("set/link").c_str()), 0);
    SetMtime(folder.NativeFile("set/inner"), 1100000000);

    ASSERT_TRUE(TransferEntry(Text(folder, "set"), Text(folder, "copy/set"), TransferMode::Copy).ok());
    EXPECT_EQ(folder.ReadBytes("copy/set/inner/deep/b.txt"), "b");
    EXPECT_EQ(folder.ReadBytes("copy/set/.hidden"), "h");
    EXPECT_EQ(fs::read_symlink(folder.NativeFile("copy/set/link")), "a.txt");
    EXPECT_EQ(LastWriteTime(Text(folder, "copy/set/inner"))->seconds, 1100000000);
    EXPECT_TRUE(folder.Exists("set/a.txt"));

    ASSERT_TRUE(TransferEntry(Text(folder, "set"), Text(folder, "moved/set[1]"), TransferMode::Move).ok());
    EXPECT_FALSE(folder.Exists("set"));
    EXPECT_EQ(folder.ReadBytes("moved/set[1]/inner/deep/b.txt"), "b");

    const TransferResult intoItself =
        TransferEntry(Text(folder, "moved/set[1]"), Text(folder, "moved/set[1]/inner/x"), TransferMode::Move);
    EXPECT_FALSE(intoItself.ok());
    EXPECT_TRUE(folder.Exists("moved/set[1]/a.txt"));
}

TEST(FileOpsTransfer, ExistingTargetIsReplacedOnlyWhenAsked) {
    TempFolder folder;
    folder.WriteBytes("new.exe", "new");
    MakeFolders(folder, "doubt");
    folder.WriteBytes("doubt/new.exe", "old");
    for (const TransferMode mode : {TransferMode::Move, TransferMode::Copy}) {
        const TransferResult refused =
            TransferEntry(Text(folder, "new.exe"), Text(folder, "doubt/new.exe"), mode);
        EXPECT_EQ(refused.outcome, TransferOutcome::Failed);
        EXPECT_EQ(folder.ReadBytes("new.exe"), "new");
        EXPECT_EQ(folder.ReadBytes("doubt/new.exe"), "old");
    }
    MakeFolders(folder, "doubt/set");
    folder.WriteBytes("set", "file over folder");
    EXPECT_FALSE(TransferEntry(Text(folder, "set"), Text(folder, "doubt/set"), TransferMode::Move).ok());
    EXPECT_TRUE(FolderExists(Text(folder, "doubt/set")));

    TransferOptions replace;
    replace.replaceExisting = true;
    ASSERT_TRUE(
        TransferEntry(Text(folder, "new.exe"), Text(folder, "doubt/new.exe"), TransferMode::Move, replace)
            .ok());
    EXPECT_EQ(folder.ReadBytes("doubt/new.exe"), "new");
    EXPECT_FALSE(folder.Exists("new.exe"));
    ASSERT_TRUE(
        TransferEntry(Text(folder, "set"), Text(folder, "doubt/set"), TransferMode::Move, replace).ok());
    EXPECT_EQ(folder.ReadBytes("doubt/set"), "file over folder");
}

TEST(FileOpsTransfer, AFolderMovedAcrossFileSystemsThatCannotBeEmptiedSaysWhatStayed) {
    OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    TempFolder folder;
    MakeFolders(folder, "set/locked");
    folder.WriteBytes("set/a", "a");
    folder.WriteBytes("set/locked/b", "b");
    const testing::LockedFolder locked(folder.NativeFile("set/locked"), testing::LockBy::ImmutableFlag);
    if (!locked.On())
        GTEST_SKIP() << locked.Reason();
    const TransferResult moved =
        TransferEntry(Text(folder, "set"), other.PathText("set"), TransferMode::Move);
    // The copy is whole and counts as the item; what stayed is named.
    EXPECT_TRUE(moved.ok());
    EXPECT_TRUE(moved.leftBehind());
    EXPECT_EQ(folder.ReadBytes("set/locked/b"), "b");
    EXPECT_TRUE(FileExists(other.PathText("set\\a")));
    EXPECT_TRUE(FileExists(other.PathText("set\\locked\\b")));
}

TEST(FileOpsTransfer, AFolderIsNeverCopiedIntoItselfUnderAnotherSpelling) {
    TempFolder folder;
    MakeFolders(folder, "set/sub");
    folder.WriteBytes("set/a", "a");
    ASSERT_EQ(::symlink("set", folder.NativeFile("alias").c_str()), 0);
    for (const TransferMode mode : {TransferMode::Copy, TransferMode::Move}) {
        const TransferResult result = TransferEntry(Text(folder, "set"), Text(folder, "alias/sub/set"), mode);
        EXPECT_FALSE(result.ok());
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->fault, FileFault::IntoItself);
        EXPECT_FALSE(folder.Exists("set/sub/set"));
        EXPECT_EQ(folder.ReadBytes("set/a"), "a");
    }
}

TEST(FileOpsTransfer, MoveAcrossFileSystemsCopiesThenRemovesTheSource) {
    OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    TempFolder folder;
    const std::string bytes(2 * 1024 * 1024 + 3, 'z');
    folder.WriteBytes("file.bin", bytes);
    SetMtime(folder.NativeFile("file.bin"), 1232686560);
    MakeFolders(folder, "set/inner");
    folder.WriteBytes("set/inner/b", "b");

    RecordingProgress progress;
    ASSERT_TRUE(
        TransferEntry(Text(folder, "file.bin"), other.PathText("file.bin"), TransferMode::Move, {}, &progress)
            .ok());
    EXPECT_FALSE(folder.Exists("file.bin"));
    EXPECT_EQ(EntrySize(other.PathText("file.bin")), bytes.size());
    EXPECT_EQ(LastWriteTime(other.PathText("file.bin"))->seconds, 1232686560);
    EXPECT_EQ(progress.begins, 1);

    ASSERT_TRUE(TransferEntry(Text(folder, "set"), other.PathText("set"), TransferMode::Move).ok());
    EXPECT_FALSE(folder.Exists("set"));
    EXPECT_TRUE(FileExists(other.PathText("set\\inner\\b")));

    // Cancelled half way: the source stays, nothing is left at the target.
    RecordingProgress cancel(1);
    const TransferResult aborted =
        TransferEntry(other.PathText("file.bin"), Text(folder, "back.bin"), TransferMode::Move, {}, &cancel);
    EXPECT_EQ(aborted.outcome, TransferOutcome::Aborted);
    EXPECT_TRUE(FileExists(other.PathText("file.bin")));
    EXPECT_TRUE(Names(folder.Native()).empty());
}

// What must be on the disk before a copy takes its name (the journal's intent) is waited for at
// one moment: the copy is complete, nothing stands at the target yet and the source is whole.
TEST(FileOpsTransfer, TheWaitBeforePlacingComesAfterTheCopyAndBeforeTheTargetOrTheSourceChanges) {
    OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    TempFolder folder;
    const std::string bytes(3 * 1024 * 1024 + 5, 'q');
    folder.WriteBytes("file.bin", bytes);
    for (const TransferMode mode : {TransferMode::Move, TransferMode::Copy}) {
        int calls = 0;
        TransferOptions options;
        options.acrossFileSystems = true;
        options.beforePlacing = [&] {
            ++calls;
            EXPECT_FALSE(FileExists(other.PathText("file.bin")));
            EXPECT_EQ(folder.ReadBytes("file.bin"), bytes);
            // The copy is whole under its hidden name.
            bool whole = false;
            for (const std::string& name : Names(other.Native("")))
                whole = whole || (name.starts_with(".sorvanta-transfer-") &&
                                  EntrySize(other.PathText(name)) == bytes.size());
            EXPECT_TRUE(whole);
        };
        ASSERT_TRUE(TransferEntry(Text(folder, "file.bin"), other.PathText("file.bin"), mode, options).ok());
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(EntrySize(other.PathText("file.bin")), bytes.size());
        EXPECT_EQ(folder.Exists("file.bin"), mode == TransferMode::Copy);
        if (mode == TransferMode::Move)
            folder.WriteBytes("file.bin", bytes);
        std::filesystem::remove(other.Native("file.bin"));
    }
    // A failed copy never waits: nothing is placed.
    int calls = 0;
    TransferOptions options;
    options.beforePlacing = [&] { ++calls; };
    RecordingProgress cancel(1);
    EXPECT_FALSE(
        TransferEntry(Text(folder, "file.bin"), other.PathText("x.bin"), TransferMode::Move, options, &cancel)
            .ok());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(folder.ReadBytes("file.bin"), bytes);
}

// A caller that says "across file systems" wrongly costs a copy, never a byte.
TEST(FileOpsTransfer, AMoveWronglyToldItCrossesFileSystemsIsStillAWholeMove) {
    TempFolder folder;
    folder.WriteBytes("a.bin", "some bytes");
    MakeFolders(folder, "to");
    TransferOptions options;
    options.acrossFileSystems = true;
    ASSERT_TRUE(
        TransferEntry(Text(folder, "a.bin"), Text(folder, "to\\a.bin"), TransferMode::Move, options).ok());
    EXPECT_FALSE(folder.Exists("a.bin"));
    EXPECT_EQ(folder.ReadBytes("to/a.bin"), "some bytes");
    // An existing target is still refused.
    folder.WriteBytes("b.bin", "new");
    folder.WriteBytes("to/b.bin", "old");
    EXPECT_FALSE(
        TransferEntry(Text(folder, "b.bin"), Text(folder, "to\\b.bin"), TransferMode::Move, options).ok());
    EXPECT_EQ(folder.ReadBytes("to/b.bin"), "old");
    EXPECT_EQ(folder.ReadBytes("b.bin"), "new");
}

// Across file systems the bytes go through the kernel; holes stay holes and every chunk is reported.
TEST(FileOpsTransfer, AcrossFileSystemsASparseFileKeepsItsHolesAndReportsEveryChunk) {
    OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    TempFolder folder;
    const std::string data(3 * 1024 * 1024 + 17, 'd');
    const off_t far = 512LL << 20;
    {
        const int fd = ::open(folder.NativeFile("sparse").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, data.data(), data.size(), 0), static_cast<ssize_t>(data.size()));
        ASSERT_EQ(::pwrite(fd, "tail", 4, far), 4);
        ::close(fd);
    }
    RecordingProgress progress;
    const TransferResult result =
        TransferEntry(Text(folder, "sparse"), other.PathText("sparse"), TransferMode::Move, {}, &progress);
    ASSERT_TRUE(result.ok()) << Why(result.error);
    EXPECT_FALSE(folder.Exists("sparse"));
    const std::uint64_t size = static_cast<std::uint64_t>(far) + 4;
    EXPECT_EQ(progress.total, size);
    EXPECT_EQ(progress.done, size);
    EXPECT_GE(progress.calls, 4); // at least one call per MiB of data, and one for the hole
    const std::string copy = other.Native("sparse");
    struct stat st {};
    ASSERT_EQ(::stat(copy.c_str(), &st), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(st.st_size), size);
    EXPECT_LT(static_cast<std::uint64_t>(st.st_blocks) * 512, 64ULL << 20);
    const int fd = ::open(copy.c_str(), O_RDONLY);
    std::string head(data.size(), '\0');
    char tail[4] = {};
    EXPECT_EQ(::pread(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    EXPECT_EQ(::pread(fd, tail, 4, far), 4);
    ::close(fd);
    EXPECT_EQ(head, data);
    EXPECT_EQ(std::string(tail, 4), "tail");
    EXPECT_EQ(Names(other.Native("")), std::set<std::string>{"sparse"});
}

// What a killed copy left behind goes with the next copy into that folder; a live process's
// temporaries, our own, and names that only look alike stay.
TEST(FileOpsTransfer, TheNextCopyIntoAFolderRemovesTheTemporariesOfDeadProcesses) {
    TempFolder folder;
    MakeFolders(folder, "dest");
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const pid_t live = ::fork();
    if (live == 0) {
        ::pause();
        ::_exit(0);
    }
    const std::string deadFile = ".sorvanta-transfer-" + std::to_string(dead) + "-0";
    const std::string deadFolder = ".sorvanta-transfer-" + std::to_string(dead) + "-7";
    const std::string liveFile = ".sorvanta-transfer-" + std::to_string(live) + "-1";
    const std::string ownFile = ".sorvanta-transfer-" + std::to_string(::getpid()) + "-999999";
    for (const std::string& name : {deadFile, liveFile, ownFile, std::string(".sorvanta-transfer-notes.txt"),
                                    std::string(".sorvanta-transfer-12-x")})
        folder.WriteBytes("dest/" + name, "partial");
    MakeFolders(folder, "dest/" + deadFolder + "/inner");
    folder.WriteBytes("dest/" + deadFolder + "/inner/b", "b");
    folder.WriteBytes("new.txt", "new");

    const TransferResult result =
        TransferEntry(Text(folder, "new.txt"), Text(folder, "dest/new.txt"), TransferMode::Copy);
    ::kill(live, SIGKILL);
    ::waitpid(live, nullptr, 0);
    ASSERT_TRUE(result.ok()) << Why(result.error);
    EXPECT_EQ(Names(folder.NativeFile("dest")),
              (std::set<std::string>{"new.txt", liveFile, ownFile, ".sorvanta-transfer-notes.txt",
                                     ".sorvanta-transfer-12-x"}));
}

// ---- Moves across file systems while another process writes ------------------------------------

// A process of its own that changes files when told: the parent sends a command byte at a chosen
// moment of the transfer and waits for the answer, so the change lands exactly there.
class ForkedWriter final {
public:
    // `act` runs in the child for every command; a `uid` other than 0 makes the child that user
    // (and group) first, as a download service of its own user would be.
    explicit ForkedWriter(const std::function<void(char)>& act, uid_t uid = 0) {
        int commands[2];
        int answers[2];
        if (::pipe(commands) != 0 || ::pipe(answers) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(commands[1]);
            ::close(answers[0]);
            if (uid != 0 && (::setgid(uid) != 0 || ::setuid(uid) != 0))
                ::_exit(2);
            char command = 0;
            while (::read(commands[0], &command, 1) == 1) {
                act(command);
                if (::write(answers[1], &command, 1) != 1)
                    ::_exit(3);
            }
            ::_exit(0);
        }
        ::close(commands[0]);
        ::close(answers[1]);
        m_commands = commands[1];
        m_answers = answers[0];
    }
    ~ForkedWriter() {
        if (m_commands >= 0)
            ::close(m_commands);
        if (m_answers >= 0)
            ::close(m_answers);
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    ForkedWriter(const ForkedWriter&) = delete;
    ForkedWriter& operator=(const ForkedWriter&) = delete;

    bool Started() const { return m_pid > 0; }
    // True once the child has done it.
    bool Tell(char command) {
        char answer = 0;
        return ::write(m_commands, &command, 1) == 1 && ::read(m_answers, &answer, 1) == 1 &&
               answer == command;
    }

private:
    pid_t m_pid = -1;
    int m_commands = -1;
    int m_answers = -1;
};

// Progress calls handed to the test: Advance(bytes) and End().
class HookedProgress final : public TransferProgress {
public:
    std::function<void(std::uint64_t)> onAdvance;
    std::function<void()> onEnd;
    void Begin(std::string_view, std::uint64_t) override {}
    bool Advance(std::uint64_t bytes) override {
        if (onAdvance)
            onAdvance(bytes);
        return true;
    }
    void End() override {
        if (onEnd)
            onEnd();
    }
};

std::string ReadNative(const std::string& native) {
    std::ifstream in(native, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file below the folder (not the folders), as paths relative to it.
std::set<std::string> FilesBelow(const std::string& native) {
    std::set<std::string> files;
    if (!fs::exists(native))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(native)) {
        if (!entry.is_directory())
            files.insert(entry.path().lexically_relative(native).string());
    }
    return files;
}

std::string Bytes(char fill, std::size_t size, std::size_t salt) {
    std::string bytes(size, fill);
    for (std::size_t i = 0; i < size; i += 97)
        bytes[i] = static_cast<char>('a' + (i / 97 + salt) % 26);
    return bytes;
}

// A folder moved from disk to tmpfs while another process adds a file to it, appends to a file
// already copied and to a file during its own copy: nothing is lost, what changed or arrived stays
// in the folder and is named, and the target keeps no stale copy of what changed.
TEST(FileOpsTransfer, AFolderMovedWhileAnotherProcessWritesToItKeepsEveryByte) {
    OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    TempFolder folder;
    const std::string top = "show abc 01";
    MakeFolders(folder, top + "/sub");
    // Small files of distinct sizes, each copied in one chunk, so that a progress call tells which
    // one was just copied; the big one takes several chunks.
    std::map<std::string, std::string> expected = {
        {"a.bin", Bytes('A', (3 << 20) + 5, 1)},
        {"b.txt", Bytes('b', 101, 2)},
        {"c.txt", Bytes('c', 202, 3)},
        {"sub/d.txt", Bytes('d', 303, 4)},
    };
    for (const auto& [name, bytes] : expected)
        folder.WriteBytes(top + "/" + name, bytes);
    const std::string more = "+appended by the other process";
    const std::string arrived = "saved during the copy";
    const std::string sourceTop = folder.NativeFile(top);
    ForkedWriter writer([&](char command) {
        auto append = [&](const std::string& name) {
            std::ofstream(sourceTop + "/" + name, std::ios::binary | std::ios::app) << more;
        };
        if (command == 'a') {
            append("a.bin");
        } else if (command == 's') {
            for (const char* name : {"b.txt", "c.txt", "sub/d.txt"})
                append(name);
            std::ofstream(sourceTop + "/arrived-during-copy.txt", std::ios::binary) << arrived;
            std::ofstream(sourceTop + "/sub/new.txt", std::ios::binary) << arrived;
        }
    });
    ASSERT_TRUE(writer.Started());

    std::map<std::uint64_t, std::string> bySize;
    for (const auto& [name, bytes] : expected)
        bySize[bytes.size()] = name;
    std::string justCopied;
    std::string firstSmallCopied;
    bool bigTold = false;
    bool smallTold = false;
    HookedProgress progress;
    progress.onAdvance = [&](std::uint64_t bytes) {
        if (bytes == 1 << 20 && !bigTold) {
            // a.bin is half copied.
            bigTold = true;
            EXPECT_TRUE(writer.Tell('a'));
        } else if (bytes == 0 && !justCopied.empty() && !smallTold) {
            // A small file is copied whole; the others may or may not be yet.
            smallTold = true;
            firstSmallCopied = justCopied;
            EXPECT_TRUE(writer.Tell('s'));
        }
        const auto small = bySize.find(bytes);
        justCopied = bytes > 0 && small != bySize.end() && small->second != "a.bin" ? small->second : "";
    };
    const TransferResult result =
        TransferEntry(Text(folder, top), other.PathText(top), TransferMode::Move, {}, &progress);
    ASSERT_TRUE(result.ok()) << Why(result.error);
    ASSERT_TRUE(bigTold && smallTold);
    for (const char* name : {"a.bin", "b.txt", "c.txt", "sub/d.txt"})
        expected[name] += more;
    expected["arrived-during-copy.txt"] = arrived;
    expected["sub/new.txt"] = arrived;

    // Every byte exists once: in the source or the target, never a stale copy in both.
    const std::string target = other.Native(top);
    for (const auto& [name, bytes] : expected) {
        const bool inSource = fs::exists(sourceTop + "/" + name);
        const bool inTarget = fs::exists(target + "/" + name);
        EXPECT_NE(inSource, inTarget) << name;
        EXPECT_EQ(ReadNative((inSource ? sourceTop : target) + "/" + name), bytes) << name;
    }
    // Changed during its own copy, changed after it, arrived: all stayed where they were.
    for (const std::string& name :
         {std::string("a.bin"), firstSmallCopied, std::string("arrived-during-copy.txt")})
        EXPECT_TRUE(fs::exists(sourceTop + "/" + name)) << name;
    EXPECT_TRUE(fs::is_directory(sourceTop));
    // The result names exactly what stayed.
    const std::set<std::string> stayed(result.stayedBehind.begin(), result.stayedBehind.end());
    EXPECT_EQ(stayed, FilesBelow(sourceTop));
    EXPECT_TRUE(result.leftBehind());
    EXPECT_EQ(Names(other.Native("")), std::set<std::string>{top}); // no temporary left
}

// A download service of another user keeps its file open, has written the first half and writes
// more, or rewrites what it wrote, while the file is copied or right after: the move is refused,
// the source keeps every byte, and nothing is left at the target.
TEST(FileOpsTransfer, AFileAnotherUserIsStillWritingIsNotMoved) {
    OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    if (::geteuid() != 0)
        GTEST_SKIP() << "a writer under another user id needs the tests to run as root";
    constexpr uid_t kNobody = 65534;
    const std::string firstHalf = Bytes('1', (2 << 20) + 11, 5);
    const std::string secondHalf = Bytes('2', (2 << 20) + 13, 6);
    const std::string rewritten = Bytes('R', 4096, 7);
    struct Case {
        const char* when;
        char change; // '2': the second half is appended; 'r': the start is rewritten in place
    };
    for (const Case& c : {Case{"during", '2'}, Case{"during", 'r'}, Case{"after", '2'}, Case{"after", 'r'}}) {
        SCOPED_TRACE(std::string(c.when) + " the copy, change " + c.change);
        TempFolder folder;
        ASSERT_EQ(::chmod(folder.Native().c_str(), 0755), 0);
        const std::string file = folder.NativeFile("download.part");
        folder.WriteBytes("download.part", "");
        ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
        ForkedWriter writer(
            [&](char command) {
                static int fd = -1;
                if (fd < 0)
                    fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
                if (command == '1')
                    static_cast<void>(::write(fd, firstHalf.data(), firstHalf.size()));
                else if (command == '2')
                    static_cast<void>(::write(fd, secondHalf.data(), secondHalf.size()));
                else if (command == 'r')
                    static_cast<void>(::pwrite(::open(file.c_str(), O_WRONLY | O_CLOEXEC), rewritten.data(),
                                               rewritten.size(), 0));
            },
            kNobody);
        ASSERT_TRUE(writer.Started());
        ASSERT_TRUE(writer.Tell('1'));
        // The pause before the change is long as the file's clock goes: its time stamp is old.
        SetMtime(file, 1232686560);
        std::string expected = firstHalf;
        if (c.change == '2')
            expected += secondHalf;
        else
            expected.replace(0, rewritten.size(), rewritten);

        bool told = false;
        auto change = [&] {
            if (!told) {
                told = true;
                EXPECT_TRUE(writer.Tell(c.change));
            }
        };
        HookedProgress progress;
        if (std::string(c.when) == "during")
            progress.onAdvance = [&](std::uint64_t) { change(); };
        else
            progress.onEnd = change; // the copy is complete, not yet in place
        const TransferResult result = TransferEntry(FromNativePath(file), other.PathText("download.part"),
                                                    TransferMode::Move, {}, &progress);
        ASSERT_TRUE(told);
        EXPECT_EQ(result.outcome, TransferOutcome::Failed);
        EXPECT_TRUE(result.changedDuringCopy);
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->fault, FileFault::Changed) << Why(result.error);
        EXPECT_EQ(folder.ReadBytes("download.part"), expected);
        EXPECT_TRUE(Names(other.Native("")).empty()); // no target, no temporary
    }
}

// A folder with nothing changed goes whole, and a file moved and copied keeps working as before: the
// checks refuse only what really changed.
TEST(FileOpsTransfer, AnUnchangedFolderMovedAcrossFileSystemsLeavesNothingBehind) {
    OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    TempFolder folder;
    MakeFolders(folder, "set/empty");
    MakeFolders(folder, "set/locked/deeper");
    folder.WriteBytes("set/a", "a");
    folder.WriteBytes("set/locked/deeper/b", "b");
    ASSERT_EQ(::symlink("a", folder.NativeFile("set/link").c_str()), 0);
    // A folder without the owner's write bit is emptied all the same.
    ASSERT_EQ(::chmod(folder.NativeFile("set/locked").c_str(), 0555), 0);
    const TransferResult result =
        TransferEntry(Text(folder, "set"), other.PathText("set"), TransferMode::Move);
    ASSERT_TRUE(result.ok()) << Why(result.error);
    EXPECT_FALSE(result.leftBehind()) << Why(result.leftBehindError);
    EXPECT_TRUE(result.stayedBehind.empty());
    EXPECT_FALSE(folder.Exists("set"));
    EXPECT_EQ(FilesBelow(other.Native("set")), (std::set<std::string>{"a", "link", "locked/deeper/b"}));
    EXPECT_TRUE(fs::is_directory(other.Native("set/empty")));
}

TEST(FileOpsTransfer, RenameEntryNeverReplaces) {
    TempFolder folder;
    folder.WriteBytes("clip.AVI", "a");
    folder.WriteBytes("clip.mpg", "b");
    EXPECT_FALSE(RenameEntry(Text(folder, "clip.AVI"), Text(folder, "clip.mpg")).ok());
    EXPECT_EQ(folder.ReadBytes("clip.mpg"), "b");
    EXPECT_TRUE(RenameEntry(Text(folder, "clip.AVI"), Text(folder, "clip.wmv")).ok());
    EXPECT_EQ(folder.ReadBytes("clip.wmv"), "a");
}

} // namespace
} // namespace sv
