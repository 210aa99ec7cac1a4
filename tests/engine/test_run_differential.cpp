// SPDX-License-Identifier: GPL-3.0-or-later
// The run's faster path against the plain algorithm (every condition enumerates its folders
// afresh and tests every name): on many random trees and condition lists both must leave the
// same files in the same places and record the same rows, notes, questions and history.
#include "engine/run.h"
#include "platform/clock.h"
#include "platform/digest_library.h"
#include "platform/pathtext.h"
#include "scripted_run_ui.h"
#include "store/condition.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sv {
namespace {

using Strings = std::vector<std::string>;

struct FileSpec final {
    std::string rel;
    std::string bytes;
    std::int64_t stamp = 1700000000;
    bool folder = false;
    bool readOnly = false;
};

// Folders in the conditions and settings are relative here and made absolute for each side.
struct Case final {
    std::vector<FileSpec> files;
    std::vector<TConditionFields> conditions;
    TAppSettings settings;
    std::vector<TExtRule> rules;
};

// One tree, run once; everything it did, with its own folder's name taken out.
struct Outcome final {
    Strings tree;
    Strings rows;
    Strings notes;
    Strings questions;
    Strings history;
    Strings items;
    int processed = 0;
    bool cancelled = false;

    bool operator==(const Outcome&) const = default;
};

std::string Listing(const Strings& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    return out;
}

class Side final {
public:
    explicit Side(const Case& c) : settings(c.settings), rules(c.rules) {
        std::filesystem::create_directories(dir.NativeFile("src"));
        for (const FileSpec& f : c.files) {
            const std::string native = dir.NativeFile(f.rel);
            std::filesystem::create_directories(std::filesystem::path(native).parent_path());
            if (f.folder)
                std::filesystem::create_directories(native);
            else
                dir.WriteBytes(f.rel, f.bytes);
            const timespec times[2] = {{static_cast<time_t>(f.stamp), 0}, {static_cast<time_t>(f.stamp), 0}};
            ::utimensat(AT_FDCWD, native.c_str(), times, 0);
            if (f.readOnly)
                ::chmod(native.c_str(), 0444);
        }
        for (TConditionFields fields : c.conditions) {
            fields.destFolder = Abs(fields.destFolder);
            if (fields.ownSource)
                fields.sourceFolder = Abs(fields.sourceFolder);
            TSortCondition condition;
            EXPECT_TRUE(ComposeCondition(fields, condition).ok()) << fields.keywords;
            EXPECT_TRUE(list.InsertAt(list.Count(), condition).ok());
        }
        if (!settings.DoubtFolder.empty())
            settings.DoubtFolder = Abs(settings.DoubtFolder);
    }

    std::string Abs(std::string_view rel) const { return dir.PathText() + FromNativePath(rel); }

    Outcome Run(bool plain) {
        TRunRequest request{.conditions = list, .settings = settings, .extRules = rules};
        request.sourceText = Abs("src");
        request.digest = &digest;
        request.plainPath = plain;
        const TRunOutcome outcome = PerformSortRun(request, shared, ui, box, history);
        Outcome out;
        out.processed = outcome.processed;
        out.cancelled = outcome.cancelled;
        out.tree = Tree();
        for (const TReportEntry& row : ui.rows)
            out.rows.push_back(Relative(row.name + "|" + row.mark + "|" + row.dest));
        for (const std::string& note : ui.notes)
            out.notes.push_back(Relative(note));
        for (const MessageBoxRequest& shown : box.Shown())
            out.questions.push_back(Relative(shown.text));
        for (const std::string& line : history.lines)
            out.history.push_back(Relative(line));
        for (const TRunItem& item : history.items)
            out.items.push_back(std::to_string(static_cast<int>(item.kind)) + "|" + item.originalName);
        return out;
    }

