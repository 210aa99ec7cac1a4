// SPDX-License-Identifier: GPL-3.0-or-later
// The tray's decisions without a window: tips and their cut, icons, clicks, the menu, the leak
// check, the caption, the notice and the periodic schedule.
#include "app/tray_logic.h"
#include "platform/cp932.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace sv;

namespace {

TTrayState InTray() {
    TTrayState state;
    state.inTray = true;
    return state;
}

} // namespace

TEST(TrayTip, PlainPeriodicRunningAndLeakTexts) {
    TTrayState state = InTray();
    EXPECT_EQ(TrayTip(state), "Sorvanta");
    state.cycleExec = true;
    state.cycleExecTime = 10;
    EXPECT_EQ(TrayTip(state), "Sorvanta - 定周期実行：10分毎");
    EXPECT_EQ(PeriodicTip(true, 10), TrayTip(state));
    EXPECT_EQ(PeriodicTip(false, 10), "Sorvanta");
    state.completionCount = 2;
    EXPECT_EQ(TrayTip(state), "Sorvanta - 定周期実行：10分毎\n新規処理ファイル(フォルダ)数：2個");
    state.autoRun = true;
    EXPECT_EQ(TrayTip(state), "Sorvanta - 定周期振り分け実行中。終わるまで待っててください...");
    state.leakWarning = true;
    EXPECT_EQ(TrayTip(state), "Sorvanta - Winnyで情報が流出している可能性があります！");
}

TEST(TrayTip, TheCountLineNeedsPeriodicRunsOn) {
    TTrayState state = InTray();
    state.completionCount = 5;
    EXPECT_EQ(TrayTip(state), "Sorvanta");
}

TEST(TrayTip, CutTo63BytesOfCodePage932OnAWholeCharacter) {
    // 62 bytes before the count: "Sorvanta - 定周期実行：9999分毎" (31), the line feed (1) and
    // "新規処理ファイル(フォルダ)数：" (30).
    TTrayState state = InTray();
    state.cycleExec = true;
    state.cycleExecTime = 9999;
    state.completionCount = 7;
    const std::string tip = TrayTip(state);
    EXPECT_EQ(Cp932Length(tip), 63U);
    EXPECT_EQ(tip, "Sorvanta - 定周期実行：9999分毎\n新規処理ファイル(フォルダ)数：7");
    // Two more digits: the cut falls in the middle of "個" (two bytes), which goes whole.
    state.completionCount = 70;
    EXPECT_EQ(TrayTip(state), "Sorvanta - 定周期実行：9999分毎\n新規処理ファイル(フォルダ)数：7");
    // With a two-digit period a one-digit count fits exactly, "個" included.
    state.cycleExecTime = 99;
    state.completionCount = 1;
    EXPECT_EQ(Cp932Length(TrayTip(state)), 63U);
    EXPECT_EQ(TrayTip(state), "Sorvanta - 定周期実行：99分毎\n新規処理ファイル(フォルダ)数：1個");
    state.completionCount = 12;
    EXPECT_EQ(TrayTip(state), "Sorvanta - 定周期実行：99分毎\n新規処理ファイル(フォルダ)数：12");

    EXPECT_EQ(CutTrayTip(std::string(63, 'a')), std::string(63, 'a'));
    EXPECT_EQ(CutTrayTip(std::string(64, 'a')), std::string(63, 'a'));
    // 31 double-byte characters are 62 bytes; the 32nd would end at byte 64 and is dropped.
    std::string wide;
    for (int i = 0; i < 40; ++i)
        wide += "あ";
    EXPECT_EQ(Cp932Length(CutTrayTip("a" + wide)), 63U);
    EXPECT_EQ(Cp932Length(CutTrayTip(wide)), 62U);
    // Every fixed tip fits whole.
    for (std::string_view fixed : {kRunningTip, kLeakCaption})
        EXPECT_EQ(CutTrayTip(fixed), fixed);
}

TEST(TrayTip, WatchingTheSourceFolders) {
    TTrayState state = InTray();
    state.watching = true;
    EXPECT_EQ(TrayTip(state), "Sorvanta - フォルダ監視中");
    state.completionCount = 1; // runs on arrival count too
    EXPECT_EQ(TrayTip(state), "Sorvanta - フォルダ監視中\n新規処理ファイル(フォルダ)数：1個");
    state.cycleExec = true;
    state.cycleExecTime = 5;
    state.completionCount = 0;
    EXPECT_EQ(TrayTip(state), "Sorvanta - 定周期実行：5分毎・監視中");
    // A folder that could not be watched is said before the count, within the 63 bytes.
    state.watchProblem = "監視できないフォルダ：/x";
    state.completionCount = 3;
    // (a line feed left at the end of the cut goes too).
    EXPECT_EQ(TrayTip(state), "Sorvanta - 定周期実行：5分毎・監視中\n監視できないフォルダ：/x");
}

