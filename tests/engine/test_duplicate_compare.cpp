// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate compare on real files with the built digest library: what is hashed, what is
// deleted, and that nothing is deleted unless its bytes are found again at the destination.
#include "engine/duplicate_compare.h"
#include "platform/dir_reader.h"
#include "platform/dry_run.h"
#include "platform/pathtext.h"
#include "platform/transfer.h"
#include "run_fixture.h"
#include "store/history_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace sv::testing {
namespace {

constexpr char kSourceHash[] = "振り分け元ファイル ハッシュ値計算中： ";
constexpr char kDestHash[] = "振り分け先ファイル ハッシュ値計算中： ";
constexpr char kConfirm[] = "振り分け先ファイル 内容照合中： ";

class ScopedEnv final {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
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

class DuplicateCompare : public RunFixture {
protected:
    DuplicateCompare() {
        settings.FileComp = true;
        UseDigestLibrary(SV_MD5_LIBRARY);
        EXPECT_TRUE(digest->EnsureLoaded());
    }
    TCompareOutcome Compare(std::string_view sourceRel, std::string_view destRel,
                            FileSystem& files = Disk()) {
        return CompareWithDestination(ui, *digest, files, cache, P(sourceRel), P(destRel));
    }
    // The files hashed, as native paths, in order; the source's marked with "src:".
    std::vector<std::string> Hashed() const {
        std::vector<std::string> out;
        for (const std::string& s : ui.statuses) {
            if (s.starts_with(kSourceHash))
                out.push_back("src:" + s.substr(std::string_view(kSourceHash).size()));
            else if (s.starts_with(kDestHash))
                out.push_back(s.substr(std::string_view(kDestHash).size()));
        }
        return out;
    }
    int Count(std::string_view prefix) const {
        int n = 0;
        for (const std::string& s : ui.statuses)
            n += s.starts_with(prefix) ? 1 : 0;
        return n;
    }
    // The folder's names in the order a walk meets them.
    std::vector<std::string> Order(std::string_view rel) const {
        std::vector<std::string> names;
        (void)ForEachEntry(P(rel), [&](const DirEntry& e) {
            names.emplace_back(e.name);
            return true;
        });
        return names;
    }

