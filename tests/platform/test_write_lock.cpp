// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/write_lock.h"

#include "testing.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#if __has_include(<linux/landlock.h>)
#include <linux/landlock.h>
#endif

namespace sv {
namespace {

using testing::TempFolder;

constexpr int kNoLandlock = 77;

long LandlockAbi() {
#if defined(SYS_landlock_create_ruleset) && defined(LANDLOCK_CREATE_RULESET_VERSION)
    return ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
#else
    return -1;
#endif
}

// Runs in the forked child only, since the lock is for good: what went wrong, "" when nothing did.
std::string ChecksUnderTheLock(const TempFolder& folder) {
    if (const Status locked = DenyFileSystemWrites(); !locked.ok()) {
        if (LandlockAbi() < 0)
            ::_exit(kNoLandlock);
        return "the lock failed though Landlock is there: " + locked.error();
    }
    const std::string existing = folder.NativeFile("existing");
    std::string wrong;
    const auto expectDenied = [&wrong](bool succeeded, const char* what) {
        if (succeeded)
            wrong += std::string(what) + "; ";
    };
    expectDenied(::open(folder.NativeFile("new").c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644) >= 0, "create");
    expectDenied(::open(existing.c_str(), O_WRONLY) >= 0, "open for writing");
    expectDenied(::rename(existing.c_str(), folder.NativeFile("renamed").c_str()) == 0, "rename");
    expectDenied(::unlink(existing.c_str()) == 0, "unlink");
    expectDenied(::mkdir(folder.NativeFile("made").c_str(), 0755) == 0, "mkdir");
    expectDenied(::rmdir(folder.NativeFile("inner").c_str()) == 0, "rmdir");
    expectDenied(::symlink(existing.c_str(), folder.NativeFile("link").c_str()) == 0, "symlink");
    expectDenied(::link(existing.c_str(), folder.NativeFile("hard").c_str()) == 0, "link");
    // Truncation by path is caught from ABI 3 on, even where the headers predate it.
    if (LandlockAbi() >= 3)
        expectDenied(::truncate(existing.c_str(), 0) == 0, "truncate");
    if (folder.ReadBytes("existing") != "original bytes")
        wrong += "read; ";
    return wrong;
}

TEST(WriteLock, DeniesEveryChangeButKeepsReading) {
    TempFolder folder;
    folder.WriteBytes("existing", "original bytes");
    ASSERT_EQ(::mkdir(folder.NativeFile("inner").c_str(), 0755), 0);

    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        const std::string wrong = ChecksUnderTheLock(folder);
        const bool sent =
            ::write(report[1], wrong.data(), wrong.size()) == static_cast<ssize_t>(wrong.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(report[1]);
    std::string wrong;
    char buffer[256];
    for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;)
        wrong.append(buffer, static_cast<std::size_t>(n));
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kNoLandlock)
        GTEST_SKIP() << "the kernel offers no Landlock";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(wrong, "") << "allowed under the lock";

    EXPECT_EQ(folder.ReadBytes("existing"), "original bytes");
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Native()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"existing", "inner"}));
}

} // namespace
} // namespace sv