TEST(PeriodicRuns, StandInForAFolderThatCannotBeWatched) {
    TTrayState state = InTray();
    EXPECT_FALSE(PeriodicRunAllowed(state));
    state.periodicFallback = true;
    EXPECT_TRUE(PeriodicRunAllowed(state));
}

TEST(TrayTip, OneLineForTheTaskBar) {
    TTrayState state = InTray();
    state.cycleExec = true;
    state.cycleExecTime = 9999;
    state.completionCount = 123;
    EXPECT_EQ(TrayTipOneLine(state), "Sorvanta - 定周期実行：9999分毎 新規処理ファイル(フォルダ)数：123個");
}

TEST(TrayIcon, BlinksOnlyWithSomethingToSay) {
    TTrayState state = InTray();
    EXPECT_EQ(NextTrayIcon(state, TrayIcon::Program), TrayIcon::Program);
    // Sorted something, but a run of all conditions muted the notice.
    state.completionCount = 2;
    EXPECT_EQ(NextTrayIcon(state, TrayIcon::Program), TrayIcon::Program);
    state.noticeMuted = false;
    EXPECT_EQ(NextTrayIcon(state, TrayIcon::Program), TrayIcon::Notice);
    EXPECT_EQ(NextTrayIcon(state, TrayIcon::Notice), TrayIcon::Program);
    state.leakWarning = true;
    EXPECT_EQ(NextTrayIcon(state, TrayIcon::Notice), TrayIcon::Leak);
    EXPECT_EQ(NextTrayIcon(state, TrayIcon::Leak), TrayIcon::Program);
    state.autoRun = true;
    EXPECT_EQ(NextTrayIcon(state, TrayIcon::Running), TrayIcon::Running);
    EXPECT_EQ(NextTrayIcon(state, TrayIcon::Leak), TrayIcon::Running);
}

TEST(TrayClicks, IgnoredDuringAnAutomaticRunAndWhileARunIsShown) {
    TTrayState state = InTray();
    EXPECT_EQ(TrayClickAction(state, TrayClick::Left), TrayAction::Restore);
    EXPECT_EQ(TrayClickAction(state, TrayClick::Right), TrayAction::ShowMenu);
    EXPECT_EQ(TrayClickAction(state, TrayClick::Other), TrayAction::None);
    for (bool autoRun : {false, true}) {
        TTrayState busy = state;
        busy.autoRun = autoRun;
        busy.runActive = !autoRun;
        EXPECT_EQ(TrayClickAction(busy, TrayClick::Left), TrayAction::None);
        EXPECT_EQ(TrayClickAction(busy, TrayClick::Right), TrayAction::None);
        const TTrayMenuStates menu = TrayMenuStates(busy);
        EXPECT_FALSE(menu.commands);
        EXPECT_FALSE(menu.reset);
    }
}

TEST(TrayMenu, ResetOnlyWhileSomethingIsCounted) {
    TTrayState state = InTray();
    EXPECT_TRUE(TrayMenuStates(state).commands);
    EXPECT_FALSE(TrayMenuStates(state).reset);
    state.completionCount = 1;
    EXPECT_TRUE(TrayMenuStates(state).reset);
}

TEST(PeriodicRuns, OnlyInTheTrayWithPeriodicRunsOnAndNoRunShown) {
    TTrayState state;
    state.cycleExec = true;
    EXPECT_FALSE(PeriodicRunAllowed(state)); // on screen
    state.inTray = true;
    EXPECT_TRUE(PeriodicRunAllowed(state));
    state.runActive = true;
    EXPECT_FALSE(PeriodicRunAllowed(state));
    state.runActive = false;
    state.cycleExec = false;
    EXPECT_FALSE(PeriodicRunAllowed(state));
}

