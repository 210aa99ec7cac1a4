// SPDX-License-Identifier: GPL-3.0-or-later
// One file under two names is never deleted for itself, and every record names the file it sorted.
#include "platform/pathtext.h"
#include "run_fixture.h"
#include "store/history_file.h"

#include <filesystem>
#include <unistd.h>

namespace sv {
namespace {

using Strings = std::vector<std::string>;

class SameItem : public testing::RunFixture {
protected:
    void Rules(int rule) {
        settings.SameName0 = static_cast<SameNameRule>(rule);
        settings.SameName1 = static_cast<SameNameRule>(rule);
    }
    void Link(std::string_view target, std::string_view rel) const {
        ASSERT_EQ(::symlink(std::string(target).c_str(), N(rel).c_str()), 0);
    }
    bool IsLink(std::string_view rel) const { return std::filesystem::is_symlink(N(rel)); }
};

TEST_F(SameItem, TheSourceFolderUnderAnotherSpellingIsPassedOverByEveryRule) {
    for (int rule = 0; rule <= 2; ++rule) {
        for (const char* spelling : {"alias", "/src", "./src", "x/../src", "src/"}) {
            SCOPED_TRACE(std::string(spelling) + " rule " + std::to_string(rule));
            std::filesystem::remove_all(N("src"));
            Folder("src");
            Folder("x");
            if (!Has("alias"))
                Link("src", "alias");
            Write("src/abc.avi", "the only copy");
            list = TConditionList();
            Add(Fields("abc", spelling));
            Rules(rule);
            ui.rows.clear();
            history.Clear();
            Run();
            EXPECT_EQ(Read("src/abc.avi"), "the only copy");
            EXPECT_FALSE(Has("src/abc[1].avi"));
            EXPECT_TRUE(ui.rows.empty());
            EXPECT_TRUE(history.Empty());
        }
    }
}

TEST_F(SameItem, FoldersThatDifferOnlyInCaseAreTwoFolders) {
    Write("src/abc.avi", "movie");
    Folder("SRC");
    Add(Fields("abc", "SRC"));
    Run();
    EXPECT_EQ(Read("SRC/abc.avi"), "movie");
    EXPECT_FALSE(Has("src/abc.avi"));
    EXPECT_EQ(Rows(), (Strings{"abc.avi|  |SRC"}));
}

TEST_F(SameItem, ASourceLinkToTheExistingFileNeverDeletesIt) {
    Write("d/abc.avi", "content");
    Link(N("d/abc.avi"), "src/abc.avi");
    Add(Fields("abc", "d"));
    for (int rule = 0; rule <= 1; ++rule) {
        Rules(rule);
        Run();
        EXPECT_EQ(Read("d/abc.avi"), "content");
        EXPECT_FALSE(IsLink("d/abc.avi"));
        EXPECT_TRUE(IsLink("src/abc.avi"));
        EXPECT_TRUE(ui.rows.empty());
        ASSERT_EQ(ui.notes.size(), static_cast<std::size_t>(rule + 1));
        EXPECT_NE(ui.notes.back().find("同じファイル"), std::string::npos);
    }
}

TEST_F(SameItem, AnExistingLinkToTheSourceNeverDeletesTheSource) {
    Write("src/abc.avi", "content");
    Folder("d");
    Link("../src/abc.avi", "d/abc.avi");
    Add(Fields("abc", "d"));
    for (int rule = 0; rule <= 1; ++rule) {
        Rules(rule);
        Run();
        EXPECT_EQ(Read("src/abc.avi"), "content");
        EXPECT_TRUE(IsLink("d/abc.avi"));
        EXPECT_TRUE(ui.rows.empty());
    }
    // A second hard link is the same file too.
    std::filesystem::remove(N("d/abc.avi"));
    std::filesystem::create_hard_link(N("src/abc.avi"), N("d/abc.avi"));
    Rules(0);
    Run();
    EXPECT_EQ(Read("src/abc.avi"), "content");
    EXPECT_EQ(Read("d/abc.avi"), "content");
}

TEST_F(SameItem, ALinkToAnotherFileIsMovedAsALinkAndItsTargetStays) {
    Write("elsewhere/abc.avi", "target");
    Link(N("elsewhere/abc.avi"), "src/abc.avi");
    Write("d/abc.avi", "older one");
    Stamp("d/abc.avi", 1'000'000'000);
    Rules(0);
    Add(Fields("abc", "d"));
    Run();
    EXPECT_TRUE(IsLink("d/abc.avi"));
    EXPECT_EQ(Read("d/abc.avi"), "target");
    EXPECT_EQ(Read("elsewhere/abc.avi"), "target");
    EXPECT_EQ(Rows(), (Strings{"abc.avi|\u3000新|d"}));
}

TEST_F(SameItem, AnExtensionChangeOntoATakenNameKeepsTheNameAndRecordsIt) {
    Write("src/clip.avi", "new");
    Write("d/clip.mpg", "other file");
    rules = {{"avi", "mpg"}};
    Add(Fields("clip", "d"));
    Run();
    EXPECT_EQ(Read("d/clip.avi"), "new");
    EXPECT_EQ(Read("d/clip.mpg"), "other file");
    EXPECT_EQ(Rows(), (Strings{"clip.avi|  |d"}));
    ASSERT_EQ(history.lines.size(), 4u);
    EXPECT_EQ(history.lines[2], "clip.avi");
    ASSERT_EQ(ui.notes.size(), 1u);
    EXPECT_NE(ui.notes[0].find("拡張子を変更できませんでした"), std::string::npos);
}

TEST_F(SameItem, EveryRecordLeadsBackToExactlyTheSortedFile) {
    const Strings names = {"abc \u00a5100.txt", "abc \u203e.txt", "abc \u00e9.txt", "abc ?.txt",
                           "abc \n.txt",        "abc &#xE9;.txt", "abc \xff.txt",   "abc \uF741.txt"};
    for (const std::string& name : names)
        Write("src/" + name, name);
    Add(Fields("abc", "d"));
    Run();
    ASSERT_EQ(history.lines.size(), 4 * names.size());
    Strings recorded;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const THistoryEntry entry = HistoryEntryFromLines(history.lines[4 * i], history.lines[4 * i + 1],
                                                          history.lines[4 * i + 2], history.lines[4 * i + 3]);
        const std::string path = HistoryItemPath(entry);
        const std::string name = path.substr(path.rfind('\\') + 1);
        EXPECT_EQ(Read("d/" + name), name);
        EXPECT_EQ(HistorySourceFolder(entry), P("src"));
        recorded.push_back(name);
    }
    std::sort(recorded.begin(), recorded.end());
    Strings expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(recorded, expected);
}

} // namespace
} // namespace sv