    THashCache cache;
};

TEST_F(DuplicateCompare, AnIdenticalFileIsDeletedAndASameSizeDifferentOneIsSorted) {
    Write("src/a.avi", "same bytes");
    Write("src/b.avi", "diff bytes");
    Write("dst/old.avi", "same bytes");
    Add(Fields("avi", "dst"));
    const TRunOutcome outcome = Run();
    EXPECT_FALSE(outcome.md5Missing);
    EXPECT_FALSE(Has("src/a.avi"));
    EXPECT_FALSE(Has("dst/a.avi"));
    EXPECT_EQ(Read("dst/old.avi"), "same bytes");
    EXPECT_EQ(Read("dst/b.avi"), "diff bytes");
    EXPECT_EQ(outcome.processed, 2);
    const auto rows = Rows();
    EXPECT_NE(std::find(rows.begin(), rows.end(), "a.avi|\u3000消|削除"), rows.end());
    EXPECT_NE(std::find(rows.begin(), rows.end(), "b.avi|  |dst"), rows.end());
    // The history keeps the deletion with the source folder it came from.
    bool recorded = false;
    for (std::size_t i = 0; i + 2 < history.lines.size(); ++i)
        recorded |= history.lines[i] == "\u3000消" && history.lines[i + 1] == "a.avi" &&
                    history.lines[i + 2] == "削除*" + P("src");
    EXPECT_TRUE(recorded);
    // Each compare ends with the bar at 0 and the run's own status.
    EXPECT_EQ(ui.progress, 0);
    EXPECT_EQ(ui.status, "振り分け処理が完了しました。");
    EXPECT_NE(std::find(ui.statuses.begin(), ui.statuses.end(), kStatusCheckingDestination),
              ui.statuses.end());
}

TEST_F(DuplicateCompare, WithDustBoxTheDuplicateGoesToTheTrash) {
    Folder("data");
    const ScopedEnv data("XDG_DATA_HOME", N("data"));
    settings.DustBox = true;
    Write("src/a.avi", "same bytes");
    Write("dst/old.avi", "same bytes");
    Add(Fields("avi", "dst"));
    Run();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a.avi|\u3000消|ごみ箱"}));
    EXPECT_FALSE(Has("src/a.avi"));
    EXPECT_EQ(Read("data/Trash/files/a.avi"), "same bytes");
}

TEST_F(DuplicateCompare, AFailedDeleteLeavesTheFileRecordsNothingAndSaysWhy) {
    // The trash cannot be made below a plain file.
    Write("blocker", "a file where the data folder would be");
    const ScopedEnv data("XDG_DATA_HOME", N("blocker") + "/data");
    settings.DustBox = true;
    Write("src/a.avi", "same bytes");
    Write("dst/old.avi", "same bytes");
    Add(Fields("avi", "dst"));
    const TRunOutcome outcome = Run();
    EXPECT_EQ(Read("src/a.avi"), "same bytes");
    EXPECT_FALSE(Has("dst/a.avi"));
    EXPECT_TRUE(ui.rows.empty());
    EXPECT_TRUE(history.Empty());
    EXPECT_EQ(outcome.processed, 0);
    ASSERT_EQ(box.Shown().size(), 1u);
    EXPECT_EQ(box.Shown()[0].title, "Sorvanta");
    EXPECT_EQ(box.Shown()[0].icon, MbIcon::Error);
    EXPECT_EQ(box.Shown()[0].buttons, MbButtons::Ok);
    EXPECT_NE(box.Shown()[0].text.find(N("src/a.avi")), std::string::npos);
    EXPECT_NE(box.Shown()[0].text.find("削除できませんでした"), std::string::npos);
}

TEST_F(DuplicateCompare, EveryCandidateUpToTheIdenticalOneIsHashed) {
    Write("src/a.avi", "0123456789");
    Write("dst/one.avi", "abcdefghij");
    Write("dst/two.avi", "0123456789");
    Write("dst/short.avi", "0123");
    const TCompareOutcome outcome = Compare("src/a.avi", "dst");
    EXPECT_EQ(outcome.result, CompareResult::Identical);
    EXPECT_EQ(outcome.matchPath, P("dst/two.avi"));
    std::vector<std::string> expected = {"src:" + N("src/a.avi")};
    for (const std::string& name : Order("dst")) {
        if (name == "short.avi")
            continue; // another size: never hashed
        expected.push_back(N("dst/" + name));
        if (name == "two.avi")
            break;
    }
    EXPECT_EQ(Hashed(), expected);
    EXPECT_EQ(Count(kConfirm), 1);
}

TEST_F(DuplicateCompare, WithoutACandidateOfTheSizeNothingIsHashed) {
    Write("src/a.avi", "0123456789");
    Write("dst/x.avi", "012345678");
    Write("dst/.hidden", "01234567890");
    Folder("dst/sub");
    EXPECT_EQ(Compare("src/a.avi", "dst").result, CompareResult::NotIdentical);
    EXPECT_EQ(Compare("src/a.avi", "missing").result, CompareResult::NotIdentical);
    EXPECT_TRUE(Hashed().empty());
    EXPECT_EQ(Compare("src/none.avi", "dst").result, CompareResult::Failed);

    // A missing destination folder: the file is placed as usual, the folder made.
    Add(Fields("avi", "missing"));
    Run();
    EXPECT_TRUE(Has("missing/a.avi"));
    EXPECT_TRUE(Hashed().empty());
}

TEST_F(DuplicateCompare, AHiddenDestinationFileCountsAndTheSourceItselfNeverDoes) {
    Write("src/a.avi", "0123456789");
    Write("dst/.copy", "0123456789");
    EXPECT_EQ(Compare("src/a.avi", "dst").result, CompareResult::Identical);

    // A link at the destination leads to the source itself: deleting the source would lose it.
    Write("src/b.avi", "abcdefghij");
    Folder("dst2");
    std::filesystem::create_symlink(N("src/b.avi"), N("dst2/link.avi"));
    std::filesystem::create_hard_link(N("src/b.avi"), N("dst2/hard.avi"));
    ui.statuses.clear();
    EXPECT_EQ(Compare("src/b.avi", "dst2").result, CompareResult::NotIdentical);
    EXPECT_TRUE(Hashed().empty());
}

TEST_F(DuplicateCompare, ACacheHitAcrossTwoFoldersOfOneConditionIsConfirmedAndNotHashedAgain) {
    Write("in/one/x.avi", "same bytes");
    Write("in/two/y.avi", "same bytes");
    Write("dst/d.avi", "same bytes");
    auto f = Fields("avi", "dst");
    f.ownSource = true;
    f.sourceFolder = P("in");
    f.subFolders = true;
    Add(f);
    Run();
    EXPECT_FALSE(Has("in/one/x.avi"));
    EXPECT_FALSE(Has("in/two/y.avi"));
    EXPECT_EQ(Read("dst/d.avi"), "same bytes");
    auto rows = Rows();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"x.avi|\u3000消|削除", "y.avi|\u3000消|削除"}));
    EXPECT_EQ(Count(kDestHash), 1);
    EXPECT_EQ(Count(kSourceHash), 2);
    // The hit was checked byte for byte like the first match.
    EXPECT_EQ(Count(kConfirm), 2);
}

