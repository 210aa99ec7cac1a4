// SPDX-License-Identifier: GPL-3.0-or-later
// Data files holding characters in codes other than the ones writing uses (as other tools write
// them): each file is either written back byte for byte or kept aside once, with its original
// bytes, before the first save that changes them; after that save it is in the preferred codes
// and no longer kept.
#include "doubles/scripted_message_box.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "store/condition_file.h"
#include "store/history_file.h"
#include "store/settings.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace sv {
namespace {

using testing::TempFolder;

// 髙﨑 (NEC-selected IBM extensions), 纊 (likewise), ≒ (NEC row 13), roman one (IBM extension),
// and the codes writing uses for them.
const std::string kOther = "\xEE\xE0\xED\x95 \xED\x40 \x87\x90 \xFA\x4A";
const std::string kPreferred = "\xFB\xFC\xFA\xB1 \xFA\x5C \x81\xE0 \x87\x54";
const std::string kText = "髙﨑 纊 ≒ Ⅰ";

std::string Condition(std::string_view keywords, std::string_view dest) {
    return std::string(keywords) + "\r\n" + std::string(dest) +
           "\x05"
           "0  1022\x06"
           "0  1022\x13"
           "0212121111\r\n";
}

std::string Record(std::string_view name, std::string_view time = "26/12/08 10:00:00") {
    return std::string(time) + "\r\n  \r\n" + std::string(name) + "\r\n\\d*\\s\r\n";
}

int Copies(const TempFolder& dir, std::string_view name) {
    int n = 0;
    while (dir.Exists(std::string(name) + ".bak" + (n == 0 ? "" : std::to_string(n))))
        ++n;
    return n;
}

TEST(DataFileCodes, AConditionFileInThePreferredCodesOrWithStrayBytesIsWrittenBackAsItWas) {
    TempFolder dir;
    // A stray byte in front of small roman one (written 0xFA 0x40 on its own) is kept aside for the
    // stray byte alone, and the save gives every byte back.
    const std::string stray = Condition("A\xEE\xEE\xEF", "\\d");
    dir.WriteBytes("Condition.txt", stray);
    TConditionList list;
    EXPECT_NE(LoadConditions(dir.PathText(), list).keptAside.reason, kOtherCodesReason);
    ASSERT_TRUE(SaveConditions(dir.PathText(), list).ok());
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), stray);

    const std::string preferred = Condition(kPreferred, "\\d\\\xFB\xFC");
    dir.WriteBytes("Condition.txt", preferred);
    EXPECT_FALSE(LoadConditions(dir.PathText(), list).keptAside.Needed());
    ASSERT_TRUE(SaveConditions(dir.PathText(), list).ok());
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), preferred);
}

TEST(DataFileCodes, AHistoryIsKeptOnceBeforeTheWindowRewritesItInThePreferredCodes) {
    TempFolder dir;
    const std::string old = Record(kOther + ".avi") + Record("b.avi", "26/12/08 09:00:00");
    dir.WriteBytes("History.dat", old);
    // The start leaves it alone: only the history window's rewrite would change its bytes.
    EXPECT_FALSE(KeepDamagedHistoryAside(dir.PathText()).Needed());
    // A run's prepend keeps the old bytes.
    TPendingHistory pending;
    for (const char* line : {"26/12/09 10:00:00", "  ", "new.avi", "\\d*\\s"})
        pending.lines.push_back(line);
    ASSERT_TRUE(PrependRunHistory(dir.PathText(), pending).ok());
    const std::string prepended = dir.ReadBytes("History.dat");
    EXPECT_EQ(prepended, Record("new.avi", "26/12/09 10:00:00") + old);

    THistoryList list;
    ASSERT_EQ(LoadHistory(dir.PathText(), list, 1000).state, HistoryLoadState::Refreshed);
    EXPECT_TRUE(list.otherCodes);
    EXPECT_EQ(list.entries[1].EntryName, kText + ".avi");
    ScriptedMessageBox box;
    ASSERT_TRUE(SaveHistory(dir.PathText(), "Sorvanta.ini", list, box).ok());
    EXPECT_EQ(dir.ReadBytes("History.dat.bak"), prepended);
    ASSERT_EQ(box.Shown().size(), 1u);
    EXPECT_NE(box.Shown()[0].text.find("History.dat.bak"), std::string::npos);
    EXPECT_EQ(dir.ReadBytes("History.dat"), Record("new.avi", "26/12/09 10:00:00") +
                                                Record(kPreferred + ".avi") +
                                                Record("b.avi", "26/12/08 09:00:00"));
    EXPECT_FALSE(list.otherCodes);

    // Shown again after the next run and saved again: nothing more is kept or said.
    ASSERT_TRUE(PrependRunHistory(dir.PathText(), pending).ok());
    ASSERT_EQ(LoadHistory(dir.PathText(), list, 1000).state, HistoryLoadState::Refreshed);
    EXPECT_FALSE(list.otherCodes);
    ASSERT_TRUE(SaveHistory(dir.PathText(), "Sorvanta.ini", list, box).ok());
    EXPECT_EQ(box.Shown().size(), 1u);
    EXPECT_EQ(Copies(dir, "History.dat"), 1);
}

