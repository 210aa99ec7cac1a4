// SPDX-License-Identifier: GPL-3.0-or-later
// The run's faster path against the plain algorithm (every condition enumerates its folders
// afresh and tests every name): on many random trees and condition lists both must leave the
// same files in the same places and record the same rows, notes, questions and history.
#include "platform/clock.h"
#include "random_run_cases.h"

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

using testing::Case;
using testing::Generator;
using testing::Listing;
using testing::Outcome;
using testing::Side;
using testing::Strings;

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
        EXPECT_EQ(Listing(out.rows), "alpha 1.avi|  |<top>a|<top>src\nalpha 1.avi|  |<top>g|<top>src\n"
                                     "alpha 2.avi|  |<top>a|<top>src\nbeta 1.avi|  |<top>b|<top>src\n"
                                     "beta 2.avi|  |<top>b|<top>src\n")
            << (plainPath ? "plain" : "fast");
        EXPECT_EQ(side.dir.ReadBytes("g/alpha 1.avi"), "new");
    }
}

} // namespace
} // namespace sv
