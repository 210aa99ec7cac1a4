// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/same_content.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace sv {
namespace {

TEST(CompareContents, OnlyEqualBytesAreEqual) {
    testing::TempFolder dir;
    auto path = [&](const char* name) { return dir.PathText() + name; };
    // Past one chunk, so that the difference in the last byte lies in the second read.
    std::string bytes((1 << 20) + 17, 'q');
    dir.WriteBytes("a", bytes);
    dir.WriteBytes("b", bytes);
    bytes.back() = 'r';
    dir.WriteBytes("c", bytes);
    dir.WriteBytes("d", bytes.substr(0, bytes.size() - 1));
    std::filesystem::create_directories(dir.NativeFile("folder"));

    std::vector<std::uint64_t> steps;
    auto record = [&](std::uint64_t done) {
        steps.push_back(done);
        return true;
    };
    EXPECT_EQ(CompareContents(Disk(), path("a"), path("b"), record), ContentMatch::Equal);
    EXPECT_EQ(steps, (std::vector<std::uint64_t>{1 << 20}));
    EXPECT_EQ(CompareContents(Disk(), path("a"), path("c"), record), ContentMatch::Different);
    EXPECT_EQ(CompareContents(Disk(), path("a"), path("d"), record), ContentMatch::Different);
    EXPECT_EQ(CompareContents(Disk(), path("a"), path("missing"), record), ContentMatch::Failed);
    EXPECT_EQ(CompareContents(Disk(), path("folder"), path("folder"), record), ContentMatch::Failed);
    EXPECT_EQ(CompareContents(Disk(), path("a"), path("b"), [](std::uint64_t) { return false; }),
              ContentMatch::Stopped);
}

} // namespace
} // namespace sv
