// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fileops.h"

#include "platform/files.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sv {
namespace {

using testing::TempFolder;
namespace fs = std::filesystem;

std::string Text(const TempFolder& folder, std::string_view relative) {
    return folder.PathText() + FromNativePath(relative);
}

void MakeFolders(const TempFolder& folder, std::string_view relative) {
    fs::create_directories(folder.NativeFile(relative));
}

void SetMtime(const std::string& native, std::int64_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

std::set<std::string> Names(const std::string& native) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(native))
        names.insert(entry.path().filename().string());
    return names;
}

// A folder on a file system other than the temporary folder's, when the machine has one.
class OtherFileSystemFolder final {
public:
    OtherFileSystemFolder() {
        struct stat tmp {};
        struct stat shm {};
        if (::stat(fs::temp_directory_path().c_str(), &tmp) != 0 || ::stat("/dev/shm", &shm) != 0 ||
            tmp.st_dev == shm.st_dev)
            return;
        std::string pattern = "/dev/shm/sorvanta-test-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_native = pattern;
    }
    ~OtherFileSystemFolder() {
        if (!m_native.empty()) {
            std::error_code ec;
            fs::remove_all(m_native, ec);
        }
    }
    OtherFileSystemFolder(const OtherFileSystemFolder&) = delete;
    OtherFileSystemFolder& operator=(const OtherFileSystemFolder&) = delete;

    bool Available() const { return !m_native.empty(); }
    std::string Native(std::string_view name) const { return m_native + "/" + std::string(name); }
    std::string PathText(std::string_view name) const { return FromNativePath(Native(name)); }

private:
    std::string m_native;
};

class ScopedEnv final {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

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

// ---- Enumeration and attributes ----------------------------------------------------------------

TEST(FileOpsEnumeration, ReportsFoldersHiddenEntriesAndBackslashNames) {
    TempFolder folder;
    folder.WriteBytes("plain.txt", "x");
    folder.WriteBytes(".hidden", "x");
    folder.WriteBytes("back\\slash.txt", "x");
    MakeFolders(folder, "sub");
    MakeFolders(folder, ".hiddenfolder");
    ASSERT_EQ(::symlink("sub", folder.NativeFile("link").c_str()), 0);

    struct Seen {
        bool isFolder, hidden, backslash;
    };
    std::map<std::string, Seen> seen;
    const Status status = ForEachEntry(folder.PathText(), [&](const DirEntry& entry) {
        seen[std::string(entry.name)] = {entry.isFolder, entry.hidden, entry.backslashName};
        return true;
    });
    ASSERT_TRUE(status.ok()) << status.error();
    ASSERT_EQ(seen.size(), 6U); // no "." or ".."
    EXPECT_FALSE(seen["plain.txt"].isFolder);
    EXPECT_FALSE(seen["plain.txt"].hidden);
    EXPECT_TRUE(seen[".hidden"].hidden);
    EXPECT_TRUE(seen["sub"].isFolder);
    EXPECT_TRUE(seen[".hiddenfolder"].isFolder);
    EXPECT_TRUE(seen[".hiddenfolder"].hidden);
    EXPECT_TRUE(seen["back\\slash.txt"].backslash);
    EXPECT_FALSE(seen["plain.txt"].backslash);
    EXPECT_FALSE(seen["link"].isFolder); // a link is moved as a link, never entered

    std::set<std::string> filtered;
    ASSERT_TRUE(ForEachEntry(
                    folder.PathText(),
                    [&](const DirEntry& entry) {
                        filtered.insert(std::string(entry.name));
                        return true;
                    },
                    EnumOptions{true, true})
                    .ok());
    EXPECT_EQ(filtered, (std::set<std::string>{"plain.txt", "sub", "link"}));
}

TEST(FileOpsEnumeration, StopsEarlyAndFailsOnMissingFolder) {
    TempFolder folder;
    for (int i = 0; i < 5; ++i)
        folder.WriteBytes("f" + std::to_string(i), "");
    int visits = 0;
    EXPECT_TRUE(ForEachEntry(folder.PathText(), [&](const DirEntry&) { return ++visits < 2; }).ok());
    EXPECT_EQ(visits, 2);

    EXPECT_FALSE(ForEachEntry(Text(folder, "missing"), [](const DirEntry&) { return true; }).ok());
    DirReader reader;
    EXPECT_FALSE(reader.Open(Text(folder, "missing")).ok());
    EXPECT_FALSE(reader.Next().has_value());
}

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

// ---- Folders and deletion ----------------------------------------------------------------------

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
    const Status missing = DeletePermanently(Text(folder, "file"));
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("file"), std::string::npos);
}