TEST(PeriodicSchedule, OneFullPeriodAfterItWasArmed) {
    TPeriodicSchedule schedule;
    EXPECT_FALSE(schedule.Armed());
    EXPECT_FALSE(schedule.Remaining(0).has_value());
    EXPECT_FALSE(schedule.Due(1LL << 40));
    schedule.SetPeriodMinutes(10);
    constexpr std::int64_t minute = 60000;
    schedule.Arm(5 * minute); // gone to the tray at minute 5
    EXPECT_FALSE(schedule.Due(15 * minute - 1));
    EXPECT_EQ(*schedule.Remaining(6 * minute), 9 * minute);
    EXPECT_TRUE(schedule.Due(15 * minute));
    EXPECT_EQ(*schedule.Remaining(16 * minute), 0);

    // A run at minute 15 that takes 3 minutes: the next is due 10 minutes after its end.
    schedule.Disarm();
    schedule.Arm(18 * minute);
    EXPECT_FALSE(schedule.Due(25 * minute));
    EXPECT_TRUE(schedule.Due(28 * minute));

    schedule.SetPeriodMinutes(0); // never below a minute
    EXPECT_EQ(schedule.PeriodMs(), minute);
    schedule.SetPeriodMinutes(9999);
    EXPECT_EQ(schedule.PeriodMs(), 9999 * minute);
}

TEST(LeakCheck, UpFolderTxtInTheWinnyFolderWhileTheOptionIsOn) {
    sv::testing::TempFolder dir;
    const std::string winny = dir.PathText() + "Winny";
    std::filesystem::create_directories(dir.NativeFile("Winny"));
    EXPECT_EQ(LeakFilePath(winny), winny + "\\UpFolder.txt");
    EXPECT_FALSE(LeakWarningHolds(true, winny));
    dir.WriteBytes("Winny/UpFolder.txt", "");
    EXPECT_TRUE(LeakWarningHolds(true, winny));
    EXPECT_FALSE(LeakWarningHolds(false, winny));
    std::filesystem::remove(dir.NativeFile("Winny/UpFolder.txt"));
    EXPECT_FALSE(LeakWarningHolds(true, winny));
    // A folder that is missing, or no folder at all, gives no warning.
    EXPECT_FALSE(LeakWarningHolds(true, dir.PathText() + "ない"));
    EXPECT_FALSE(LeakWarningHolds(true, ""));
    // A folder named UpFolder.txt is not the list.
    std::filesystem::create_directories(dir.NativeFile("Winny/UpFolder.txt"));
    EXPECT_FALSE(LeakWarningHolds(true, winny));
}

TEST(MainCaption, StartCaptionThenLeakWarningThenTheTaskBarTip) {
    TTrayState state;
    EXPECT_EQ(MainCaption(state, false, false), "Sorvanta");
    EXPECT_EQ(MainCaption(state, true, false), "Sorvanta - 最小化します...");
    state.leakWarning = true;
    EXPECT_EQ(MainCaption(state, true, false), "Sorvanta - 最小化します...");
    EXPECT_EQ(MainCaption(state, false, false), "Sorvanta - Winnyで情報が流出している可能性があります！");
    state.leakWarning = false;
    state.inTray = true;
    state.cycleExec = true;
    state.cycleExecTime = 30;
    EXPECT_EQ(MainCaption(state, false, false), "Sorvanta");
    EXPECT_EQ(MainCaption(state, false, true), "Sorvanta - 定周期実行：30分毎");
    state.autoRun = true;
    EXPECT_EQ(MainCaption(state, false, true), std::string(kRunningTip));
}

TEST(CompletionNotice, OnlyForARunThatSortedSomething) {
    EXPECT_FALSE(CompletionNoticeText(0, 0).has_value());
    EXPECT_FALSE(CompletionNoticeText(0, 4).has_value());
    EXPECT_EQ(*CompletionNoticeText(2, 2), "定周期振り分けで 2 個のファイル(フォルダ)を振り分けました。");
    EXPECT_EQ(*CompletionNoticeText(1, 1, true),
              "振り分け元フォルダに届いた 1 個のファイル(フォルダ)を振り分けました。");
    EXPECT_EQ(
        *CompletionNoticeText(1, 3),
        "定周期振り分けで 1 個のファイル(フォルダ)を振り分けました。\n通知領域に入ってからの合計：3 個");
}

TEST(RestoreFromTray, TheHistoryWindowNeedsACountAndAUsableHistory) {
    sv::testing::TempFolder dir;
    EXPECT_FALSE(HistoryWindowOnRestore(2, dir.PathText())); // no History.dat
    dir.WriteBytes("History.dat", "");
    EXPECT_FALSE(HistoryWindowOnRestore(2, dir.PathText())); // empty
    dir.WriteBytes("History.dat", "x\r\n");
    EXPECT_TRUE(HistoryWindowOnRestore(2, dir.PathText()));
    EXPECT_FALSE(HistoryWindowOnRestore(0, dir.PathText()));
    if (::geteuid() != 0) { // root opens a read-only file for writing all the same
        ::chmod(dir.NativeFile("History.dat").c_str(), 0444);
        EXPECT_FALSE(HistoryWindowOnRestore(2, dir.PathText()));
    }
}
