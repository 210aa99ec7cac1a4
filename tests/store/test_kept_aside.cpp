// SPDX-License-Identifier: GPL-3.0-or-later
// A data file that would not be written back as it was read is copied aside before a save, once;
// a file that reads back exactly never gets a copy.
#include "platform/fileops_testing.h"
#include "platform/files.h"
#include "store/condition_file.h"
#include "store/history_file.h"
#include "store/settings.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace sv {
namespace {

using testing::TempFolder;

// A condition as the editor writes it: keyword line, then the coded line with its blocks.
std::string Condition(std::string_view keywords, std::string_view dest) {
    return std::string(keywords) + "\r\n" + std::string(dest) +
           "\x05"
           "0  1022\x06"
           "0  1022\x13"
           "0212121111\r\n";
}

const std::string kGood = Condition("mp3//音楽", "\\d\\m") + Condition("jpg", "\\d\\j");

TEST(KeptAside, AConditionFileThatReadsBackExactlyGetsNoCopy) {
    for (const std::string& bytes :
         {kGood, std::string(), std::string("mp3\r\n\\d\\m\r\n"), kGood + "\r\n\r\n"}) {
        TempFolder dir;
        dir.WriteBytes("Condition.txt", bytes);
        TConditionList list;
        const ConditionLoad load = LoadConditions(dir.PathText(), list);
        EXPECT_FALSE(load.keptAside.Needed());
        EXPECT_FALSE(dir.Exists("Condition.txt.bak"));
    }
}

TEST(KeptAside, EveryWayAConditionFileLosesTextKeepsItsBytesOnce) {
    std::string many;
    for (int i = 0; i < TConditionList::kCapacity + 1; ++i)
        many += Condition("k" + std::to_string(i), "\\d");
    const std::pair<std::string, std::string> cases[] = {
        {kGood.substr(0, 10) + std::string(1, '\0') + kGood.substr(10), "0 のバイト"},
        {"\r\n" + kGood, "奇数"},                                // a stray empty line at the top
        {"\r\n" + kGood + "\r\n", "ずれ"},                       // ... and one at the end
        {kGood + "orphan\r\n", "奇数"},                          // an odd line count
        {many, "20000"},                                         // more than the table holds
        {Condition("mp3\xFF", "\\d\\m"), "932"},                 // a byte that is not code page 932
        {Condition("mp3", "\\d") + "jpg\r\n\\d\\j\r\n", "形式"}, // a coded line without its blocks
    };
    for (const auto& [bytes, word] : cases) {
        SCOPED_TRACE(word);
        TempFolder dir;
        dir.WriteBytes("Condition.txt", bytes);
        TConditionList list;
        const ConditionLoad load = LoadConditions(dir.PathText(), list);
        ASSERT_TRUE(load.keptAside.Needed());
        EXPECT_NE(load.keptAside.reason.find(word), std::string::npos) << load.keptAside.reason;
        EXPECT_EQ(dir.ReadBytes("Condition.txt.bak"), bytes);
        const MessageBoxRequest told = KeptAsideMessage(load.keptAside);
        EXPECT_NE(told.text.find("Condition.txt.bak"), std::string::npos);
        // Read again unchanged: the same copy serves, nothing new is said or written.
        TConditionList again;
        EXPECT_FALSE(LoadConditions(dir.PathText(), again).keptAside.Needed());
        EXPECT_FALSE(dir.Exists("Condition.txt.bak1"));
        // A different damaged file gets a copy of its own; the older one stays.
        dir.WriteBytes("Condition.txt", bytes + "x");
        EXPECT_TRUE(LoadConditions(dir.PathText(), again).keptAside.Needed());
        EXPECT_EQ(dir.ReadBytes("Condition.txt.bak"), bytes);
        EXPECT_EQ(dir.ReadBytes("Condition.txt.bak1"), bytes + "x");
    }
}

TEST(KeptAside, SettingsAndHistoryThatLoseTextAreKept) {
    TempFolder dir;
    const std::string ini = "[Path]\r\nSource=\\d\r\n" + std::string(1, '\0') + "[Size]\r\nFormWidth=500\r\n";
    dir.WriteBytes("Sorvanta.ini", ini);
    const TKeptAside settings = KeepDamagedSettingsAside(dir.PathText(), "Sorvanta.ini");
    ASSERT_TRUE(settings.Needed());
    EXPECT_EQ(dir.ReadBytes("Sorvanta.ini.bak"), ini);
    EXPECT_TRUE(SettingsFileDamage("[Path]\r\nSource=\"" + std::string(2047, 'a') + "\"\r\n").empty());
    EXPECT_FALSE(SettingsFileDamage("[Path]\r\nSource=" + std::string(2048, 'a') + "\r\n").empty());
    EXPECT_TRUE(SettingsFileDamage("[Path]\r\nSource=\\d\r\n; comment\r\njunk\r\n").empty());

    const std::string history = "26/12/08 10:00:00\r\n  \r\na.avi\r\n\\d*\\s\r\n26/12/08 10:00:01\r\n  \r\n";
    dir.WriteBytes("History.dat", history);
    ASSERT_TRUE(KeepDamagedHistoryAside(dir.PathText()).Needed());
    EXPECT_EQ(dir.ReadBytes("History.dat.bak"), history);
    // Empty lines between records are no damage.
    const std::string record = "26/12/08 10:00:00\r\n  \r\na.avi\r\n\\d*\\s\r\n";
    EXPECT_TRUE(HistoryFileDamage(record + "\r\n\r\n" + record).empty());
    // Records out of step are damage even when the lines come out four by four.
    EXPECT_FALSE(HistoryFileDamage("a.avi\r\n" + record.substr(0, record.rfind("\\d"))).empty());
}

TEST(KeptAside, AConditionFileChangedOnDiskIsKeptBeforeTheSaveReplacesIt) {
    TempFolder dir;
    dir.WriteBytes("Condition.txt", kGood);
    TConditionList list;
    LoadConditions(dir.PathText(), list);
    TConditionFileWatch watch;
    watch.Take(dir.PathText());
    // Saving what was read changes nothing and keeps nothing.
    ASSERT_TRUE(SaveConditions(dir.PathText(), list, &watch).ok());
    EXPECT_FALSE(watch.keptAside.Needed());
    EXPECT_FALSE(dir.Exists("Condition.txt.bak"));
    // A condition added by hand meanwhile: its file is kept, then replaced.
    const std::string edited = kGood + Condition("zip", "\\d\\z");
    dir.WriteBytes("Condition.txt", edited);
    ASSERT_TRUE(SaveConditions(dir.PathText(), list, &watch).ok());
    ASSERT_TRUE(watch.keptAside.Needed());
    EXPECT_EQ(dir.ReadBytes("Condition.txt.bak"), edited);
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), kGood);
    // Its own save is no change by someone else.
    watch.keptAside = {};
    ASSERT_TRUE(SaveConditions(dir.PathText(), list, &watch).ok());
    EXPECT_FALSE(watch.keptAside.Needed());
}

