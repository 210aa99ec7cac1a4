// SPDX-License-Identifier: GPL-3.0-or-later
// The tray controller on its own, below any window: a host that records what it is asked to show,
// a clock the test sets, and runs that sort as many files as the test says.
#include "app/tray_controller.h"
#include "app/watch_controller.h"
#include "testing.h"

#include <QTest>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace sv;

namespace {

constexpr std::int64_t kMinute = 60000;

struct Host final {
    TAppSettings settings;
    std::int64_t now = 0;
    bool runActive = false;
    int completions = 0;
    // What the next run sorts, and how long it takes.
    int sorts = 0;
    std::int64_t runTakes = 0;
    int runs = 0;
    int ticks = 0;
    int alerts = 0;
    std::vector<TrayIcon> icons;
    std::vector<std::string> notices;
    std::string tip;
    TTrayMenuStates menu;
    // Whether the run saw itself as an automatic run with the running icon shown.
    bool runLookedAutomatic = false;
    TrayController* tray = nullptr;

    TrayHost Make() {
        TrayHost host;
        host.clock = [this] { return now; };
        host.settings = [this]() -> const TAppSettings& { return settings; };
        host.runActive = [this] { return runActive; };
        host.completionCount = [this] { return completions; };
        host.clearCompletions = [this] { completions = 0; };
        host.runAll = [this] {
            ++runs;
            runLookedAutomatic = tray->AutoRun() && !icons.empty() && icons.back() == TrayIcon::Running;
            completions += sorts;
            now += runTakes;
        };
        host.folders = [] { return std::vector<std::string>(); };
        host.menu = [this](const TTrayMenuStates& states) { menu = states; };
        host.tip = [this](const std::string& text) { tip = text; };
        host.icon = [this](TrayIcon icon) { icons.push_back(icon); };
        host.caption = [] {};
        host.notice = [this](const std::string& text) { notices.push_back(text); };
        host.message = [](const std::string&) {};
        host.alert = [this] { ++alerts; };
        host.tick = [this] { ++ticks; };
        return host;
    }
};

struct Fixture final {
    explicit Fixture(bool cycleExec = true) {
        host.settings.CycleExec = cycleExec;
        host.settings.CycleExecTime = 10;
        tray = std::make_unique<TrayController>(host.Make());
        host.tray = tray.get();
        tray->Configure();
    }
    void GoToTray() const {
        tray->EnterTray();
        tray->StartInTray();
    }
    Host host;
    std::unique_ptr<TrayController> tray;
};

} // namespace

class TestTrayController final : public QObject {
    Q_OBJECT

private slots:
    // A periodic run comes one full period after going to the tray, runs as an automatic run
    // under the running icon, says what it sorted once, and the next one follows one full period
    // after this one ended. While a run is shown, a due tick does nothing.
    void PeriodicRunsKeepTheirPeriodAndNotifyOnlyWhatTheySorted() {
        Fixture f;
        f.host.completions = 4; // from before the tray: not counted
        f.GoToTray();
        QVERIFY(f.tray->InTray());
        QCOMPARE(f.host.completions, 0);
        QVERIFY(f.host.menu.commands && !f.host.menu.reset);
        QVERIFY(f.tray->Schedule().Armed());

        f.host.now = 9 * kMinute;
        f.tray->Timer1Timer();
        QCOMPARE(f.host.runs, 0);
        f.host.now = 10 * kMinute;
        f.host.runActive = true;
        f.tray->Timer1Timer();
        QCOMPARE(f.host.runs, 0);
        f.host.runActive = false;

        f.host.sorts = 3;
        f.host.runTakes = 2 * kMinute;
        f.tray->Timer1Timer();
        QCOMPARE(f.host.runs, 1);
        QVERIFY(f.host.runLookedAutomatic);
        QVERIFY(!f.tray->AutoRun() && !f.tray->NoticeMuted());
        QCOMPARE(f.host.icons.back(), TrayIcon::Program);
        QCOMPARE(f.tray->NoticeCount(), 1);
        QCOMPARE(f.host.notices.size(), std::size_t(1));
        QCOMPARE(f.host.notices.back(), f.tray->LastNotice());
        QVERIFY(f.host.menu.reset); // something to clear now
        QCOMPARE(*f.tray->Schedule().Remaining(f.host.now), 10 * kMinute);

        // A run that sorts nothing says nothing.
        f.host.sorts = 0;
        f.host.now += 10 * kMinute;
        f.tray->Timer1Timer();
        QCOMPARE(f.host.runs, 2);
        QCOMPARE(f.tray->NoticeCount(), 1);

        f.tray->ResetClick();
        QCOMPARE(f.host.completions, 0);
        QVERIFY(!f.host.menu.reset);
    }

    // Leaving the tray ends the periodic runs and the watch and brings the program's icon back;
    // without periodic runs nothing is scheduled in the tray at all.
    void LeavingTheTrayStopsEverythingAutomatic() {
        Fixture f;
        f.GoToTray();
        f.tray->LeaveTray();
        QVERIFY(!f.tray->InTray() && !f.tray->Schedule().Armed() && !f.tray->Watcher()->Active());
        QCOMPARE(f.tray->TrayIconShown(), TrayIcon::Program);
        f.host.now = 60 * kMinute;
        f.tray->Timer1Timer();
        QCOMPARE(f.host.runs, 0);

        Fixture off(false);
        off.GoToTray();
        QVERIFY(!off.tray->Schedule().Armed());
        off.host.now = 60 * kMinute;
        off.tray->Timer1Timer();
        QCOMPARE(off.host.runs, 0);
    }

    // The tick: UpFolder.txt in the Winny folder raises the warning, asks for attention on every
    // tick while it is there and blinks the icon in the tray; once it is gone all of that stops.
    // The window's own part of the tick comes every time.
    void TheLeakWarningFollowsTheFileOnEveryTick() {
        testing::TempFolder winny;
        Fixture f;
        f.host.settings.Ny = true;
        f.host.settings.NyFolder = winny.PathText();
        f.GoToTray();
        f.tray->Timer2Timer();
        QVERIFY(!f.tray->LeakWarning());
        QCOMPARE(f.tray->FlashCount(), 0);

        winny.WriteBytes("UpFolder.txt", "x");
        std::vector<TrayIcon> shown;
        for (int i = 0; i < 4; ++i) {
            f.tray->Timer2Timer();
            shown.push_back(f.tray->TrayIconShown());
        }
        QVERIFY(f.tray->LeakWarning());
        QCOMPARE(f.tray->FlashCount(), 4);
        QCOMPARE(f.host.alerts, 4);
        QVERIFY(shown[0] != shown[1] && shown[0] == shown[2] && shown[1] == shown[3]);
        QVERIFY(shown[0] == TrayIcon::Leak || shown[1] == TrayIcon::Leak);

        std::filesystem::remove(winny.NativeFile("UpFolder.txt"));
        f.tray->Timer2Timer();
        f.tray->Timer2Timer();
        QVERIFY(!f.tray->LeakWarning());
        QCOMPARE(f.tray->FlashCount(), 4);
        QCOMPARE(f.tray->TrayIconShown(), TrayIcon::Program);
        QCOMPARE(f.host.ticks, 7);
    }
};

QTEST_MAIN(TestTrayController)
#include "test_tray_controller.moc"
