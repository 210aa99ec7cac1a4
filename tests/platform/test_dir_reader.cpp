// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dir_reader.h"

#include "platform/file_messages.h"
#include "platform/fileops_testing.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <unistd.h>

namespace sv {
namespace {

using testing::MakeFolders;
using testing::TempFolder;
using testing::Text;

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
    const FileStatus status = ForEachEntry(folder.PathText(), [&](const DirEntry& entry) {
        seen[std::string(entry.name)] = {entry.isFolder, entry.hidden, entry.backslashName};
        return true;
    });
    ASSERT_TRUE(status.ok()) << FileErrorText(status.error());
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

} // namespace
} // namespace sv
