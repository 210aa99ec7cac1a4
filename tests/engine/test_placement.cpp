// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/placement.h"
#include "platform/fileops_testing.h"
#include "platform/pathtext.h"
#include "run_fixture.h"

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace sv {
namespace {

using Strings = std::vector<std::string>;
using testing::LockedFolder;

std::int64_t LocalSeconds(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

TEST(TimestampFolder, EveryPatternDigitAddsItsPart) {
    const LocalDateTime t{2009, 1, 23, 4, 56, 30};
    EXPECT_EQ(TimestampFolderText(t, "212121111"), "090123");
    EXPECT_EQ(TimestampFolderText(t, "342424242"), "2009\\01\\23\\04\\56");
    EXPECT_EQ(TimestampFolderText(t, "222323232"), "09-01_23_04_56");
    EXPECT_EQ(TimestampFolderText(t, "111111111"), "");
    EXPECT_EQ(TimestampFolderText(t, "141414142"), "56"); // no level before anything
    EXPECT_EQ(TimestampFolderText(t, "314441111"), "2009\\");
    EXPECT_EQ(TimestampFolderText(t, "112121212"), "01230456");
    EXPECT_EQ(TimestampFolderText(t, "111111211"), "04");
    EXPECT_EQ(TimestampFolderText(t, "515151515"), ""); // other values add nothing
}

TEST(ExtensionRules, FirstMatchingRuleRenamesIgnoringAsciiCase) {
    testing::TempFolder dir;
    dir.WriteBytes("clip.AVI", "x");
    dir.WriteBytes("clip.avi.txt", "x");
    dir.WriteBytes("plain", "x");
    const std::vector<TExtRule> rules{{"avi", "mpg"}, {"AVI", "wmv"}, {"txt", "TEXT"}};
    EXPECT_EQ(ApplyExtensionRules(Disk(), dir.PathText() + "clip.AVI", rules), dir.PathText() + "clip.mpg");
    EXPECT_TRUE(dir.Exists("clip.mpg"));
    EXPECT_EQ(ApplyExtensionRules(Disk(), dir.PathText() + "plain", rules), dir.PathText() + "plain");
    EXPECT_EQ(ApplyExtensionRules(Disk(), dir.PathText() + "clip.avi.txt", {{"avi", "x"}}),
              dir.PathText() + "clip.avi.txt");
    // A taken name is never replaced; the path says where the file really is.
    dir.WriteBytes("taken.mpg", "keep");
    dir.WriteBytes("taken.avi", "x");
    EXPECT_EQ(ApplyExtensionRules(Disk(), dir.PathText() + "taken.avi", rules), dir.PathText() + "taken.avi");
    EXPECT_EQ(dir.ReadBytes("taken.mpg"), "keep");
    EXPECT_TRUE(dir.Exists("taken.avi"));
}

class Placement : public testing::RunFixture {
protected:
    // A source file and an existing destination file with the given contents and times.
    void Collide(std::string_view source, std::int64_t sourceTime, std::string_view existing,
                 std::int64_t existingTime) {
        Write("src/clip.avi", source);
        Stamp("src/clip.avi", sourceTime);
        Write("dst/clip.avi", existing);
        Stamp("dst/clip.avi", existingTime);
    }
    static constexpr std::int64_t kOld = 1'200'000'000;
    static constexpr std::int64_t kNew = 1'300'000'000;
};

TEST_F(Placement, TimestampFoldersNestByPattern) {
    const std::int64_t t = LocalSeconds(2009, 1, 23, 4, 56, 30);
    Write("src/a.avi");
    Stamp("src/a.avi", t);
    Write("src/b.mpg");
    Stamp("src/b.mpg", t);
    auto nested = Fields("avi", "dst");
    nested.timestampFolder = true;
    nested.patternCode = "342424242";
    Add(nested);
    auto flat = Fields("mpg", "dst");
    flat.timestampFolder = true;
    Add(flat);
    Run();
    EXPECT_TRUE(Has("dst/2009/01/23/04/56/a.avi"));
    EXPECT_TRUE(Has("dst/090123/b.mpg"));
    std::sort(ui.rows.begin(), ui.rows.end(), [](auto& a, auto& b) { return a.name < b.name; });
    EXPECT_EQ(Rows(), (Strings{"a.avi|  |dst/2009/01/23/04/56", "b.mpg|  |dst/090123"}));
}

TEST_F(Placement, SameNameRulesByEqualOrDifferentSize) {
    struct Case {
        int rule;
        bool equalSize;
        bool sourceNewer;
        bool sourceKept;  // the destination holds the source's content afterwards
        const char* mark; // nullptr: not sorted at all
    };
    const Case cases[] = {
        {0, true, true, true, "\u3000新"},   {0, true, false, false, "\u3000新"},
        {0, false, true, true, "\u3000新"},  {0, false, false, false, "\u3000新"},
        {1, true, true, false, "\u3000古"},  {1, true, false, true, "\u3000古"},
        {1, false, true, false, "\u3000古"}, {1, false, false, true, "\u3000古"},
        {3, true, true, false, nullptr},     {3, false, false, false, nullptr},
    };
    Add(Fields("clip", "dst"));
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "rule " << c.rule << " equal " << c.equalSize << " newer " << c.sourceNewer);
        // The rule of the other size group would give a different result.
        settings.SameName0 = static_cast<SameNameRule>(c.equalSize ? c.rule : 2);
        settings.SameName1 = static_cast<SameNameRule>(c.equalSize ? 2 : c.rule);
        const std::string source = c.equalSize ? "new" : "newer";
        Collide(source, c.sourceNewer ? kNew : kOld, "old", c.sourceNewer ? kOld : kNew);
        Run();
        EXPECT_EQ(Read("dst/clip.avi"), c.sourceKept ? source : "old");
        EXPECT_EQ(Has("src/clip.avi"), c.mark == nullptr);
        if (c.mark)
            EXPECT_EQ(Rows(), (Strings{std::string("clip.avi|") + c.mark + "|dst"}));
        else
            EXPECT_TRUE(ui.rows.empty());
        std::filesystem::remove(N("src/clip.avi"));
        EXPECT_FALSE(Has("dst/clip[1].avi"));
    }
}

TEST_F(Placement, EqualTimesWithinTwoSecondsCountAsNewer) {
    settings.SameName0 = SameNameRule::KeepOlder; // keep the older: an equal time deletes the source
    Add(Fields("clip", "dst"));
    Collide("abc", kOld + 1, "xyz", kOld);
    Run();
    EXPECT_EQ(Read("dst/clip.avi"), "xyz");
    EXPECT_FALSE(Has("src/clip.avi"));
}

TEST_F(Placement, RenamesTakeTheFirstFreeNumberAndFoldersAlwaysDo) {
    Write("src/clip.avi", "new");
    Write("dst/clip.avi");
    Write("dst/clip[1].avi");
    Folder("src/set.old");
    Write("src/set.old/inside");
    Folder("dst/set.old");
    auto f = Fields("clip set", "dst");
    f.keywordOr = true;
    f.includeFolders = true;
    Add(f);
    settings.SameName0 = SameNameRule::KeepNewer; // a folder never compares sizes or times
    settings.SameName1 = SameNameRule::Rename;
    Run();
    EXPECT_EQ(Read("dst/clip[2].avi"), "new");
    EXPECT_TRUE(Has("dst/set[1].old/inside"));
    std::sort(ui.rows.begin(), ui.rows.end(), [](auto& a, auto& b) { return a.name < b.name; });
    EXPECT_EQ(Rows(), (Strings{"clip[2].avi|\u3000変|dst", "set[1].old|\u3000Ｆ|dst"}));
}

TEST_F(Placement, CopiesNeverMeetAnExistingName) {
    settings.SameName0 = settings.SameName1 = SameNameRule::Rename;
    auto f = Fields("clip", "dst");
    f.copyMode = true;
    Add(f);
    Collide("abc", kNew, "xyz", kOld);
    Run();
    EXPECT_TRUE(ui.rows.empty());
    EXPECT_EQ(Read("dst/clip.avi"), "xyz");
    EXPECT_FALSE(Has("dst/clip[1].avi"));
}

TEST_F(Placement, AFailedDeleteDuringSameNameHandlingSkipsTheEntry) {
    settings.SameName0 = SameNameRule::KeepNewer;
    Add(Fields("clip", "dst"));
    Collide("abc", kOld, "abc", kNew); // the source is older: it would be deleted
    const LockedFolder locked(N("src"));
    if (!locked.On())
        GTEST_SKIP() << locked.Reason();
    Run();
    EXPECT_TRUE(ui.rows.empty());
    EXPECT_TRUE(history.Empty());
    EXPECT_TRUE(Has("src/clip.avi"));
    EXPECT_EQ(Read("dst/clip.avi"), "abc");
}

TEST_F(Placement, AFileMeetingAFolderOfItsNameIsNeverDeletedForIt) {
    settings.SameName1 = SameNameRule::KeepNewer;
    Add(Fields("clip", "dst"));
    Write("src/clip.avi", "abc");
    Stamp("src/clip.avi", kNew);
    Write("dst/clip.avi/keep");
    Run();
    EXPECT_TRUE(Has("dst/clip.avi/keep"));
    EXPECT_TRUE(Has("src/clip.avi"));
    EXPECT_TRUE(ui.rows.empty());
}

TEST_F(Placement, MissingDestinationIsAskedForOrMade) {
    settings.MakeFolder = false;
    Write("src/a.avi");
    Write("src/b.avi");
    Add(Fields("avi", "dst/deep"));
    Add(Fields("avi", "dst/deep"));
    const std::string question = "振り分け条件キーワード [avi] の振り分け先フォルダ [" +
                                 ToNativePath(P("dst/deep")) +
                                 "] が存在しません。フォルダを作成して振り分け処理を実行しますか？";
    // No skips the rest of the folder for this condition; the next condition asks again.
    box.QueueAnswer(MbAnswer::No);
    box.QueueAnswer(MbAnswer::Yes);
    Run();
    ASSERT_EQ(box.Shown().size(), 2u);
    EXPECT_EQ(box.Shown()[0].text, question);
    EXPECT_EQ(box.Shown()[0].icon, MbIcon::Warning);
    EXPECT_TRUE(Has("dst/deep/a.avi"));
    EXPECT_TRUE(Has("dst/deep/b.avi"));
    EXPECT_TRUE(box.AllAnswersUsed());

    // A folder that cannot be made: Yes brings the error and the question again.
    list.Clear();
    Write("blocker");
    Add(Fields("avi", "blocker/x"));
    Write("src/c.avi");
    box.QueueAnswer(MbAnswer::Yes);
    box.QueueAnswer(MbAnswer::Ok);
    box.QueueAnswer(MbAnswer::No);
    Run();
    ASSERT_EQ(box.Shown().size(), 5u);
    EXPECT_EQ(box.Shown()[3].text,
              "フォルダを作成できませんでした。フォルダ名が適切かどうか確認してください。");
    EXPECT_EQ(box.Shown()[3].icon, MbIcon::Error);
    EXPECT_EQ(box.Shown()[4].text, box.Shown()[2].text);

    // With MakeFolder on the folder is made silently, or its failure ends the folder.
    settings.MakeFolder = true;
    Run();
    ASSERT_EQ(box.Shown().size(), 6u);
    EXPECT_EQ(box.Shown()[5].text, "振り分け条件キーワード [avi] の振り分け先フォルダ [" +
                                       ToNativePath(P("blocker/x")) +
                                       "] を作成できませんでした。処理を中止します。");
    list.Clear();
    Add(Fields("avi", "made/here"));
    Run();
    EXPECT_TRUE(Has("made/here/c.avi"));
    EXPECT_EQ(box.Shown().size(), 6u);
}

// A progress window whose cancel is pressed at the first chunk.
class CancellingProgress final : public TransferProgress {
public:
    explicit CancellingProgress(std::function<bool()> onAdvance) : m_onAdvance(std::move(onAdvance)) {}
    void Begin(std::string_view title, std::uint64_t) override { titles.emplace_back(title); }
    bool Advance(std::uint64_t) override { return m_onAdvance(); }
    void End() override {}
    std::vector<std::string> titles;

private:
    std::function<bool()> m_onAdvance;
};

TEST_F(Placement, AnAbortedTransferAsksWhetherToStopTheRun) {
    auto f = Fields("avi", "dst");
    f.copyMode = true;
    Add(f);
    Write("src/a.avi", "a");
    Write("src/b.avi", "b");
    CancellingProgress progress([] { return false; });
    ui.progressWindow = &progress;
    box.QueueAnswer(MbAnswer::No);
    box.QueueAnswer(MbAnswer::Yes);
    const TRunOutcome outcome = Run();
    ASSERT_EQ(box.Shown().size(), 2u);
    EXPECT_EQ(box.Shown()[0].text,
              "振り分け処理が中断されました。振り分け処理をここで完全に中止しますか？\n\n"
              "中止する場合は [はい]\n継続する場合は [いいえ]  をクリックしてください。");
    EXPECT_EQ(progress.titles.front(), "振り分け中...");
    EXPECT_TRUE(ui.rows.empty());
    EXPECT_FALSE(Has("dst/a.avi"));
    EXPECT_FALSE(Has("dst/b.avi"));
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(ui.cancelActions, 1);
    EXPECT_EQ(shared.completionCount, 0);
}

TEST_F(Placement, CancelDuringACopyLetsItFinishAndRecordsIt) {
    auto f = Fields("avi", "dst");
    f.copyMode = true;
    Add(f);
    Write("src/a.avi", std::string(3 << 20, 'a'));
    Write("src/b.avi", "b");
    CancellingProgress progress([&] {
        ui.PressCancel();
        return true;
    });
    ui.progressWindow = &progress;
    const TRunOutcome outcome = Run();
    EXPECT_TRUE(outcome.cancelled);
    ASSERT_EQ(ui.rows.size(), 1u);
    EXPECT_TRUE(Has("dst/" + ui.rows[0].name));
    EXPECT_TRUE(box.Shown().empty());
}

TEST_F(Placement, AFailedTransferIsNotRecorded) {
    Add(Fields("avi", "dst"));
    Write("src/a.avi");
    Folder("dst");
    const LockedFolder locked(N("dst"));
    if (!locked.On())
        GTEST_SKIP() << locked.Reason();
    box.QueueAnswer(MbAnswer::Ok);
    box.QueueAnswer(MbAnswer::No);
    Run();
    EXPECT_TRUE(ui.rows.empty());
    EXPECT_TRUE(Has("src/a.avi"));
    ASSERT_EQ(box.Shown().size(), 2u);
    EXPECT_EQ(box.Shown()[0].title, "Sorvanta - 振り分けエラー");
    // The system's reason in the words of the program's messages, never its English text.
    const std::string source = ToNativePath(P("src/a.avi"));
    EXPECT_EQ(box.Shown()[0].text, "[" + source + "] を振り分けできませんでした。\n[" + source +
                                       "] を移動できませんでした（アクセスが拒否されました）。");
}

TEST_F(Placement, ExtensionRulesChangeTheRecordedNameAndMark) {
    rules = {{"avi", "mpg"}};
    settings.SameName0 = SameNameRule::Rename;
    Write("src/clip.AVI");
    Write("dst/clip.AVI");
    Write("src/keep.avi");
    Add(Fields("clip", "dst"));
    auto off = Fields("keep", "dst");
    off.extChangeOff = true;
    Add(off);
    Run();
    EXPECT_TRUE(Has("dst/clip[1].mpg"));
    EXPECT_TRUE(Has("dst/keep.avi"));
    EXPECT_EQ(Rows(), (Strings{"clip[1].mpg| 拡変|dst", "keep.avi|  |dst"}));
}

} // namespace
} // namespace sv

