// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Random trees and condition lists, and one run over such a tree with everything it did, for the
// tests that compare two ways of running.
#include "doubles/scripted_message_box.h"
#include "engine/run.h"
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
#include <unistd.h>

namespace sv::testing {

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

inline std::string Listing(const Strings& lines) {
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

    // `files`: the disk, or a test run's memory to read afterwards.
    Outcome Run(bool plain, bool preview = false, FileSystem& files = Disk()) {
        TRunRequest request{.conditions = list, .settings = settings, .extRules = rules, .files = files};
        request.sourceText = Abs("src");
        request.digest = &digest;
        request.plainPath = plain;
        request.preview = preview;
        const TRunOutcome outcome = PerformSortRun(request, shared, ui, box, history);
        Outcome out;
        out.processed = outcome.processed;
        out.cancelled = outcome.cancelled;
        out.tree = Tree();
        for (const TReportEntry& row : ui.rows)
            out.rows.push_back(Relative(row.name + "|" + row.mark + "|" + row.dest + "|" + row.source));
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

    TempFolder dir;
    TConditionList list;
    TAppSettings settings;
    std::vector<TExtRule> rules;
    ScriptedRunUi ui;
    ScriptedMessageBox box;
    TPendingHistory history;
    TRunShared shared;
    DigestLibrary digest{"/nonexistent/libmd5.so"};
};

class Generator final {
public:
    // `unique`: every file and folder gets a name of its own, so that where two items meet under
    // one name they are copies of one item, whichever comes first.
    explicit Generator(unsigned seed, bool unique = false) : m_rng(seed), m_unique(unique) {}

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
                c.files.push_back({f.rel + "/inner" + Tag() + ".txt", "in", 1700000000, false, false});
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
        s.SameName0 = static_cast<SameNameRule>(Int(0, 3));
        s.SameName1 = static_cast<SameNameRule>(Int(0, 3));
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
        name += Tag();
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
            f.size1.unit = static_cast<SizeUnit>(Int(0, 1));
            f.size1.relation = static_cast<SizeRelation>(Int(0, 2));
        }
        f.timestampFolder = Int(0, 9) == 0;
        return f;
    }

    std::string Tag() { return m_unique ? "#" + std::to_string(++m_count) : std::string(); }

    std::mt19937 m_rng;
    bool m_unique = false;
    int m_count = 0;
};

} // namespace sv::testing