    // Every entry below the temporary folder with its kind, bytes and permission bits, sorted.
    Strings Tree() const {
        Strings out;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(dir.Native(), ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            const std::string rel = it->path().string().substr(dir.Native().size());
            struct stat st {};
            ::lstat(it->path().c_str(), &st);
            std::string line =
                rel + (S_ISDIR(st.st_mode) ? "/" : "") + " " + std::to_string(st.st_mode & 0777);
            if (S_ISREG(st.st_mode))
                line += " [" + dir.ReadBytes(rel.substr(1)) + "]";
            out.push_back(line);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string Relative(std::string text) const {
        for (const std::string& prefix : {dir.PathText(), dir.Native() + "/", dir.Native()}) {
            for (std::size_t pos; (pos = text.find(prefix)) != std::string::npos;)
                text.replace(pos, prefix.size(), "<top>");
        }
        return text;
    }

    testing::TempFolder dir;
    TConditionList list;
    TAppSettings settings;
    std::vector<TExtRule> rules;
    testing::ScriptedRunUi ui;
    ScriptedMessageBox box;
    TPendingHistory history;
    TRunShared shared;
    DigestLibrary digest{"/nonexistent/libmd5.so"};
};

class Generator final {
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    Case Make() {
        Case c;
        const int files = Int(4, 28);
        std::map<std::string, bool> taken;
        for (int i = 0; i < files; ++i) {
            FileSpec f;
            const std::string folder =
                Pick(Strings{"src/", "src/", "src/", "src/", "d1/", "d2/", "src/sub/"});
            f.folder = Int(0, 9) == 0;
            f.rel = folder + Name(f.folder);
            if (taken[f.rel])
                continue;
            taken[f.rel] = true;
            f.bytes = Pick(Strings{"", "a", "bb", "ccc", std::string(1500, 'z')});
            f.stamp = 1700000000 + Int(0, 3) * 86400;
            f.readOnly = !f.folder && Int(0, 12) == 0;
            c.files.push_back(f);
            if (f.folder && Int(0, 1))
                c.files.push_back({f.rel + "/inner.txt", "in", 1700000000, false, false});
        }
        const int conditions = Int(1, 12);
        for (int i = 0; i < conditions; ++i)
            c.conditions.push_back(Condition());
        TAppSettings& s = c.settings;
        s.MakeFolder = Int(0, 3) != 0;
        s.FileUsing = Int(0, 3) == 0;
        s.ReadOnly = Int(0, 1);
        s.NotIncomplete = Int(0, 1);
        s.NotDouble = Int(0, 1);
        s.NotExe = Int(0, 1);
        s.NotClass = Int(0, 2) == 0;
        s.DoubtFolder = Int(0, 2) == 0 ? Pick(Strings{"doubt", "src/doubt"}) : "";
        s.NgKeyword = Int(0, 3) == 0 ? "bar" : "";
        s.SameName0 = Int(0, 3);
        s.SameName1 = Int(0, 3);
        if (Int(0, 2) == 0)
            c.rules.push_back({"txt", "text"});
        return c;
    }

private:
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    template <typename T> T Pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(Int(0, static_cast<int>(v.size()) - 1))];
    }

    std::string Word() {
        return Pick(Strings{"foo", "Foo", "ＦＯＯ", "bar", "ばー", "バー", "ﾊﾞｰ", "clip", "tag1", "tag2", "x",
                            "_incomplete", "ab", "movie"});
    }

    std::string Name(bool folder) {
        std::string name = Word();
        for (int n = Int(0, 2); n > 0; --n)
            name += Pick(Strings{" ", "", "-"}) + Word();
        if (!folder)
            name += Pick(Strings{".avi", ".txt", ".exe", ".zip.exe", ".AVI", ".dat", ".mp3.avi", ".MP3"});
        else if (Int(0, 4) == 0)
            name = "." + name; // hidden
        if (!folder && Int(0, 15) == 0)
            name = "." + name;
        return name;
    }

