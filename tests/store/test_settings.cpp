// SPDX-License-Identifier: GPL-3.0-or-later
#include "doubles/scripted_message_box.h"
#include "store/settings.h"

#include "platform/files.h"
#include "testing.h"

#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

namespace sv {
namespace {

using testing::Sjis;
using testing::TempFolder;

constexpr std::string_view kIni = "Sorvanta.ini";

std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (std::string_view line : lines)
        out.append(line).append("\r\n");
    return out;
}

TConditionList OneCondition() {
    TConditionList list;
    list.Put(0, {"映画", "C:\\movie\\"});
    return list;
}

TEST(SettingsLoad, NoFileGivesTheDefaultsAndTheFirstSaveWritesEveryKey) {
    TempFolder dir;
    TAppSettings s = LoadSettings(dir.PathText(), kIni);
    const std::string csv = dir.PathText() + "SV_Cond.csv";
    EXPECT_EQ(s.HistoryListWidth, (std::array<int, 5>{319, 42, 319, 107, 119}));
    EXPECT_EQ(s.ReportListWidth, (std::array<int, 3>{404, 42, 140}));
    EXPECT_EQ(s.ExpFile[0], csv);
    EXPECT_EQ(s.ImpFile[0], csv);
    EXPECT_TRUE(s.SourceHistory.empty());

    ASSERT_TRUE(SaveSettings(dir.PathText(), kIni, s, OneCondition()).ok());
    EXPECT_EQ(dir.ReadBytes(kIni), Lines({"[Path]",
                                          "Source=",
                                          "ExecAll=0",
                                          "ExpFile0=" + csv,
                                          "ImpFile0=" + csv,
                                          "ImpIndex=0",
                                          "[Size]",
                                          "HistoryListWidth0=319",
                                          "HistoryListWidth1=42",
                                          "HistoryListWidth2=319",
                                          "HistoryListWidth3=107",
                                          "HistoryListWidth4=119",
                                          "FormWidth=434",
                                          "FormHeight=338",
                                          "FormLeft=0",
                                          "FormTop=0",
                                          "ReportWidth=630",
                                          "ReportHeight=256",
                                          "ReportListWidth0=404",
                                          "ReportListWidth1=42",
                                          "ReportListWidth2=140",
                                          "HistoryWidth=630",
                                          "HistoryHeight=223",
                                          "ListWidth0=65",
                                          "ListWidth1=116",
                                          "ListWidth2=74",
                                          "ListWidth3=116",
                                          "[Condition]",
                                          "SameName0=2",
                                          "SameName1=2",
                                          "NotExe=1",
                                          "NotDouble=1",
                                          "NotClass=1",
                                          "DoubtFolder=",
                                          "NotIncomplete=1",
                                          "NgKeyword=",
                                          "CycleExec=0",
                                          "CycleExecTime=10",
                                          "DustBox=0",
                                          "StartMin=0",
                                          "CloseMin=0",
                                          "ArchiveAlarm=0",
                                          "FileComp=0",
                                          "HistDel=0",
                                          "HistMax=5",
                                          "Ny=0",
                                          "NyFolder=",
                                          "FileUsing=1",
                                          "FileUsingWait=10",
                                          "MakeFolder=0",
                                          "Filer=0",
                                          "FilerProg=",
                                          "ExecChkBox=0",
                                          "ReadOnly=0",
                                          "WatchSource=0",
                                          "WatchWait=10",
                                          "[WindowPos]",
                                          "HwndTop=0",
                                          "[Version]",
                                          "SorvantaVer=3.90",
                                          "[Default]",
                                          "DefKeyword=",
                                          "DefDestFolder=\"\"",
                                          "DefComment="}));
    EXPECT_NE(dir.ReadBytes("Condition.txt").find(Sjis("映画")), std::string::npos);

    // Saved in the new column order, so the next start does not rearrange them again.
    s.SorvantaVer = "3.90";
    EXPECT_EQ(LoadSettings(dir.PathText(), kIni), s);
}

TEST(SettingsSave, EveryValueSurvivesASaveAndALoad) {
    TempFolder dir;
    TAppSettings s;
    s.SourceHistory = {"C:\\受信\\", "D:\\"};
    s.Source = "E:\\新しい";
    s.ExecAll = s.CycleExec = s.CloseMin = s.DustBox = s.StartMin = s.ArchiveAlarm = s.FileComp = true;
    s.HistDel = s.Ny = s.MakeFolder = s.Filer = s.ExecChkBox = s.ReadOnly = s.HwndTop = true;
    s.WatchSource = true;
    s.WatchWait = 3600;
    s.FileUsingWait = 1440;
    s.NotExe = s.NotDouble = s.NotClass = s.NotIncomplete = s.FileUsing = false;
    s.ExpFile = {"C:\\a.csv", "C:\\b.csv"};
    s.ImpFile = {"C:\\c.csv", "", "C:\\d.csv"};
    s.ImpIndex = 3;
    s.ExtRules = {{"txt", "doc"}, {"ｊｐｇ", "jpeg"}};
    s.FormWidth = 800;
    s.FormHeight = 600;
    s.FormLeft = -20;
    s.FormTop = 40;
    s.ReportWidth = 700;
    s.ReportHeight = 300;
    s.ReportListWidth = {1, 2, 3};
    s.HistoryWidth = 640;
    s.HistoryHeight = 230;
    s.HistoryListWidth = {4, 5, 6, 7, 8};
    s.ListWidth = {9, 10, 11, 12};
    s.SameName0 = SameNameRule::KeepNewer;
    s.SameName1 = SameNameRule::Skip;
    s.CycleExecTime = 9999;
    s.HistMax = 99;
    s.DoubtFolder = "C:\\怪しい\\";
    s.NgKeyword = " 空白 \"引用\"";
    s.NyFolder = "C:\\ny\\";
    s.FilerProg = "\"C:\\filer.exe\"";
    s.DefKeyword = "\"ドラマ\" ";
    s.DefComment = "\t名前";
    s.DefDestFolder = "\x08 C:\\振り分け\\";
    for (char c = 1; c < 32; ++c) {
        if (c != '\r' && c != '\n')
            s.DefDestFolder += c;
    }
    s.DefDestFolder += "/C:\\元\\\"";

    ASSERT_TRUE(SaveSettings(dir.PathText(), kIni, s, TConditionList()).ok());
    const std::string first = dir.ReadBytes(kIni);
    EXPECT_EQ(s.SourceHistory, (std::vector<std::string>{"E:\\新しい", "C:\\受信\\", "D:\\"}));
    // The options dialog offers the close button's going to the tray, so the save keeps it.
    EXPECT_NE(first.find("CloseMin=1"), std::string::npos);
    TAppSettings loaded = LoadSettings(dir.PathText(), kIni);
    EXPECT_EQ(loaded.SorvantaVer, "3.90");
    loaded.SorvantaVer = s.SorvantaVer;
    EXPECT_EQ(loaded, s);
}

TEST(SettingsLoad, AnOlderFileIsRearrangedOnceAndRenumberedOnSaving) {
    TempFolder dir;
    dir.WriteBytes(kIni, Lines({"[Path]",
                                "Source=",
                                "Source1=  ",
                                "Source2=C:\\data\\\\",
                                Sjis("Source3=D:\\日本語フォルダ"),
                                "Source4=C:\\data\\",
                                "[ExtChange]",
                                "ExtBefore0=txt",
                                "ExtAfter0=doc",
                                "ExtBefore1=a",
                                "ExtAfter1=b",
                                "ExtBefore3=e",
                                "ExtAfter3=",
                                "ExtBefore4=f",
                                "ExtAfter4=g",
                                "[Size]",
                                "ListWidth0=100",
                                "ListWidth1=200",
                                "ListWidth2=300",
                                "HistoryListWidth0=1",
                                "HistoryListWidth1=2",
                                "HistoryListWidth2=3",
                                "HistoryListWidth3=4",
                                "HistoryListWidth4=5",
                                "ReportListWidth0=10",
                                "ReportListWidth1=20",
                                "ReportListWidth2=30",
                                "[Condition]",
                                "CycleExecTime=abc",
                                "NotExe=0",
                                "HistMax=x",
                                "[Version]",
                                "SorvantaVer=1.20"}));
    TAppSettings s = LoadSettings(dir.PathText(), kIni);
    EXPECT_EQ(s.SourceHistory, (std::vector<std::string>{"C:\\data\\", "D:\\日本語フォルダ"}));
    EXPECT_EQ(s.Source, "C:\\data\\");
    EXPECT_EQ(s.ExtRules, (std::vector<TExtRule>{{"txt", "doc"}, {"a", "b"}, {"f", "g"}}));
    EXPECT_EQ(s.ListWidth, (std::array<int, 4>{65, 100, 200, 300}));
    EXPECT_EQ(s.HistoryListWidth, (std::array<int, 5>{3, 2, 4, 1, 5}));
    EXPECT_EQ(s.ReportListWidth, (std::array<int, 3>{20, 10, 30}));
    EXPECT_EQ(s.CycleExecTime, 10);
    EXPECT_EQ(s.HistMax, 5);
    EXPECT_FALSE(s.NotExe);

    ASSERT_TRUE(SaveSettings(dir.PathText(), kIni, s, TConditionList()).ok());
    const std::string saved = dir.ReadBytes(kIni);
    EXPECT_NE(saved.find(Lines({"[ExtChange]", "ExtBefore0=txt", "ExtAfter0=doc", "ExtBefore1=a",
                                "ExtAfter1=b", "ExtBefore2=f", "ExtAfter2=g", "[Size]"})),
              std::string::npos);
    EXPECT_NE(saved.find(Lines({"Source=C:\\data\\", Sjis("Source1=D:\\日本語フォルダ"), "ExecAll=0"})),
              std::string::npos);
    for (const char* gone : {"Source2", "Source3", "Source4", "ExtBefore3", "ExtAfter4"})
        EXPECT_EQ(saved.find(gone), std::string::npos) << gone;

    TAppSettings again = LoadSettings(dir.PathText(), kIni);
    again.SorvantaVer = s.SorvantaVer;
    EXPECT_EQ(again, s);
}

TEST(SettingsLoad, VersionCountsByItsFirstFourCharacters) {
    EXPECT_EQ(SettingsVersionNumber("3.90"), 390);
    EXPECT_EQ(SettingsVersionNumber("1.30"), 130);
    EXPECT_EQ(SettingsVersionNumber("1.299"), 129);
    EXPECT_EQ(SettingsVersionNumber(" 1.3"), 130);
    EXPECT_EQ(SettingsVersionNumber("12.5b"), 1250);
    for (const char* notNumber : {"", "abc", "1.2.", "v1.3", ".", "３．９"})
        EXPECT_EQ(SettingsVersionNumber(notNumber), 0) << notNumber;

    TempFolder dir;
    dir.WriteBytes(kIni, Lines({"[Version]", "SorvantaVer=beta", "[Size]", "ReportListWidth0=1"}));
    EXPECT_EQ(LoadSettings(dir.PathText(), kIni).ReportListWidth, (std::array<int, 3>{404, 1, 140}));
}

TEST(SettingsLoad, TheWatchKeysDefaultToOffAndTenSeconds) {
    TempFolder dir;
    dir.WriteBytes(kIni, Lines({"[Condition]", "WatchWait=x"}));
    TAppSettings s = LoadSettings(dir.PathText(), kIni);
    EXPECT_FALSE(s.WatchSource);
    EXPECT_EQ(s.WatchWait, 10);
    dir.WriteBytes(kIni, Lines({"[Condition]", "WatchSource=1", "WatchWait=45"}));
    s = LoadSettings(dir.PathText(), kIni);
    EXPECT_TRUE(s.WatchSource);
    EXPECT_EQ(s.WatchWait, 45);
    ASSERT_TRUE(SaveSettings(dir.PathText(), kIni, s, TConditionList()).ok());
    const std::string saved = dir.ReadBytes(kIni);
    EXPECT_NE(saved.find("WatchSource=1\r\nWatchWait=45\r\n"), std::string::npos);
}

TEST(SettingsLoad, TheQuietTimeOfUnseenWritersIsTenMinutesUnlessADayOrLessIsSet) {
    TempFolder dir;
    for (const auto& [text, minutes] : std::initializer_list<std::pair<std::string_view, int>>{{"", 10},
                                                                                               {"x", 10},
                                                                                               {"0", 10},
                                                                                               {"-5", 10},
                                                                                               {"1441", 10},
                                                                                               {"1", 1},
                                                                                               {"1440", 1440},
                                                                                               {"90", 90}}) {
        dir.WriteBytes(kIni, text.empty() ? Lines({"[Condition]", "FileUsing=1"})
                                          : Lines({"[Condition]", "FileUsingWait=" + std::string(text)}));
        EXPECT_EQ(LoadSettings(dir.PathText(), kIni).FileUsingWait, minutes) << text;
    }
    TAppSettings s = LoadSettings(dir.PathText(), kIni);
    ASSERT_TRUE(SaveSettings(dir.PathText(), kIni, s, TConditionList()).ok());
    EXPECT_NE(dir.ReadBytes(kIni).find("\r\nFileUsingWait=90\r\n"), std::string::npos);
    EXPECT_EQ(LoadSettings(dir.PathText(), kIni).FileUsingWait, 90);
}

// Every key, each with a value of its own, written by hand as another installation would: each
// lands in its own setting. The keys are spelt out here, not taken from the program's table.
TEST(SettingsLoad, EveryKeyOfAFileWrittenElsewhereLandsInItsSetting) {
    TempFolder dir;
    dir.WriteBytes(kIni, Lines({"[Path]",
                                "Source=\\s0",
                                "Source1=\\s1",
                                "ExecAll=1",
                                "ExpFile0=\\e0.csv",
                                "ExpFile9=\\e9.csv",
                                "ImpFile0=\\i0.csv",
                                "ImpFile4=\\i4.csv",
                                "ImpIndex=7",
                                "[ExtChange]",
                                "ExtBefore0=a",
                                "ExtAfter0=b",
                                "[Size]",
                                "HistoryListWidth0=1",
                                "HistoryListWidth1=2",
                                "HistoryListWidth2=3",
                                "HistoryListWidth3=4",
                                "HistoryListWidth4=5",
                                "FormWidth=11",
                                "FormHeight=12",
                                "FormLeft=13",
                                "FormTop=14",
                                "ReportWidth=15",
                                "ReportHeight=16",
                                "ReportListWidth0=17",
                                "ReportListWidth1=18",
                                "ReportListWidth2=19",
                                "HistoryWidth=20",
                                "HistoryHeight=21",
                                "ListWidth0=22",
                                "ListWidth1=23",
                                "ListWidth2=24",
                                "ListWidth3=25",
                                "[Condition]",
                                "SameName0=1",
                                "SameName1=3",
                                "NotExe=0",
                                "NotDouble=0",
                                "NotClass=0",
                                "DoubtFolder=\\doubt",
                                "NotIncomplete=0",
                                "NgKeyword=ng",
                                "CycleExec=1",
                                "CycleExecTime=31",
                                "CloseMin=1",
                                "DustBox=1",
                                "StartMin=1",
                                "ArchiveAlarm=1",
                                "FileComp=1",
                                "HistDel=1",
                                "HistMax=32",
                                "Ny=1",
                                "NyFolder=\\ny",
                                "FileUsing=0",
                                "FileUsingWait=33",
                                "MakeFolder=1",
                                "Filer=1",
                                "FilerProg=\\filer",
                                "ExecChkBox=1",
                                "ReadOnly=1",
                                "WatchSource=1",
                                "WatchWait=34",
                                "[WindowPos]",
                                "HwndTop=1",
                                "[Version]",
                                "SorvantaVer=3.90",
                                "[Default]",
                                "DefKeyword=dk",
                                "DefDestFolder=\"\x08\\dd\"",
                                "DefComment=dc"}));
    const TAppSettings s = LoadSettings(dir.PathText(), kIni);
    EXPECT_EQ(s.SourceHistory, (std::vector<std::string>{"\\s0", "\\s1"}));
    EXPECT_EQ(s.Source, "\\s0");
    EXPECT_TRUE(s.ExecAll);
    EXPECT_EQ(s.ExpFile[0], "\\e0.csv");
    EXPECT_EQ(s.ExpFile[9], "\\e9.csv");
    EXPECT_EQ(s.ImpFile[0], "\\i0.csv");
    EXPECT_EQ(s.ImpFile[4], "\\i4.csv");
    EXPECT_EQ(s.ImpIndex, 7);
    EXPECT_EQ(s.ExtRules, (std::vector<TExtRule>{{"a", "b"}}));
    EXPECT_EQ(s.HistoryListWidth, (std::array<int, 5>{1, 2, 3, 4, 5}));
    EXPECT_EQ(
        std::vector<int>({s.FormWidth, s.FormHeight, s.FormLeft, s.FormTop, s.ReportWidth, s.ReportHeight}),
        std::vector<int>({11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(s.ReportListWidth, (std::array<int, 3>{17, 18, 19}));
    EXPECT_EQ(s.HistoryWidth, 20);
    EXPECT_EQ(s.HistoryHeight, 21);
    EXPECT_EQ(s.ListWidth, (std::array<int, 4>{22, 23, 24, 25}));
    EXPECT_EQ(s.SameName0, SameNameRule::KeepOlder);
    EXPECT_EQ(s.SameName1, SameNameRule::Skip);
    EXPECT_FALSE(s.NotExe || s.NotDouble || s.NotClass || s.NotIncomplete || s.FileUsing);
    EXPECT_EQ(s.DoubtFolder, "\\doubt");
    EXPECT_EQ(s.NgKeyword, "ng");
    EXPECT_TRUE(s.CycleExec && s.CloseMin && s.DustBox && s.StartMin && s.ArchiveAlarm && s.FileComp);
    EXPECT_TRUE(s.HistDel && s.Ny && s.MakeFolder && s.Filer && s.ExecChkBox && s.ReadOnly && s.WatchSource);
    EXPECT_TRUE(s.HwndTop);
    EXPECT_EQ(std::vector<int>({s.CycleExecTime, s.HistMax, s.FileUsingWait, s.WatchWait}),
              std::vector<int>({31, 32, 33, 34}));
    EXPECT_EQ(s.NyFolder, "\\ny");
    EXPECT_EQ(s.FilerProg, "\\filer");
    EXPECT_EQ(s.SorvantaVer, "3.90");
    EXPECT_EQ(s.DefKeyword, "dk");
    EXPECT_EQ(s.DefDestFolder, "\x08\\dd");
    EXPECT_EQ(s.DefComment, "dc");
}

// A rule number another version may have written is kept as it is, not taken for another rule.
TEST(SettingsLoad, AnUnknownSameNameRuleIsKeptAsItsNumber) {
    TempFolder dir;
    dir.WriteBytes(kIni, Lines({"[Condition]", "SameName0=7", "SameName1=-1"}));
    TAppSettings s = LoadSettings(dir.PathText(), kIni);
    EXPECT_EQ(static_cast<int>(s.SameName0), 7);
    EXPECT_EQ(static_cast<int>(s.SameName1), -1);
    ASSERT_TRUE(SaveSettings(dir.PathText(), kIni, s, TConditionList()).ok());
    EXPECT_NE(dir.ReadBytes(kIni).find(Lines({"SameName0=7", "SameName1=-1"})), std::string::npos);
}

TEST(SettingsSave, AFileFromAnotherInstallationKeepsWhatThisProgramDoesNotKnow) {
    TempFolder dir;
    const std::string head = Lines({"; written elsewhere", "[PATH]", Sjis("source=C:\\ダウンロード"),
                                    Sjis("SOURCE1=E:\\共有"), "Plugin=keep me", "", "[extchange]",
                                    "EXTBEFORE0=TXT", "extafter0=doc", "[Tool]", Sjis("Name=ツール")});
    dir.WriteBytes(kIni, head + Lines({"[condition]", Sjis("ngkeyword=ウイルス 偽物"), "closemin=1", "[size]",
                                       "listwidth0=70", "LISTWIDTH3=80"}));
    TAppSettings s = LoadSettings(dir.PathText(), kIni);
    EXPECT_EQ(s.SourceHistory, (std::vector<std::string>{"C:\\ダウンロード", "E:\\共有"}));
    EXPECT_EQ(s.ExtRules, (std::vector<TExtRule>{{"TXT", "doc"}}));
    EXPECT_EQ(s.NgKeyword, "ウイルス 偽物");
    EXPECT_TRUE(s.CloseMin);
    EXPECT_EQ(s.ListWidth, (std::array<int, 4>{70, 116, 74, 80}));

    ASSERT_TRUE(SaveSettings(dir.PathText(), kIni, s, TConditionList()).ok());
    const std::string saved = dir.ReadBytes(kIni);
    EXPECT_EQ(saved.substr(0, saved.find("Plugin")),
              Lines({"; written elsewhere", "[PATH]", Sjis("source=C:\\ダウンロード")}));
    EXPECT_NE(saved.find(Lines({"[Tool]", Sjis("Name=ツール")})), std::string::npos);
    EXPECT_NE(saved.find("closemin=1\r\n"), std::string::npos);
    // Names compare without case: a key is rewritten where it stands, never added a second time.
    std::string lower = saved;
    for (char& c : lower)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    for (const char* once : {"\nsource=", "\nextbefore0=", "\nlistwidth3=", "\nngkeyword=", "\nclosemin="}) {
        EXPECT_NE(lower.find(once), std::string::npos) << once;
        EXPECT_EQ(lower.find(once), lower.rfind(once)) << once;
    }
    TAppSettings again = LoadSettings(dir.PathText(), kIni);
    again.SorvantaVer = s.SorvantaVer;
    EXPECT_EQ(again, s);
}

TEST(SettingsLoad, DamagedFilesLoadAndWhatWasReadIsSavedFaithfully) {
    TempFolder dir;
    std::mt19937 rng(7);
    const std::vector<std::string> sections = {"[Path]",    "[size]",    " [Condition] ", "[ExtChange]",
                                               "[Version]", "[Default]", "[Path"};
    const std::vector<std::string> keys = {
        "Source",    "source1",    "Source3",    "ExtBefore0", "ExtAfter0",     "ExtBefore1",
        "ExtAfter1", "ListWidth0", "ListWidth1", "LISTWIDTH3", "SorvantaVer",   "NgKeyword",
        "HistMax",   "ExecAll",    "ExpFile0",   "ImpFile1",   "DefDestFolder", "HistoryListWidth0"};
    const std::vector<std::string> values = {"\"",   " ",    "\x08",           "1.2",  "-7", "12",
                                             "C:\\", "\\\\", Sjis("フォルダ"), "\x81", "="};
    const std::vector<std::string> ends = {"\r\n", "\n", "\r"};
    auto pick = [&rng](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
    const TAppSettings blank = LoadSettings(dir.PathText(), kIni);
    int meaningful = 0;
    for (int round = 0; round < 60; ++round) {
        std::string bytes;
        for (int line = rng() % 120; line > 0; --line) {
            const unsigned kind = rng() % 6;
            if (kind == 0) {
                bytes += pick(sections);
            } else if (kind == 5) {
                for (int n = rng() % 10; n > 0; --n)
                    bytes += static_cast<char>(rng() % 256);
            } else {
                bytes += pick(keys) + (rng() % 2 ? "=" : " = ");
                for (int n = rng() % 5; n > 0; --n)
                    bytes += pick(values);
            }
            bytes += pick(ends);
        }
        dir.WriteBytes(kIni, bytes);
        TAppSettings s = LoadSettings(dir.PathText(), kIni);
        meaningful += s != blank;
        ASSERT_TRUE(SaveSettings(dir.PathText(), kIni, s, TConditionList()).ok()) << round;
        TAppSettings again = LoadSettings(dir.PathText(), kIni);
        again.SorvantaVer = s.SorvantaVer;
        ASSERT_EQ(again, s) << round;
    }
    EXPECT_GT(meaningful, 20); // the generator does reach the keys
}

TEST(TidySourceHistory, NormalisesPutsTheComboFirstAndKeepsTenDistinctFolders) {
    TSourceHistory t =
        TidySourceHistory({"C:\\b", "", " C:\\data\\\\ ", "C:\\b", "c:\\B", "C:\\"}, "C:\\data\\\\");
    EXPECT_EQ(t.items, (std::vector<std::string>{"C:\\data\\", "C:\\b", "c:\\B", "C:\\"}));
    EXPECT_EQ(t.text, "C:\\data\\");

    t = TidySourceHistory({"C:\\x", "C:\\y"}, "  ");
    EXPECT_EQ(t.text, "C:\\x");
    EXPECT_EQ(TidySourceHistory({}, "").text, "");

    std::vector<std::string> ten;
    for (int i = 0; i < 10; ++i)
        ten.push_back("C:\\f" + std::to_string(i));
    t = TidySourceHistory(ten, "C:\\new");
    ASSERT_EQ(t.items.size(), 10u);
    EXPECT_EQ(t.items.front(), "C:\\new");
    EXPECT_EQ(t.items.back(), "C:\\f8");
    t = TidySourceHistory(ten, "C:\\f5");
    EXPECT_EQ(t.items[0], "C:\\f5");
    EXPECT_EQ(t.items[6], "C:\\f6");
}

TEST(SettingsSave, AReadOnlyFileAsksWhetherToClearTheMark) {
    TempFolder dir;
    const std::string original = Lines({"[Condition]", "NgKeyword=old"});
    dir.WriteBytes(kIni, original);
    dir.WriteBytes("History.dat", "");
    for (std::string_view name : {kIni, std::string_view("History.dat")})
        ::chmod(dir.NativeFile(name).c_str(), 0444);
    TAppSettings s = LoadSettings(dir.PathText(), kIni);
    s.NgKeyword = "new";

    ScriptedMessageBox no;
    no.QueueAnswer(MbAnswer::No);
    EXPECT_FALSE(SaveSettingsWithRetry(dir.PathText(), kIni, s, OneCondition(), no));
    ASSERT_EQ(no.Shown().size(), 1u);
    EXPECT_EQ(no.Shown()[0].title, "Sorvanta - ファイル書き込みエラー");
    EXPECT_EQ(no.Shown()[0].text,
              "設定保存用ファイルに書き込みできません。読み取り専用属性を外して書き込みしてみましょうか？");
    EXPECT_EQ(no.Shown()[0].icon, MbIcon::Error);
    EXPECT_EQ(no.Shown()[0].buttons, MbButtons::YesNo);
    EXPECT_EQ(dir.ReadBytes(kIni), original);
    EXPECT_FALSE(dir.Exists("Condition.txt"));
    EXPECT_EQ(s.NgKeyword, "new");

    // Condition.txt read-only too: the settings file alone would not be enough.
    dir.WriteBytes("Condition.txt", "");
    ::chmod(dir.NativeFile("Condition.txt").c_str(), 0444);
    ScriptedMessageBox yes;
    yes.QueueAnswer(MbAnswer::Yes);
    EXPECT_TRUE(SaveSettingsWithRetry(dir.PathText(), kIni, s, OneCondition(), yes));
    EXPECT_EQ(yes.Shown().size(), 1u);
    for (std::string_view name : {kIni, std::string_view("Condition.txt"), std::string_view("History.dat")})
        EXPECT_FALSE(IsReadOnly(dir.PathText() + std::string(name))) << name;
    EXPECT_EQ(LoadSettings(dir.PathText(), kIni).NgKeyword, "new");
    EXPECT_NE(dir.ReadBytes("Condition.txt").find(Sjis("映画")), std::string::npos);
}

TEST(SettingsSave, AFailureThatPersistsAsksAgainUntilNo) {
    TempFolder dir;
    // A folder where the settings file should be: clearing read-only marks cannot help.
    ASSERT_EQ(::mkdir(dir.NativeFile(kIni).c_str(), 0755), 0);
    TAppSettings s = LoadSettings(dir.PathText(), kIni);
    ScriptedMessageBox box;
    box.QueueAnswer(MbAnswer::Yes);
    box.QueueAnswer(MbAnswer::No);
    EXPECT_FALSE(SaveSettingsWithRetry(dir.PathText(), kIni, s, TConditionList(), box));
    EXPECT_EQ(box.Shown().size(), 2u);
    EXPECT_TRUE(box.AllAnswersUsed());
}

} // namespace
} // namespace sv