namespace sv {
namespace {

TEST_F(Placement, AFolderCopiedWholeButNotEmptiedIsRecordedWithANote) {
    testing::OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    Write("src/set/a.avi", "a");
    Write("src/set/locked/b.avi", "b");
    const LockedFolder locked(N("src/set/locked"), testing::LockBy::ImmutableFlag);
    if (!locked.On())
        GTEST_SKIP() << locked.Reason();
    auto f = Fields("set", "unused");
    f.destFolder = other.PathText("d");
    f.includeFolders = true;
    Add(f);
    Run();
    EXPECT_EQ(Read("src/set/locked/b.avi"), "b");
    ASSERT_EQ(ui.rows.size(), 1u);
    EXPECT_EQ(ui.rows[0].mark, "\u3000Ｆ");
    EXPECT_EQ(history.recorded, 1);
    ASSERT_EQ(ui.notes.size(), 1u);
    EXPECT_NE(ui.notes[0].find("完全には削除できませんでした"), std::string::npos);
    // The whole copy is at the destination, where the record leads.
    EXPECT_TRUE(std::filesystem::exists(other.Native("d/set/locked/b.avi")));
    EXPECT_TRUE(std::filesystem::exists(other.Native("d/set/a.avi")));
}

} // namespace
} // namespace sv