TEST_F(DuplicateCompare, EmptySourcesCopiesAndConditionsWithoutCompareAreNotCompared) {
    Write("src/empty.avi", "");
    Write("dst/empty0.avi", "");
    Write("src/copy.mpg", "same bytes");
    Write("src/off.mkv", "same bytes");
    Write("dst/old", "same bytes");
    auto copy = Fields("mpg", "dst");
    copy.copyMode = true;
    auto off = Fields("mkv", "dst");
    off.compareOff = true;
    Add(Fields("avi", "dst"));
    Add(copy);
    Add(off);
    Run();
    EXPECT_TRUE(Has("dst/empty.avi"));
    EXPECT_EQ(Read("dst/copy.mpg"), "same bytes");
    EXPECT_EQ(Read("src/copy.mpg"), "same bytes");
    EXPECT_EQ(Read("dst/off.mkv"), "same bytes");
    EXPECT_TRUE(Hashed().empty());
    EXPECT_EQ(std::find(ui.statuses.begin(), ui.statuses.end(), kStatusCheckingDestination),
              ui.statuses.end());
}

TEST_F(DuplicateCompare, CancelDuringALargeFileEndsTheRunWithoutFurtherHashing) {
    constexpr std::uint64_t kSize = 300ull << 20;
    Sparse("src/big.avi", kSize);
    Sparse("src/next.avi", kSize);
    Folder("dst");
    Sparse("dst/big1.avi", kSize);
    Sparse("dst/big2.avi", kSize);
    ui.onEvents = [this](int) {
        if (ui.status.starts_with(kSourceHash))
            ui.PressCancel();
    };
    EXPECT_EQ(Compare("src/big.avi", "dst").result, CompareResult::Cancelled);
    EXPECT_EQ(Hashed().size(), 1u);

    ui.statuses.clear();
    Add(Fields("avi", "dst"));
    const TRunOutcome outcome = Run();
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(Hashed().size(), 1u);
    EXPECT_TRUE(Has("src/big.avi"));
    EXPECT_TRUE(Has("src/next.avi"));
    EXPECT_TRUE(ui.rows.empty());
}