// ---- Transfer ----------------------------------------------------------------------------------

TEST(FileOpsTransfer, MoveWithinOneFileSystemRenames) {
    TempFolder folder;
    folder.WriteBytes("clip.avi", "movie");
    SetMtime(folder.NativeFile("clip.avi"), 1000000000);
    RecordingProgress progress;
    const TransferResult result = TransferEntry(Text(folder, "clip.avi"), Text(folder, "dest/new/clip.avi"),
                                                TransferMode::Move, {}, &progress);
    ASSERT_TRUE(result.ok()) << result.reason;
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
    ASSERT_TRUE(result.ok()) << result.reason;
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
    ASSERT_TRUE(result.ok()) << result.reason;
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
    EXPECT_FALSE(result.reason.empty());
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
    EXPECT_NE(result.reason.find("pipe"), std::string::npos);
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

TEST(FileOpsTransfer, RenameEntryNeverReplaces) {
    TempFolder folder;
    folder.WriteBytes("clip.AVI", "a");
    folder.WriteBytes("clip.mpg", "b");
    EXPECT_FALSE(RenameEntry(Text(folder, "clip.AVI"), Text(folder, "clip.mpg")).ok());
    EXPECT_EQ(folder.ReadBytes("clip.mpg"), "b");
    EXPECT_TRUE(RenameEntry(Text(folder, "clip.AVI"), Text(folder, "clip.wmv")).ok());
    EXPECT_EQ(folder.ReadBytes("clip.wmv"), "a");
}

// ---- Recycle bin -------------------------------------------------------------------------------

TEST(FileOpsTrash, MovesIntoTheHomeTrashOfAnEmptyHome) {
    TempFolder home;
    TempFolder work;
    ScopedEnv homeEnv("HOME", home.Native());
    ScopedEnv xdgEnv("XDG_DATA_HOME", std::nullopt);
    ScopedFixedClock clock({2009, 1, 23, 4, 56, 7});
    work.WriteBytes("a b%.txt", "first");
    std::string where;
    const Status status = MoveToRecycleBin(Text(work, "a b%.txt"), &where);
    ASSERT_TRUE(status.ok()) << status.error();
    EXPECT_FALSE(work.Exists("a b%.txt"));
    EXPECT_EQ(home.ReadBytes(".local/share/Trash/files/a b%.txt"), "first");
    EXPECT_EQ(where, home.PathText() + ".local\\share\\Trash\\files\\a b%.txt");
    EXPECT_EQ(home.ReadBytes(".local/share/Trash/info/a b%.txt.trashinfo"),
              "[Trash Info]\nPath=" + work.Native() + "/a%20b%25.txt\nDeletionDate=2009-01-23T04:56:07\n");

    // The same name again gets a name of its own; so does a folder.
    work.WriteBytes("a b%.txt", "second");
    ASSERT_TRUE(MoveToRecycleBin(Text(work, "a b%.txt"), &where).ok());
    EXPECT_EQ(home.ReadBytes(".local/share/Trash/files/a b%.txt"), "first");
    EXPECT_EQ(home.ReadBytes(".local/share/Trash/files/a b%.txt.2"), "second");
    EXPECT_TRUE(home.Exists(".local/share/Trash/info/a b%.txt.2.trashinfo"));
    MakeFolders(work, "set/inner");
    ASSERT_TRUE(MoveToRecycleBin(Text(work, "set")).ok());
    EXPECT_TRUE(home.Exists(".local/share/Trash/files/set/inner"));

    EXPECT_FALSE(MoveToRecycleBin(Text(work, "missing")).ok());
    EXPECT_FALSE(home.Exists(".local/share/Trash/info/missing.trashinfo"));
}

TEST(FileOpsTrash, UsesXdgDataHome) {
    TempFolder data;
    TempFolder work;
    ScopedEnv xdgEnv("XDG_DATA_HOME", data.Native() + "/share");
    work.WriteBytes("x", "x");
    ASSERT_TRUE(MoveToRecycleBin(Text(work, "x")).ok());
    EXPECT_TRUE(data.Exists("share/Trash/files/x"));
    EXPECT_TRUE(data.Exists("share/Trash/info/x.trashinfo"));
}

// ---- In use ------------------------------------------------------------------------------------

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
