// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/trash.h"

#include "platform/clock.h"
#include "platform/fileops_testing.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace sv {
namespace {

using testing::MakeFolders;
using testing::TempFolder;
using testing::Text;

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

TEST(FileOpsTrash, MovesIntoTheHomeTrashOfAnEmptyHome) {
    TempFolder home;
    TempFolder work;
    ScopedEnv homeEnv("HOME", home.Native());
    ScopedEnv xdgEnv("XDG_DATA_HOME", std::nullopt);
    ScopedFixedClock clock({2009, 1, 23, 4, 56, 7});
    work.WriteBytes("a b%.txt", "first");
    const FileResult<std::string> trashed = MoveToRecycleBin(Text(work, "a b%.txt"));
    ASSERT_TRUE(trashed.ok()) << testing::Why(trashed.error());
    const std::string where = trashed.value();
    EXPECT_FALSE(work.Exists("a b%.txt"));
    EXPECT_EQ(home.ReadBytes(".local/share/Trash/files/a b%.txt"), "first");
    EXPECT_EQ(where, home.PathText() + ".local\\share\\Trash\\files\\a b%.txt");
    EXPECT_EQ(home.ReadBytes(".local/share/Trash/info/a b%.txt.trashinfo"),
              "[Trash Info]\nPath=" + work.Native() + "/a%20b%25.txt\nDeletionDate=2009-01-23T04:56:07\n");

    // The same name again gets a name of its own; so does a folder.
    work.WriteBytes("a b%.txt", "second");
    ASSERT_TRUE(MoveToRecycleBin(Text(work, "a b%.txt")).ok());
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

} // namespace
} // namespace sv