    TConditionFields Condition() {
        TConditionFields f;
        std::string keywords;
        for (int n = Int(1, 3); n > 0; --n) {
            if (!keywords.empty())
                keywords += " ";
            keywords += Int(0, 4) == 0 ? Pick(Strings{"*.avi", "foo*", "?ar*", "*[0-9]*", "*.TXT"}) : Word();
        }
        if (Int(0, 3) == 0)
            keywords += " /" + Pick(Strings{"x", "clip", "*.exe", "ＢＡＲ", "ab"});
        f.keywords = keywords;
        f.keywordOr = Int(0, 1);
        f.excludeOr = Int(0, 1);
        f.caseFold = Int(0, 1);
        f.widthFold = Int(0, 1);
        f.kanaFold = Int(0, 1);
        f.copyMode = Int(0, 5) == 0;
        f.includeFolders = Int(0, 3) == 0;
        f.onlyFolders = Int(0, 9) == 0;
        f.extChangeOff = Int(0, 1);
        f.historyOff = Int(0, 7) == 0;
        // Destinations that later conditions read again, some made inside a source folder under
        // a name that conditions match.
        f.destFolder =
            Pick(Strings{"d1", "d2", "d3", "src/sub", "src/foo box/deep", "d1/tag1 bar", "src/clip"});
        if (Int(0, 2) == 0) {
            f.ownSource = true;
            f.sourceFolder = Pick(Strings{"d1", "d2", "src/sub", "src", "d1/tag1 bar"});
            f.subFolders = Int(0, 3) == 0;
        }
        if (Int(0, 4) == 0) {
            f.size1.on = true;
            f.size1.sizeText = Pick(Strings{"0", "1", "2"});
            f.size1.unit = Int(0, 1);
            f.size1.relation = Int(0, 2);
        }
        f.timestampFolder = Int(0, 9) == 0;
        return f;
    }

    std::mt19937 m_rng;
};

TEST(RunDifferential, TheFasterPathGivesWhatThePlainAlgorithmGives) {
    const ScopedFixedClock clock({2024, 5, 6, 7, 8, 9});
    int moved = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const Case c = Generator(seed).Make();
        Side fast(c);
        Side plain(c);
        const Outcome a = fast.Run(false);
        const Outcome b = plain.Run(true);
        moved += a.processed;
        ASSERT_EQ(Listing(a.tree), Listing(b.tree)) << "seed " << seed;
        ASSERT_EQ(Listing(a.rows), Listing(b.rows)) << "seed " << seed;
        ASSERT_EQ(Listing(a.notes), Listing(b.notes)) << "seed " << seed;
        ASSERT_EQ(Listing(a.questions), Listing(b.questions)) << "seed " << seed;
        ASSERT_EQ(Listing(a.history), Listing(b.history)) << "seed " << seed;
        ASSERT_EQ(Listing(a.items), Listing(b.items)) << "seed " << seed;
        ASSERT_EQ(a, b) << "seed " << seed;
    }
    // The cases must do something, or the comparison proves nothing.
    EXPECT_GT(moved, 300);
}

// Another process puts files into the source folder between two conditions: the faster path sees
// them as a fresh enumeration would, also when they carry a name the run moved away before.
TEST(RunDifferential, FilesAddedByAnotherProcessBetweenConditionsAreSeen) {
    const ScopedFixedClock clock({2024, 5, 6, 7, 8, 9});
    Case c;
    for (const char* name : {"alpha 1.avi", "alpha 2.avi", "beta 1.avi", "gamma.txt"})
        c.files.push_back({std::string("src/") + name, "x"});
    TConditionFields alpha;
    alpha.keywords = "alpha";
    alpha.destFolder = "a";
    TConditionFields beta = alpha;
    beta.keywords = "beta";
    beta.destFolder = "b";
    TConditionFields gamma = alpha;
    gamma.keywords = "alpha";
    gamma.destFolder = "g";
    c.conditions = {alpha, beta, gamma};
    c.settings.MakeFolder = true;
    c.settings.FileUsing = false;

    for (const bool plainPath : {false, true}) {
        Side side(c);
        const std::string src = side.dir.NativeFile("src");
        side.ui.onStatus = [&](std::size_t count) {
            // Before the second condition: a new beta file and an alpha file under a moved name.
            if (count != 2)
                return;
            const pid_t child = ::fork();
            if (child == 0) {
                for (const char* name : {"/beta 2.avi", "/alpha 1.avi"}) {
                    const int fd = ::open((src + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
                    if (fd < 0 || ::write(fd, "new", 3) != 3)
                        ::_exit(1);
                    ::close(fd);
                }
                ::_exit(0);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_EQ(status, 0);
        };
        Outcome out = side.Run(plainPath);
        std::sort(out.rows.begin(), out.rows.end());
        EXPECT_EQ(Listing(out.rows), "alpha 1.avi|  |<top>a\nalpha 1.avi|  |<top>g\nalpha 2.avi|  |<top>a\n"
                                     "beta 1.avi|  |<top>b\nbeta 2.avi|  |<top>b\n")
            << (plainPath ? "plain" : "fast");
        EXPECT_EQ(side.dir.ReadBytes("g/alpha 1.avi"), "new");
    }
}

} // namespace
} // namespace sv
