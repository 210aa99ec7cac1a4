// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's list of what a condition takes, against a real run of that condition alone.
#include "dialogs/condition_targets.h"

#include "engine/random_run_cases.h"
#include "platform/clock.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sv {
namespace {

using testing::Case;
using testing::Generator;
using testing::Listing;
using testing::Side;
using testing::Strings;

// "folder|name" of every row, relative to the side's folder, sorted.
Strings Taken(const Side& side, const TTargetList& list) {
    Strings out;
    for (const TTargetRow& row : list.rows)
        out.push_back(side.Relative(row.folder) + "|" + row.name);
    std::sort(out.begin(), out.end());
    return out;
}

Strings Taken(const testing::Outcome& outcome) {
    Strings out;
    for (const std::string& row : outcome.rows) {
        // name|mark|dest|source
        const std::string name = row.substr(0, row.find('|'));
        out.push_back(row.substr(row.rfind('|') + 1) + "|" + name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Rows around the generator's time stamps (14 to 17 November 2023), the run starting on the 18th.
void AddTimeLimits(std::mt19937& rng, TConditionFields& f) {
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    if (pick(0, 2) == 0)
        f.dateLimits[static_cast<std::size_t>(pick(0, 1))] = {true, 2023, 11, pick(14, 18),
                                                              static_cast<TimeSide>(pick(0, 1))};
    if (pick(0, 2) == 0)
        f.ageLimits[static_cast<std::size_t>(pick(0, 1))] = {true, pick(0, 4),
                                                             static_cast<AgeTerm>(pick(0, 1) * pick(0, 1)),
                                                             static_cast<TimeSide>(pick(0, 1))};
}

// More folders taken, and taken from a tree, than the generator's lists of several conditions make.
void TakeFolders(std::mt19937& rng, TConditionFields& f) {
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    if (pick(0, 2) == 0) {
        f.includeFolders = true;
        f.onlyFolders = false;
    }
    if (pick(0, 3) == 0) {
        f.ownSource = true;
        f.sourceFolder = "src";
        f.subFolders = true;
    }
}

TEST(ConditionTargets, TheListNamesWhatARunOfTheConditionAloneTakes) {
    const ScopedFixedClock clock({2023, 11, 18, 0, 0, 0});
    int compared = 0;
    int taken = 0;
    for (unsigned seed = 1; seed <= 120; ++seed) {
        const Case generated = Generator(seed, true).Make();
        std::mt19937 rng(seed);
        for (std::size_t k = 0; k < generated.conditions.size() && k < 3; ++k) {
            Case c = generated;
            TConditionFields f = c.conditions[k];
            // Destinations and the suspicious-file folder outside every source: what a run puts
            // into a folder it is still reading may or may not show up in that reading.
            f.destFolder = std::vector<std::string>{"out", "out/deep", "d3"}[k % 3];
            AddTimeLimits(rng, f);
            TakeFolders(rng, f);
            c.conditions = {f};
            c.rules.clear();
            c.settings.ReadOnly = true;
            c.settings.MakeFolder = true;
            c.settings.FileUsing = false;
            if (!c.settings.DoubtFolder.empty())
                c.settings.DoubtFolder = "doubt";
            Side side(c);

            const Strings before = side.Tree();
            TargetListing listing;
            const TConditionFields stored = DecodeCondition(side.list.At(0));
            ASSERT_TRUE(listing.Read(TargetSourceOf(stored, {side.Abs("src")})));
            const TTargetList list = listing.Match(side.list.At(0), side.settings, Now());
            ASSERT_EQ(Listing(side.Tree()), Listing(before)) << "the list changed the disk, seed " << seed;

            const testing::Outcome ran = side.Run(false);
            ASSERT_EQ(Listing(Taken(side, list)), Listing(Taken(ran)))
                << "seed " << seed << " condition " << k;
            ASSERT_EQ(list.count, ran.processed) << "seed " << seed;
            ++compared;
            taken += list.count;
        }
    }
    // The cases must take something, or the comparison proves nothing.
    EXPECT_GT(compared, 300);
    EXPECT_GT(taken, 200);
}

class TargetListingTest : public ::testing::Test {
protected:
    void Write(const std::string& rel, const std::string& bytes = "x") const {
        std::filesystem::create_directories(std::filesystem::path(dir.NativeFile(rel)).parent_path());
        dir.WriteBytes(rel, bytes);
    }
    std::string P(std::string_view rel) const { return dir.PathText() + FromNativePath(rel); }
    TSortCondition Condition(TConditionFields f) const {
        if (f.destFolder.empty())
            f.destFolder = P("dst");
        TSortCondition c;
        EXPECT_TRUE(ComposeCondition(f, c).ok());
        return c;
    }
    TTargetList List(const TSortCondition& c, const std::vector<std::string>& main) {
        listing.Read(TargetSourceOf(DecodeCondition(c), main));
        return listing.Match(c, settings, Now());
    }

    testing::TempFolder dir;
    TAppSettings settings;
    TargetListing listing;
};

TEST_F(TargetListingTest, FoldersAreReadOncePerSourceAndTheTestsFollowEveryChange) {
    Write("src/a clip.avi", "12345");
    Write("src/b clip.mp3");
    Write("src/.hidden clip.avi");
    TConditionFields f;
    f.keywords = "clip";
    const TTargetSource source = TargetSourceOf(f, {P("src")});
    EXPECT_TRUE(listing.Read(source));
    EXPECT_FALSE(listing.Read(source));
    TTargetList list = listing.Match(Condition(f), settings, Now());
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.countLine, "2 個のファイル（フォルダ）が振り分け対象です");
    // A new file is not seen until the source changes: the folder is not read per change.
    Write("src/c clip.avi");
    f.keywords = "avi";
    EXPECT_FALSE(listing.Read(TargetSourceOf(f, {P("src")})));
    list = listing.Match(Condition(f), settings, Now());
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(list.rows[0], (TTargetRow{"a clip.avi", P("src"), 5, false, false}));
    // Another source is read afresh.
    f.ownSource = true;
    f.sourceFolder = P("src");
    EXPECT_TRUE(listing.Read(TargetSourceOf(f, {P("src")})));
    EXPECT_EQ(listing.Match(Condition(f), settings, Now()).count, 2);
}

TEST_F(TargetListingTest, MissingAndUnreadableFoldersSayWhy) {
    TConditionFields f;
    f.keywords = "x";
    EXPECT_EQ(List(Condition(f), {P("nowhere")}).countLine,
              "0 個のファイル（フォルダ）が振り分け対象です（振り分け元フォルダ [" +
                  ToNativePath(P("nowhere")) + "] が見つかりません）");
    Write("file");
    EXPECT_EQ(List(Condition(f), {P("file")}).countLine,
              "0 個のファイル（フォルダ）が振り分け対象です（振り分け元フォルダ [" + ToNativePath(P("file")) +
                  "] はフォルダではありません）");
    EXPECT_EQ(List(Condition(f), {""}).countLine,
              "0 個のファイル（フォルダ）が振り分け対象です（振り分け元フォルダが指定されていません）");
    // Without a destination a run takes nothing from any folder.
    Write("src/x3");
    EXPECT_EQ(List({"x", "\x13"
                         "0212121111"},
                   {P("src")})
                  .countLine,
              "振り分け先フォルダが指定されていません");
    // Several main folders: what can be read is listed, and the rest is counted.
    Write("a/x1");
    const TTargetList several = List(Condition(f), {P("a"), P("b"), P("c")});
    EXPECT_EQ(several.count, 1);
    EXPECT_NE(several.countLine.find("[" + ToNativePath(P("b")) +
                                     "] が見つかりません。ほかに 1 個のフォルダを読み込めません）"),
              std::string::npos);

    // A folder the user may not read: as an ordinary user one without permissions; root reads
    // everything, so there it is read by another user.
    Write("locked/x2");
    const TSortCondition c = Condition(f);
    const std::string locked = P("locked");
    const std::string unreadable = "0 個のファイル（フォルダ）が振り分け対象です（振り分け元フォルダ [" +
                                   ToNativePath(locked) + "] を読み込めません（アクセスが拒否されました））";
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(dir.NativeFile("locked").c_str(), 0), 0);
        TargetListing own;
        own.Read(TargetSourceOf(DecodeCondition(c), {locked}));
        const std::string line = own.Match(c, TAppSettings{}, Now()).countLine;
        ASSERT_EQ(::chmod(dir.NativeFile("locked").c_str(), 0700), 0);
        EXPECT_EQ(line, unreadable);
        return;
    }
    ASSERT_EQ(::chmod(dir.Native().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.NativeFile("locked").c_str(), 0700), 0);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        TargetListing own;
        own.Read(TargetSourceOf(DecodeCondition(c), {locked}));
        const std::string line = own.Match(c, TAppSettings{}, Now()).countLine;
        const bool written =
            ::write(pipeFds[1], line.data(), line.size()) == static_cast<ssize_t>(line.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string line;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        line.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(line, unreadable);
}

TEST_F(TargetListingTest, TheFirstThousandAreListedAndAllAreCounted) {
    std::filesystem::create_directories(dir.NativeFile("src"));
    for (int i = 0; i < 1200; ++i)
        Write("src/f" + std::to_string(i) + ".dat");
    TConditionFields f;
    f.keywords = "dat";
    const TTargetList list = List(Condition(f), {P("src")});
    EXPECT_EQ(list.count, 1200);
    EXPECT_EQ(list.rows.size(), kTargetRowsShown);
    EXPECT_EQ(list.countLine, "1200 個のファイル（フォルダ）が振り分け対象です");
}

TEST_F(TargetListingTest, AHugeSourceIsReadOnlyUpToItsCounts) {
    for (const char* rel : {"src/a/1.dat", "src/b/2.dat", "src/c/3.dat", "src/d/4.dat", "src/5.dat"})
        Write(rel);
    TConditionFields f;
    f.keywords = "dat";
    f.ownSource = true;
    f.sourceFolder = P("src");
    f.subFolders = true;
    listing = TargetListing(3, 100);
    TTargetList list = List(Condition(f), {});
    EXPECT_EQ(list.count, 3); // src and two of its folders
    EXPECT_EQ(list.countLine, "3 個のファイル（フォルダ）が振り分け対象です（項目が多いため、フォルダ 3 "
                              "個・項目 100 個までを調べました）");
    listing = TargetListing(100, 6);
    EXPECT_EQ(List(Condition(f), {}).count, 2); // src's five entries and one more
    listing = TargetListing(100, 9);
    list = List(Condition(f), {});
    EXPECT_EQ(list.count, 5);
    EXPECT_EQ(list.countLine, "5 個のファイル（フォルダ）が振り分け対象です");
}

TEST_F(TargetListingTest, AFolderMovedWholeTakesWhatIsInsideAlong) {
    Write("src/clip box/clip 1.avi");
    Write("src/clip box/inner/clip 2.avi");
    Write("src/other/clip 3.avi");
    TConditionFields f;
    f.keywords = "clip";
    f.includeFolders = true;
    f.ownSource = true;
    f.sourceFolder = P("src");
    f.subFolders = true;
    Strings names;
    for (const TTargetRow& row : List(Condition(f), {}).rows)
        names.push_back(row.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Strings{"clip 3.avi", "clip box"}));
    // Copied, the folder stays, and so does what is inside it for the next folders.
    f.copyMode = true;
    EXPECT_EQ(List(Condition(f), {}).count, 4);
}

TEST_F(TargetListingTest, SuspiciousFilesAreListedAsTheOptionsSay) {
    Write("src/clip.exe");
    Write("src/clip.avi");
    TConditionFields f;
    f.keywords = "clip";
    settings.NotExe = true;
    settings.NotClass = true;
    EXPECT_EQ(List(Condition(f), {P("src")}).count, 1);
    settings.NotClass = false;
    settings.DoubtFolder = P("doubt");
    const TTargetList list = List(Condition(f), {P("src")});
    ASSERT_EQ(list.count, 2);
    const auto exe = std::find_if(list.rows.begin(), list.rows.end(),
                                  [](const TTargetRow& row) { return row.name == "clip.exe"; });
    ASSERT_NE(exe, list.rows.end());
    EXPECT_TRUE(exe->suspicious);
    // The suspicious-file folder is the source: a run leaves them there.
    settings.DoubtFolder = P("src");
    EXPECT_EQ(List(Condition(f), {P("src")}).count, 1);
}

} // namespace
} // namespace sv