TEST(KeptAside, AFolderThatTakesNoTemporaryFileIsWrittenInPlace) {
    TempFolder dir;
    dir.WriteBytes("Sorvanta.ini", "[Size]\r\nFormWidth=500\r\n");
    dir.WriteBytes("Condition.txt", kGood);
    const testing::LockedFolder locked(dir.Native());
    if (!locked.On())
        GTEST_SKIP() << locked.Reason();
    bool inPlace = false;
    const std::string longer = std::string(5000, 'x');
    ASSERT_TRUE(WriteFileAtomic(dir.PathText() + "Condition.txt", longer, &inPlace).ok());
    EXPECT_TRUE(inPlace);
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), longer);
    ASSERT_TRUE(WriteFileAtomic(dir.PathText() + "Condition.txt", "short", &inPlace).ok());
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), "short"); // cut to its new length
    // The whole save goes through, settings then conditions, without a question.
    TAppSettings settings = LoadSettings(dir.PathText(), "Sorvanta.ini");
    settings.FormWidth = 640;
    TConditionList list;
    ASSERT_TRUE(SaveSettings(dir.PathText(), "Sorvanta.ini", settings, list).ok());
    EXPECT_EQ(LoadSettings(dir.PathText(), "Sorvanta.ini").FormWidth, 640);
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), "");
    // A file that does not exist yet still cannot be made there.
    EXPECT_FALSE(WriteFileAtomic(dir.PathText() + "History.dat", "x").ok());
}

} // namespace
} // namespace sv