TEST_F(DuplicateCompare, EqualDigestsOfDifferentBytesDeleteNothing) {
    // This library gives every file the same digest, as a crafted collision pair would.
    UseDigestLibrary(SV_MD5_CONSTANT_LIBRARY);
    Write("src/a.avi", "aaaaaaaaaa");
    Write("dst/x.avi", "xxxxxxxxxx");
    Add(Fields("avi", "dst"));
    Run();
    EXPECT_EQ(Read("dst/a.avi"), "aaaaaaaaaa");
    EXPECT_EQ(Read("dst/x.avi"), "xxxxxxxxxx");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a.avi|  |dst"}));

    // A cache hit is confirmed the same way: the cached file's bytes differ, the walk goes on and
    // finds the real duplicate.
    Write("src/b.avi", "bbbbbbbbbb");
    Write("dst2/z.avi", "bbbbbbbbbb");
    ui.BeginRun(false); // the finished run left OK enabled, which reads as a cancel
    ASSERT_TRUE(cache.Add("0123456789abcdef0123456789abcdef", P("dst/x.avi")));
    const TCompareOutcome outcome = Compare("src/b.avi", "dst2");
    EXPECT_EQ(outcome.result, CompareResult::Identical);
    EXPECT_EQ(outcome.matchPath, P("dst2/z.avi"));
    // Within the turn the confirmed file of another folder counts too; after it, none of these
    // same-digest files has the bytes.
    EXPECT_EQ(Compare("src/b.avi", "dst").matchPath, P("dst2/z.avi"));
    cache.Clear();
    EXPECT_EQ(Compare("src/b.avi", "dst").result, CompareResult::NotIdentical);
    EXPECT_TRUE(Has("src/b.avi"));
}

TEST_F(DuplicateCompare, ThePast100000CacheTakesNoMoreAndTheCompareStillFindsDuplicates) {
    THashCache small(2);
    EXPECT_TRUE(small.Add("d1", "p1"));
    EXPECT_TRUE(small.Add("d1", "p2"));
    EXPECT_FALSE(small.Add("d2", "p3"));
    EXPECT_EQ(small.PathsOf("d1"), (std::vector<std::string>{"p1", "p2"}));
    EXPECT_TRUE(small.PathsOf("d2").empty());
    small.Clear();
    EXPECT_TRUE(small.Add("d2", "p3"));

    for (std::size_t i = 0; i < THashCache::kCapacity; ++i)
        ASSERT_TRUE(cache.Add(std::to_string(i), "x"));
    Write("src/a.avi", "0123456789");
    Write("dst/two.avi", "0123456789");
    EXPECT_EQ(Compare("src/a.avi", "dst").result, CompareResult::Identical);
    EXPECT_EQ(cache.Size(), THashCache::kCapacity);
    EXPECT_EQ(Count(kDestHash), 1);
}

TEST_F(DuplicateCompare, ALibraryThatIsMissingBrokenOrIncompleteLeavesEveryFileToBeSorted) {
    Write("src/a.avi", "same bytes");
    Write("dst/old.avi", "same bytes");
    Add(Fields("avi", "dst"));
    Write("not-a-library.so", "text");
    for (const std::string& library :
         {N("absent/libmd5.so"), N("not-a-library.so"), std::string(SV_MD5_PARTIAL_LIBRARY)}) {
        UseDigestLibrary(library);
        const TRunOutcome outcome = Run();
        EXPECT_TRUE(outcome.md5Missing) << library;
        EXPECT_EQ(ui.status, "振り分け処理が完了しました。適切な md5.dll が見つからなかったため、"
                             "コンペア処理は実行できませんでした...");
        EXPECT_TRUE(Hashed().empty());
        ASSERT_TRUE(Has("dst/a.avi")) << library;
        std::filesystem::rename(N("dst/a.avi"), N("src/a.avi"));
    }
}

TEST_F(DuplicateCompare, ARunHashesEachFileOnceHoweverManySourcesMeetIt) {
    // Six sources and five destination files, all of one size and all different, and a sixth
    // source equal to the fourth destination file: the old way hashed every destination file
    // again for every source.
    for (int i = 0; i < 5; ++i) {
        Write("src/s" + std::to_string(i) + ".avi", "source " + std::to_string(i) + "!");
        Write("dst/d" + std::to_string(i) + ".avi", "destin " + std::to_string(i) + "!");
    }
    Write("src/s5.avi", "destin 3!");
    Add(Fields("avi", "dst"));
    Run();
    EXPECT_FALSE(Has("src/s5.avi"));
    EXPECT_EQ(Read("dst/d3.avi"), "destin 3!");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Read("dst/s" + std::to_string(i) + ".avi"), "source " + std::to_string(i) + "!");
    // Each destination file at most once (one hashed ahead before a match may never be waited
    // for); each source once, and a moved source is known at its new place.
    EXPECT_GE(Count(kDestHash), 1);
    EXPECT_LE(Count(kDestHash), 5);
    EXPECT_EQ(Count(kSourceHash), 6);
    EXPECT_EQ(Count(kConfirm), 1);
}