TEST(DataFileCodes, AHistoryWithAStrayByteIsRewrittenByteForByte) {
    TempFolder dir;
    const std::string bytes = Record("A\xEE\xEE\xEF.txt") + Record("\x80\xFF\xEE");
    dir.WriteBytes("History.dat", bytes);
    EXPECT_TRUE(HistoryFileDamage(bytes).empty());
    THistoryList list;
    ASSERT_EQ(LoadHistory(dir.PathText(), list, 1000).state, HistoryLoadState::Refreshed);
    EXPECT_FALSE(list.otherCodes);
    ScriptedMessageBox box;
    ASSERT_TRUE(SaveHistory(dir.PathText(), "Sorvanta.ini", list, box).ok());
    EXPECT_EQ(dir.ReadBytes("History.dat"), bytes);
    EXPECT_TRUE(box.Shown().empty());
    EXPECT_EQ(Copies(dir, "History.dat"), 0);
    // The record still names what it named: the second character is small roman one.
    EXPECT_EQ(list.entries[0].EntryName, Cp932ToUtf8("A\xEE") + "ⅰ.txt");
}

TEST(DataFileCodes, EveryCharacterInAnotherCodeIsKeptOnceByEveryReader) {
    // Every two-byte code that reads as a character writing puts in other bytes, in one text.
    std::string other;
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (int trail = 0x40; trail < 0x100; ++trail) {
            const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string text = Cp932ToUtf8(code);
            if (Utf8Length(text) == 1 && Utf8ToCp932Lossy(text) != code)
                other += (other.empty() ? "" : " ") + code;
        }
    }
    ASSERT_GT(other.size(), 3u * 300);
    const std::string text = Cp932ToUtf8(other);
    const std::string preferred = Utf8ToCp932Lossy(text);

    TempFolder dir;
    const std::string conditions = Condition(other, "\\d");
    dir.WriteBytes("Condition.txt", conditions);
    TConditionList list;
    EXPECT_EQ(LoadConditions(dir.PathText(), list).keptAside.reason, kOtherCodesReason);
    EXPECT_EQ(Keywords(list.At(0).keywordText), text);
    ASSERT_TRUE(SaveConditions(dir.PathText(), list).ok());
    EXPECT_EQ(dir.ReadBytes("Condition.txt"), Condition(preferred, "\\d"));
    EXPECT_FALSE(LoadConditions(dir.PathText(), list).keptAside.Needed());
    EXPECT_EQ(dir.ReadBytes("Condition.txt.bak"), conditions);

    const std::string history = Record(other);
    dir.WriteBytes("History.dat", history);
    THistoryList entries;
    ASSERT_EQ(LoadHistory(dir.PathText(), entries, 1000).state, HistoryLoadState::Refreshed);
    EXPECT_TRUE(entries.otherCodes);
    ScriptedMessageBox box;
    ASSERT_TRUE(SaveHistory(dir.PathText(), "Sorvanta.ini", entries, box).ok());
    EXPECT_EQ(dir.ReadBytes("History.dat"), Record(preferred));
    EXPECT_EQ(dir.ReadBytes("History.dat.bak"), history);
    ASSERT_EQ(LoadHistory(dir.PathText(), entries, 1000).state, HistoryLoadState::Unchanged);
    THistoryList fresh;
    ASSERT_EQ(LoadHistory(dir.PathText(), fresh, 1000).state, HistoryLoadState::Refreshed);
    EXPECT_FALSE(fresh.otherCodes);
    EXPECT_EQ(fresh.entries[0].EntryName, text);

    const std::string ini = "[Condition]\r\nNgKeyword=" + other + "\r\n";
    dir.WriteBytes("Sorvanta.ini", ini);
    EXPECT_EQ(KeepDamagedSettingsAside(dir.PathText(), "Sorvanta.ini").reason, kOtherCodesReason);
    TAppSettings settings = LoadSettings(dir.PathText(), "Sorvanta.ini");
    EXPECT_EQ(settings.NgKeyword, text);
    ASSERT_TRUE(SaveSettings(dir.PathText(), "Sorvanta.ini", settings, list).ok());
    EXPECT_TRUE(IsExactCp932(dir.ReadBytes("Sorvanta.ini")));
    EXPECT_EQ(LoadSettings(dir.PathText(), "Sorvanta.ini").NgKeyword, text);
    EXPECT_FALSE(KeepDamagedSettingsAside(dir.PathText(), "Sorvanta.ini").Needed());
    EXPECT_EQ(dir.ReadBytes("Sorvanta.ini.bak"), ini);
}

