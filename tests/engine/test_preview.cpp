// SPDX-License-Identifier: GPL-3.0-or-later
// A test run changes nothing on disk and says exactly what the real run then does: on many random
// trees and condition lists its rows, its notes, and the tree it leaves behind in memory are those
// of the real run that follows it.
#include "engine/preview_box.h"
#include "platform/clock.h"
#include "platform/dry_run.h"
#include "platform/file_reader.h"
#include "random_run_cases.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace sv {
namespace {

using testing::Case;
using testing::Generator;
using testing::Listing;
using testing::Outcome;
using testing::Side;
using testing::Strings;

// The tree as the dry run sees it, in the form Side::Tree() gives the real one.
void AddVirtualTree(const Side& side, DryRun& dry, const std::string& folder, const std::string& rel,
                    Strings& out) {
    Strings names;
    Strings folders;
    (void)ForEachEntry(dry, folder, [&](const DirEntry& entry) {
        (entry.isFolder ? folders : names).emplace_back(entry.name);
        return true;
    });
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (const std::string& name : folders) {
        const auto real = dry.RealFile(JoinPath(folder, name));
        struct stat st {};
        const unsigned mode = real && ::stat(real->c_str(), &st) == 0 ? st.st_mode & 0777 : 0777 & ~mask;
        out.push_back(rel + "/" + name + "/ " + std::to_string(mode));
        AddVirtualTree(side, dry, JoinPath(folder, name), rel + "/" + name, out);
    }
    for (const std::string& name : names) {
        const std::string path = JoinPath(folder, name);
        const auto real = dry.RealFile(path);
        struct stat st {};
        ::lstat(real ? real->c_str() : "", &st);
        std::string line = rel + "/" + name + " " + std::to_string(st.st_mode & 0777);
        if (S_ISREG(st.st_mode)) {
            FileReader reader;
            std::string bytes(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0, '\0');
            EXPECT_TRUE(dry.OpenFile(reader, path).ok()) << path;
            bytes.resize(reader.Fill(bytes.data(), bytes.size()).value_or(0));
            line += " [" + bytes + "]";
        }
        out.push_back(line);
    }
}

Strings Sorted(Strings lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Rows as "name|mark|dest|source": where two copies of one item meet under one name, which of them
// gets the "[1]" depends on the order the file system lists them in, so names and sources are
// compared apart.
Strings Placed(const Strings& rows, bool withSource) {
    Strings out;
    for (const std::string& row : rows) {
        const auto last = row.rfind('|');
        if (withSource) {
            out.push_back(row.substr(row.find('|') + 1));
        } else {
            out.push_back(row.substr(0, last));
        }
    }
    return Sorted(out);
}

TEST(Preview, ShowsWhatTheRealRunThenDoesAndChangesNothing) {
    const ScopedFixedClock clock({2024, 5, 6, 7, 8, 9});
    int moved = 0;
    int asked = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        Case c = Generator(seed, true).Make();
        // Folders a run would make inside a folder it is reading at that moment show up in that
        // listing or not as the file system decides; here they are there from the start.
        for (const char* folder : {"src/sub", "src/foo box/deep", "src/clip", "src/doubt", "d1/tag1 bar"})
            c.files.push_back({folder, "", 1700000000, true, false});
        // A folder the run changes carries the time of the change: a day apart, never a minute.
        for (TConditionFields& f : c.conditions)
            f.patternCode = "322221111";
        Side side(c);
        const Strings before = side.Tree();

        DryRun dry;
        Outcome preview;
        Strings predicted;
        preview = side.Run(true, true, dry);
        AddVirtualTree(side, dry, side.dir.PathText(), "", predicted);
        ASSERT_EQ(Listing(side.Tree()), Listing(before)) << "seed " << seed;
        ASSERT_EQ(Listing(preview.history) + Listing(preview.items) + Listing(preview.questions), "") << seed;

        Strings previewNotes = preview.notes;
        side.ui.rows.clear();
        side.ui.notes.clear();
        const Outcome real = side.Run(false);
        Strings realNotes = real.notes;
        for (const MessageBoxRequest& shown : side.box.Shown())
            realNotes.push_back(side.Relative(PreviewNote(shown)));
        asked += static_cast<int>(side.box.Shown().size());
        moved += real.processed;

        ASSERT_EQ(Listing(Sorted(predicted)), Listing(real.tree)) << "seed " << seed;
        ASSERT_EQ(Listing(Placed(preview.rows, false)), Listing(Placed(real.rows, false))) << "seed " << seed;
        ASSERT_EQ(Listing(Placed(preview.rows, true)), Listing(Placed(real.rows, true))) << "seed " << seed;
        ASSERT_EQ(Listing(Sorted(previewNotes)), Listing(Sorted(realNotes))) << "seed " << seed;
        ASSERT_EQ(preview.processed, real.processed) << "seed " << seed;
        ASSERT_EQ(preview.cancelled, real.cancelled) << "seed " << seed;
    }
    // The cases must move files and ask questions, or the comparison proves nothing.
    EXPECT_GT(moved, 300);
    EXPECT_GT(asked, 10);
}

// A test run handed the disk itself (a caller that forgot its dry run) still changes nothing, and
// shows what it shows on a dry run of its own.
TEST(Preview, HandedTheDiskItStillChangesNothing) {
    const ScopedFixedClock clock({2024, 5, 6, 7, 8, 9});
    int processed = 0;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        Side side(Generator(seed, true).Make());
        const Strings before = side.Tree();
        const Outcome onDisk = side.Run(true, true);
        ASSERT_EQ(Listing(side.Tree()), Listing(before)) << "seed " << seed;
        ASSERT_EQ(Listing(onDisk.history) + Listing(onDisk.items), "") << seed;
        side.ui.rows.clear();
        side.ui.notes.clear();
        DryRun dry;
        const Outcome onDry = side.Run(true, true, dry);
        ASSERT_EQ(Listing(Placed(onDisk.rows, true)), Listing(Placed(onDry.rows, true))) << "seed " << seed;
        ASSERT_EQ(onDisk.processed, onDry.processed) << "seed " << seed;
        processed += onDisk.processed;
    }
    EXPECT_GT(processed, 20);
}

} // namespace
} // namespace sv