TEST_F(DuplicateCompare, AKnownFolderStillSeesFilesChangedAddedOrReplacedSinceItWasRead) {
    Write("src/a.avi", "0123456789");
    Write("dst/x.avi", "abcdefghij");
    EXPECT_EQ(Compare("src/a.avi", "dst").result, CompareResult::NotIdentical);

    // Rewritten in place with the source's bytes (its time set apart, as a later write would).
    Write("dst/x.avi", "0123456789");
    Stamp("dst/x.avi", 1000000);
    const TCompareOutcome rewritten = Compare("src/a.avi", "dst");
    EXPECT_EQ(rewritten.result, CompareResult::Identical);
    EXPECT_EQ(rewritten.matchPath, P("dst/x.avi"));

    // Replaced by another file under the same name, then a new file of the size added.
    Write("tmp/x.avi", "ABCDEFGHIJ");
    std::filesystem::rename(N("tmp/x.avi"), N("dst/x.avi"));
    cache.Clear();
    EXPECT_EQ(Compare("src/a.avi", "dst").result, CompareResult::NotIdentical);
    Write("dst/new.avi", "0123456789");
    const TCompareOutcome added = Compare("src/a.avi", "dst");
    EXPECT_EQ(added.result, CompareResult::Identical);
    EXPECT_EQ(added.matchPath, P("dst/new.avi"));

    // Gone, or grown to another size: no longer a candidate.
    std::filesystem::remove(N("dst/new.avi"));
    Write("dst/x.avi", "0123456789+");
    cache.Clear();
    EXPECT_EQ(Compare("src/a.avi", "dst").result, CompareResult::NotIdentical);
}

TEST_F(DuplicateCompare, ALinkInAKnownFolderIsFollowedToWhatItLeadsToNow) {
    Write("src/a.avi", "0123456789");
    Write("other/one.avi", "abcdefghij");
    Write("other/two.avi", "0123456789");
    Folder("dst");
    std::filesystem::create_symlink(N("other/one.avi"), N("dst/link.avi"));
    EXPECT_EQ(Compare("src/a.avi", "dst").result, CompareResult::NotIdentical);
    // The link now leads elsewhere; nothing in the folder itself changed.
    std::filesystem::remove(N("other/one.avi"));
    std::filesystem::create_symlink(N("other/two.avi"), N("other/one.avi"));
    EXPECT_EQ(Compare("src/a.avi", "dst").result, CompareResult::Identical);
}

TEST_F(DuplicateCompare, ATestRunComparesWithWhatItWouldHaveMovedAndChangesNothing) {
    // Large enough to be hashed on the worker threads, which must see the test run's folders too.
    const std::string bytes(400 << 10, 'b');
    Write("src/a.avi", bytes);
    Write("in/b.avi", bytes);
    Folder("dst");
    DryRun dry;
    ASSERT_TRUE(dry.Transfer(P("in/b.avi"), P("dst/b.avi"), TransferMode::Move, {}, nullptr).ok());
    const TCompareOutcome outcome = Compare("src/a.avi", "dst", dry);
    EXPECT_EQ(outcome.result, CompareResult::Identical);
    EXPECT_EQ(outcome.matchPath, P("dst/b.avi"));
    EXPECT_TRUE(Has("in/b.avi"));
    EXPECT_FALSE(Has("dst/b.avi"));
    EXPECT_EQ(Count(kConfirm), 1);
    EXPECT_EQ(Count(kDestHash), 1);
}

} // namespace
} // namespace sv::testing