namespace sv {
namespace {

// Lets the test act at the first progress call of a copy, once.
class OnceProgress final : public TransferProgress {
public:
    explicit OnceProgress(std::function<void()> act) : m_act(std::move(act)) {}
    void Begin(std::string_view, std::uint64_t) override {}
    bool Advance(std::uint64_t) override {
        if (m_act)
            std::exchange(m_act, nullptr)();
        return true;
    }
    void End() override {}

private:
    std::function<void()> m_act;
};

// A file still being written while it is copied to another file system is not sorted; the notes
// say so whether or not errors are shown, and the file keeps every byte in its folder.
TEST_F(Placement, AFileChangedWhileItWasCopiedStaysAndTheNotesSaySo) {
    testing::OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    auto f = Fields("clip", "unused");
    f.destFolder = other.PathText("d");
    Add(f);
    const std::string bytes(2 << 20, 'c');
    for (const bool fileUsing : {true, false}) {
        SCOPED_TRACE(fileUsing ? "FileUsing on" : "FileUsing off");
        settings.FileUsing = fileUsing;
        Write("src/clip.avi", bytes);
        OnceProgress progress([&] { std::ofstream(N("src/clip.avi"), std::ios::app) << "more"; });
        ui.progressWindow = &progress;
        ui.notes.clear();
        const std::size_t boxesBefore = box.Shown().size();
        if (!fileUsing)
            box.QueueAnswer(MbAnswer::Ok);
        box.QueueAnswer(MbAnswer::No);
        Run();
        EXPECT_TRUE(ui.rows.empty());
        EXPECT_EQ(history.recorded, 0);
        EXPECT_EQ(Read("src/clip.avi"), bytes + "more");
        EXPECT_FALSE(std::filesystem::exists(other.Native("d/clip.avi")));
        ASSERT_EQ(ui.notes.size(), 1u);
        EXPECT_EQ(ui.notes[0],
                  "[" + ToNativePath(P("src/clip.avi")) +
                      "] はコピーしている間に変更されたため、振り分けませんでした。元のフォルダにその"
                      "まま残っており、後の振り分けで振り分けられます。");
        // The error box only without FileUsing; the stop question as after any failed transfer.
        ASSERT_EQ(box.Shown().size() - boxesBefore, fileUsing ? 1u : 2u);
        if (!fileUsing) {
            EXPECT_EQ(box.Shown()[boxesBefore].title, "Sorvanta - 振り分けエラー");
        }
        EXPECT_TRUE(box.AllAnswersUsed());
    }
}

// A folder that gains files while it is moved across file systems is recorded where it went; the
// note names the first of what stayed and counts the rest.
TEST_F(Placement, AFolderThatGainsFilesWhileItIsMovedNamesWhatStayed) {
    testing::OtherFileSystemFolder other;
    if (!other.Available())
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    Write("src/set/a.avi", std::string(2 << 20, 'a'));
    const Strings arrived = {"n1.txt", "n2.txt", "n3.txt", "n4.txt", "n5.txt"};
    OnceProgress progress([&] {
        for (const std::string& name : arrived)
            Write("src/set/" + name, name);
    });
    ui.progressWindow = &progress;
    auto f = Fields("set", "unused");
    f.destFolder = other.PathText("d");
    f.includeFolders = true;
    Add(f);
    Run();
    ASSERT_EQ(ui.rows.size(), 1u);
    EXPECT_EQ(ui.rows[0].mark, "\u3000Ｆ");
    EXPECT_TRUE(std::filesystem::exists(other.Native("d/set/a.avi")));
    EXPECT_FALSE(Has("src/set/a.avi"));
    for (const std::string& name : arrived)
        EXPECT_EQ(Read("src/set/" + name), name);
    ASSERT_EQ(ui.notes.size(), 1u);
    const std::string& note = ui.notes[0];
    EXPECT_EQ(note.rfind("[" + ToNativePath(P("src/set")) + "] は [" +
                             ToNativePath(other.PathText("d\\set")) +
                             "] へ移動しましたが、元のフォルダを完全には削除できませんでした。",
                         0),
              0u)
        << note;
    EXPECT_NE(note.find(" ほか 2 件。残っている項目を確認してください。"), std::string::npos) << note;
    const auto named = std::count_if(arrived.begin(), arrived.end(), [&](const std::string& name) {
        return note.find(name) != std::string::npos;
    });
    EXPECT_EQ(named, 3);
}

} // namespace
} // namespace sv
