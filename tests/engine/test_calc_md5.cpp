// SPDX-License-Identifier: GPL-3.0-or-later
// The hashing worker and the wait for it, with the built digest library.
#include "engine/calc_md5.h"
#include "platform/pathtext.h"
#include "scripted_run_ui.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace sv {
namespace {

class CalcMd5 : public ::testing::Test {
protected:
    CalcMd5() { EXPECT_TRUE(library.EnsureLoaded()); }
    std::string Path(std::string_view name) const { return dir.PathText() + std::string(name); }
    std::string Hash(std::string_view name) {
        return ThreadCalcMD5(library, Disk(), Path(name), terminate, [this](int p) { reports.push_back(p); });
    }
    std::string WholeDigest(const std::string& bytes) {
        EXPECT_EQ(library.InitAlgorithm(), 0);
        EXPECT_EQ(library.InputData(bytes.data(), static_cast<std::int32_t>(bytes.size())), 0);
        return library.HashText().value_or("failed");
    }

    testing::TempFolder dir;
    DigestLibrary library{SV_MD5_LIBRARY};
    std::atomic<bool> terminate{false};
    std::vector<int> reports;
};

TEST_F(CalcMd5, ProgressFollowsThe1st201stAndShortBlock) {
    std::string bytes(201 * 1024 + 10, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 1000);
    dir.WriteBytes("a.bin", bytes);
    EXPECT_EQ(Hash("a.bin"), WholeDigest(bytes));
    // 1024 x 100 / total, 201 x 1024 x 100 / total, and the short last block at 100.
    EXPECT_EQ(reports, (std::vector<int>{0, 99, 100}));

    // A file of whole blocks ends without a short block, so nothing is told after the first.
    reports.clear();
    dir.WriteBytes("b.bin", std::string(2048, 'b'));
    EXPECT_EQ(Hash("b.bin"), WholeDigest(std::string(2048, 'b')));
    EXPECT_EQ(reports, (std::vector<int>{50}));
}

TEST_F(CalcMd5, FailuresGiveErr) {
    EXPECT_EQ(Hash("missing.bin"), "err");
    std::filesystem::create_directories(dir.NativeFile("folder"));
    EXPECT_EQ(Hash("folder"), "err");

    dir.WriteBytes("c.bin", std::string(5000, 'c'));
    terminate = true;
    EXPECT_EQ(Hash("c.bin"), "err");
    EXPECT_LE(reports.size(), 1u);

    terminate = false;
    library.Release();
    EXPECT_EQ(Hash("c.bin"), "err");
}

TEST_F(CalcMd5, HashFileSaysWhatItHashesAndBringsTheProgressToTheWindow) {
    dir.WriteBytes("d.bin", std::string(3000, 'd'));
    testing::ScriptedRunUi ui;
    EXPECT_EQ(HashFile(ui, library, Disk(), Path("d.bin"), HashedFile::Destination),
              WholeDigest(std::string(3000, 'd')));
    ASSERT_FALSE(ui.statuses.empty());
    EXPECT_EQ(ui.statuses.front(), "振り分け先ファイル ハッシュ値計算中： " + dir.NativeFile("d.bin"));
    EXPECT_EQ(ui.progress, 100);
    EXPECT_EQ(HashStatusText(HashedFile::Source, "\\tmp\\\\x\\\\y.avi"),
              "振り分け元ファイル ハッシュ値計算中： /tmp/x/y.avi");

    // A cancel ends the wait with "calc"; the worker has ended by then.
    testing::ScriptedRunUi cancelling;
    cancelling.onEvents = [&cancelling](int) { cancelling.PressCancel(); };
    EXPECT_EQ(HashFile(cancelling, library, Disk(), Path("d.bin"), HashedFile::Source), "calc");
    // The library is free again for the next file.
    EXPECT_EQ(WholeDigest("abc"), "900150983cd24fb0d6963f7d28e17f72");
}

} // namespace
} // namespace sv