TEST(DataFileCodes, AHistoryThatCannotBeKeptAsideIsNotRewritten) {
    TempFolder dir;
    const std::string bytes = Record(kOther);
    dir.WriteBytes("History.dat", bytes);
    THistoryList list;
    ASSERT_EQ(LoadHistory(dir.PathText(), list, 1000).state, HistoryLoadState::Refreshed);
    // A folder in the way of every copy name.
    for (int n = 0; n < 1000; ++n)
        std::filesystem::create_directory(
            dir.NativeFile("History.dat.bak" + (n == 0 ? "" : std::to_string(n))));
    ScriptedMessageBox box;
    EXPECT_FALSE(SaveHistory(dir.PathText(), "Sorvanta.ini", list, box).ok());
    ASSERT_EQ(box.Shown().size(), 1u);
    EXPECT_NE(box.Shown()[0].text.find("残せませんでした"), std::string::npos);
    EXPECT_EQ(dir.ReadBytes("History.dat"), bytes);
    EXPECT_TRUE(list.otherCodes);
}

TEST(DataFileCodes, ASettingsFileIsKeptOnceThenSavedInThePreferredCodes) {
    TempFolder dir;
    const std::string ini = "[Path]\r\nSource=\\d\\\xEE\xE0\r\nSource1=\\d\\\xED\x95\r\n; \xEE\xE0 memo\r\n"
                            "[Condition]\r\nNgKeyword=" +
                            kOther + "\r\nUnknown=\x87\x90\r\n";
    dir.WriteBytes("Sorvanta.ini", ini);
    const TKeptAside kept = KeepDamagedSettingsAside(dir.PathText(), "Sorvanta.ini");
    ASSERT_TRUE(kept.Needed());
    EXPECT_EQ(kept.reason, kOtherCodesReason);
    EXPECT_EQ(dir.ReadBytes("Sorvanta.ini.bak"), ini);

    TAppSettings settings = LoadSettings(dir.PathText(), "Sorvanta.ini");
    EXPECT_EQ(settings.Source, "\\d\\髙");
    EXPECT_EQ(settings.NgKeyword, kText);
    TConditionFileWatch watch;
    ASSERT_TRUE(SaveSettings(dir.PathText(), "Sorvanta.ini", settings, {}, &watch).ok());
    EXPECT_FALSE(watch.keptAside.Needed());
    const std::string saved = dir.ReadBytes("Sorvanta.ini");
    EXPECT_TRUE(IsExactCp932(saved));
    for (const std::string& line : std::vector<std::string>{
             "Source=\\d\\\xFB\xFC\r\n", "Source1=\\d\\\xFA\xB1\r\n", "; \xFB\xFC memo\r\n",
             "NgKeyword=" + kPreferred + "\r\n", "Unknown=\x81\xE0\r\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line;
    const TAppSettings again = LoadSettings(dir.PathText(), "Sorvanta.ini");
    EXPECT_EQ(again.SourceHistory, settings.SourceHistory);
    EXPECT_EQ(again.NgKeyword, kText);
    EXPECT_FALSE(KeepDamagedSettingsAside(dir.PathText(), "Sorvanta.ini").Needed());
    EXPECT_EQ(Copies(dir, "Sorvanta.ini"), 1);

    // Changed so after the start: the save itself keeps it and says so.
    dir.WriteBytes("Sorvanta.ini", ini + "[Other]\r\n");
    ASSERT_TRUE(SaveSettings(dir.PathText(), "Sorvanta.ini", settings, {}, &watch).ok());
    ASSERT_TRUE(watch.keptAside.Needed());
    EXPECT_EQ(watch.keptAside.fileName, "Sorvanta.ini");
    EXPECT_EQ(dir.ReadBytes(watch.keptAside.copyPathText.substr(dir.PathText().size())), ini + "[Other]\r\n");
    EXPECT_TRUE(IsExactCp932(dir.ReadBytes("Sorvanta.ini")));
}

} // namespace
} // namespace sv
