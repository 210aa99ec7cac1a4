// SPDX-License-Identifier: GPL-3.0-or-later
// The tray, the periodic runs, the completion notice, the leak warning, the minimised start and
// the close button, through the main window with a clock the test sets. Offscreen there is no
// tray host: the tests run with the tray said to be there (the icon object is used as on a
// desktop) and without it (the window minimises to the task bar instead).
#include "gui/history/history_window.h"
#include "gui/main/main_window.h"
#include "gui/run/report_window.h"
#include "main_window_ports.h"
#include "named_controls.h"
#include "store/condition.h"
#include "testing.h"
#include "tray_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

#include <filesystem>
#include <functional>
#include <memory>

using namespace sv;
using sv::testing::kMinute;
using sv::testing::Sjis;
using Fixture = sv::testing::TrayFixture;

namespace {

// What the window manager sends when the window's close button is pressed.
void PressCloseButton(QWidget* window) {
    QCloseEvent event;
    QSpontaneKeyEvent::setSpontaneous(&event);
    // Delivered straight to the window: sending it would clear the mark.
    static_cast<QObject*>(window)->event(&event);
}

QString Caption(const Fixture& f) {
    return f.window->windowTitle();
}

} // namespace

class TestTray final : public QObject {
    Q_OBJECT

private slots:
    void TheTrayMenuHasEveryItemInOrder() {
        Fixture f;
        QMenu* menu = f.Control<QMenu>("PopupMenu2");
        QVERIFY(menu != nullptr);
        QStringList items;
        for (QAction* a : menu->actions())
            items << (a->isSeparator() ? QStringLiteral("-")
                                       : a->objectName() + QLatin1Char('=') + a->text());
        QCOMPARE(items, (QStringList{QStringLiteral("Resize=元のサイズに戻す"),
                                     QStringLiteral("AllExec=全ての条件で振り分け実行"), QStringLiteral("-"),
                                     QStringLiteral("VerInfo=バージョン情報"), QStringLiteral("-"),
                                     QStringLiteral("Reset=振り分け完了通知をクリア"), QStringLiteral("-"),
                                     QStringLiteral("Exit=終了")}));
        QVERIFY(f.TrayIcon() != nullptr);
        QVERIFY(f.TrayIcon()->contextMenu() == menu);
        QVERIFY(!f.TrayIcon()->isVisible());
    }

    void GoingToTheTrayAndBack() {
        Fixture f;
        f.GoToTray();
        QVERIFY(f.Tray().InTray());
        QVERIFY(!f.window->isVisible());
        QVERIFY(f.TrayIcon()->isVisible());
        QCOMPARE(f.Tray().TrayTipText(), std::string("Sorvanta - 定周期実行：10分毎"));
        QCOMPARE(f.TrayIcon()->toolTip(), QStringLiteral("Sorvanta - 定周期実行：10分毎"));
        QVERIFY(f.Tray().TrayIconShown() == TrayIcon::Program);
        QCOMPARE(Caption(f), QStringLiteral("Sorvanta"));

        // A right click leaves the window in the tray (the tray shows the menu); a left click
        // brings it back and the icon goes.
        f.ClickTrayIcon(QSystemTrayIcon::Context);
        QVERIFY(f.Tray().InTray());
        f.ClickTrayIcon(QSystemTrayIcon::Trigger);
        QVERIFY(!f.Tray().InTray());
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.TrayIcon()->isVisible());
        QVERIFY(!f.Tray().Schedule().Armed());

        // Minimising is going to the tray.
        f.window->showMinimized();
        QTRY_VERIFY(f.Tray().InTray());
        QVERIFY(!f.window->isVisible());
        f.Control<QAction>("Resize")->trigger();
        QVERIFY(!f.Tray().InTray());
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.window->isMinimized());
    }

    void NoPeriodicRunWhileTheWindowIsOnScreen() {
        Fixture f;
        f.Arrive({"写真.jpg"});
        f.now = 600 * kMinute;
        QVERIFY(!f.PeriodicTick());
        QVERIFY(f.dir.Exists("src/写真.jpg"));
    }

    void RunsOnePeriodAfterGoingToTheTrayAndOnePeriodAfterEachRunEnded() {
        Fixture f;
        f.Arrive({"写真1.jpg", "写真2.jpg"});
        f.now = 5 * kMinute;
        f.GoToTray();
        QCOMPARE(*f.Tray().Schedule().Remaining(f.now), 10 * kMinute);
        QVERIFY(f.Control<QTimer>("Timer1")->isActive());
        f.now = 15 * kMinute - 1;
        QVERIFY(!f.PeriodicTick());
        QVERIFY(f.dir.Exists("src/写真1.jpg"));

        f.now = 15 * kMinute;
        bool checked = false;
        QVERIFY(f.PeriodicTick([&f, &checked](TFormReport* report) {
            // During the automatic run: the run's tip and icon, and clicks do nothing.
            QVERIFY(f.Tray().AutoRun());
            QVERIFY(!f.window->isVisible());
            QCOMPARE(f.Tray().TrayTipText(), std::string(kRunningTip));
            f.Tray().Timer2Timer();
            QVERIFY(f.Tray().TrayIconShown() == TrayIcon::Running);
            f.ClickTrayIcon(QSystemTrayIcon::Trigger);
            QVERIFY(f.Tray().InTray());
            QVERIFY(!f.Control<QAction>("AllExec")->isEnabled());
            QVERIFY(!f.Control<QAction>("Resize")->isEnabled());
            QCOMPARE(testing::Named<QTreeView>(report, "ListView1")->model()->rowCount(), 2);
            // The run takes three minutes.
            f.now += 3 * kMinute;
            checked = true;
        }));
        QVERIFY(checked);
        QVERIFY(f.dir.Exists("dst/画像/写真1.jpg"));
        QVERIFY(!f.window->findChild<TFormReport*>()->isVisible());
        QVERIFY(f.Tray().InTray());
        QVERIFY(!f.Tray().AutoRun());
        QVERIFY(!f.Tray().NoticeMuted());
        QVERIFY(f.dir.Exists("History.dat")); // the run window closed by itself, with OK's save

        // A 10-minute period and a 3-minute run: the next run starts 13 minutes after this one.
        f.Arrive({"曲.mp3"});
        f.now = 28 * kMinute - 1;
        QVERIFY(!f.PeriodicTick());
        f.now = 28 * kMinute;
        QVERIFY(f.PeriodicTick());
        QCOMPARE(f.runStarts.size(), std::size_t(2));
        QCOMPARE(f.runStarts[1] - f.runStarts[0], 13 * kMinute);
        QVERIFY(f.dir.Exists("dst/音楽/曲.mp3"));
    }

    void TheNoticeCountsItsTipLineBlinksAndReset() {
        Fixture f;
        f.GoToTray();
        // A run that sorted nothing: no notice, a steady icon and no count line.
        f.now = 10 * kMinute;
        QVERIFY(f.PeriodicTick());
        QCOMPARE(f.Tray().NoticeCount(), 0);
        QCOMPARE(f.CompletionCount(), 0);
        f.Tray().Timer2Timer();
        f.Tray().Timer2Timer();
        QVERIFY(f.Tray().TrayIconShown() == TrayIcon::Program);
        QCOMPARE(f.Tray().TrayTipText(), std::string("Sorvanta - 定周期実行：10分毎"));
        emit f.Control<QMenu>("PopupMenu2")->aboutToShow();
        QVERIFY(!f.Control<QAction>("Reset")->isEnabled());

        // Two files: one notice with the count, the count line in the tip, a blinking icon.
        f.Arrive({"a.jpg", "b.mp3"});
        f.now = 20 * kMinute;
        QVERIFY(f.PeriodicTick());
        QCOMPARE(f.CompletionCount(), 2);
        QCOMPARE(f.Tray().NoticeCount(), 1);
        QCOMPARE(f.Tray().LastNotice(),
                 std::string("定周期振り分けで 2 個のファイル(フォルダ)を振り分けました。"));
        QCOMPARE(f.Tray().TrayTipText(),
                 std::string("Sorvanta - 定周期実行：10分毎\n新規処理ファイル(フォルダ)数：2個"));
        f.Tray().Timer2Timer();
        QVERIFY(f.Tray().TrayIconShown() == TrayIcon::Notice);
        QVERIFY(testing::SameImage(f.TrayIcon()->icon(), testing::TrayImage("notice")));
        f.Tray().Timer2Timer();
        QVERIFY(f.Tray().TrayIconShown() == TrayIcon::Program);
        f.Tray().Timer2Timer();
        QVERIFY(f.Tray().TrayIconShown() == TrayIcon::Notice);
        emit f.Control<QMenu>("PopupMenu2")->aboutToShow();
        QVERIFY(f.Control<QAction>("Reset")->isEnabled());

        // Another file later: the count adds up, the notice says this run's count and the sum.
        f.Arrive({"c.jpg"});
        f.now = 30 * kMinute;
        QVERIFY(f.PeriodicTick());
        QCOMPARE(f.CompletionCount(), 3);
        QCOMPARE(f.Tray().NoticeCount(), 2);
        QVERIFY(f.Tray().LastNotice().find("合計：3 個") != std::string::npos);

        f.Control<QAction>("Reset")->trigger();
        QCOMPARE(f.CompletionCount(), 0);
        QVERIFY(!f.Control<QAction>("Reset")->isEnabled());
        f.Tray().Timer2Timer();
        f.Tray().Timer2Timer();
        QVERIFY(f.Tray().TrayIconShown() == TrayIcon::Program);
        QCOMPARE(f.Tray().TrayTipText(), std::string("Sorvanta - 定周期実行：10分毎"));
    }

    void RestoringAfterPeriodicRunsSortedSomethingShowsTheHistory() {
        Fixture f;
        f.GoToTray();
        f.Arrive({"a.jpg"});
        f.now = 10 * kMinute;
        QVERIFY(f.PeriodicTick());
        QVERIFY(!f.window->findChild<TFormHistory*>()->isVisible());
        f.ClickTrayIcon(QSystemTrayIcon::Trigger);
        QVERIFY(f.window->isVisible());
        QVERIFY(f.window->findChild<TFormHistory*>()->isVisible());
        QCOMPARE(f.CompletionCount(), 1); // restoring does not clear it
        f.window->findChild<TFormHistory*>()->close();

        // Going to the tray from the screen starts counting anew; nothing sorted, no history.
        f.GoToTray();
        QCOMPARE(f.CompletionCount(), 0);
        f.RestoreFromTrayMenu();
        QVERIFY(!f.window->findChild<TFormHistory*>()->isVisible());
    }

    void ARunByHandFromTheTrayMenuClearsTheCountAndMutesTheNotice() {
        Fixture f;
        f.GoToTray();
        f.Arrive({"a.jpg"});
        f.now = 10 * kMinute;
        QVERIFY(f.PeriodicTick());
        QCOMPARE(f.CompletionCount(), 1);
        f.Arrive({"b.jpg"});
        // All conditions from the tray menu: the run window waits for OK; the window stays in the tray.
        f.RunAllFromTrayMenu();
        QVERIFY(f.dir.Exists("dst/画像/b.jpg"));
        QVERIFY(f.Tray().InTray());
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.CompletionCount(), 0);
        QVERIFY(f.Tray().NoticeMuted());
    }

    void AFolderErrorDuringAPeriodicRunBringsTheWindowBackAndStopsPeriodicRuns() {
        Fixture f;
        f.GoToTray();
        std::filesystem::remove_all(f.dir.NativeFile("src"));
        f.now = 10 * kMinute;
        QVERIFY(!f.PeriodicTick()); // the folder check fails before the run window shows
        QCOMPARE(f.ports.box.Shown().size(), std::size_t(1));
        QCOMPARE(f.ports.box.Shown().front().text, std::string("振り分け元フォルダが存在しません。"));
        QVERIFY(!f.Tray().InTray());
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.Tray().AutoRun());
        QVERIFY(!f.Tray().Schedule().Armed());
        QVERIFY(!f.Control<QTimer>("Timer1")->isActive());
        f.now = 100 * kMinute;
        QVERIFY(!f.PeriodicTick());
        QCOMPARE(f.ports.box.Shown().size(), std::size_t(1));

        // Minimised again, the periodic runs come back.
        std::filesystem::create_directories(f.dir.NativeFile("src"));
        f.Arrive({"a.jpg"});
        f.GoToTray();
        f.now = 110 * kMinute;
        QVERIFY(f.PeriodicTick());
        QVERIFY(f.dir.Exists("dst/画像/a.jpg"));
    }

    void PeriodicRunsOffGoToTheTrayWithThePlainTip() {
        Fixture f("CycleExec=0\r\n");
        f.GoToTray();
        QCOMPARE(f.Tray().TrayTipText(), std::string("Sorvanta"));
        QVERIFY(!f.Tray().Schedule().Armed());
        QVERIFY(!f.Control<QTimer>("Timer1")->isActive());
        f.now = 1000 * kMinute;
        QVERIFY(!f.PeriodicTick());
    }

    void TheLeakWarningFollowsUpFolderTxtWithinOneTick() {
        Fixture f("Ny=1\r\nNyFolder=\r\n");
        // An empty NyFolder: no warning, and the root is never looked at.
        f.Tray().Timer2Timer();
        QVERIFY(!f.Tray().LeakWarning());
        QCOMPARE(Caption(f), QStringLiteral("Sorvanta"));
    }

    void TheLeakCaptionAndTheBlinkingLeakIcon() {
        testing::TempFolder winny;
        Fixture f("Ny=1\r\nNyFolder=" + winny.PathText() + "\r\n");
        f.Tray().Timer2Timer();
        QVERIFY(!f.Tray().LeakWarning());
        winny.WriteBytes("UpFolder.txt", "C:\\share");
        f.Tray().Timer2Timer();
        QVERIFY(f.Tray().LeakWarning());
        QCOMPARE(Caption(f), QStringLiteral("Sorvanta - Winnyで情報が流出している可能性があります！"));
        const int flashes = f.Tray().FlashCount();
        f.Tray().Timer2Timer();
        QCOMPARE(f.Tray().FlashCount(), flashes + 1); // it keeps flashing

        f.GoToTray();
        f.Tray().Timer2Timer();
        QCOMPARE(f.Tray().TrayTipText(), std::string(kLeakCaption));
        const TrayIcon first = f.Tray().TrayIconShown();
        f.Tray().Timer2Timer();
        const TrayIcon second = f.Tray().TrayIconShown();
        QVERIFY((first == TrayIcon::Leak && second == TrayIcon::Program) ||
                (first == TrayIcon::Program && second == TrayIcon::Leak));

        std::filesystem::remove(winny.NativeFile("UpFolder.txt"));
        f.Tray().Timer2Timer();
        QVERIFY(!f.Tray().LeakWarning());
        QCOMPARE(Caption(f), QStringLiteral("Sorvanta"));
        QVERIFY(f.Tray().TrayIconShown() == TrayIcon::Program);
        QCOMPARE(f.Tray().TrayTipText(), std::string("Sorvanta"));
    }

    void TheLeakCheckNeedsAnExistingWinnyFolder() {
        testing::TempFolder other;
        Fixture f("Ny=1\r\nNyFolder=" + other.PathText() + "ない\r\n");
        f.Tray().Timer2Timer();
        QVERIFY(!f.Tray().LeakWarning());
        // The option off: a list in the folder says nothing.
        Fixture g("Ny=0\r\nNyFolder=" + other.PathText() + "\r\n");
        other.WriteBytes("UpFolder.txt", "");
        g.Tray().Timer2Timer();
        QVERIFY(!g.Tray().LeakWarning());
        QCOMPARE(Caption(g), QStringLiteral("Sorvanta"));
    }

    void AMinimisedStartGoesToTheTrayAtTheFirstPaint() {
        for (const bool tray : {true, false}) {
            testing::TempFolder dir;
            dir.WriteBytes("Sorvanta.ini", "[Condition]\r\nStartMin=1\r\nCycleExec=1\r\nCycleExecTime=5\r\n");
            sv::testing::MainWindowPorts ports;
            std::int64_t now = 0;
            ports.clock = [&now] { return now; };
            ports.trayAvailable = [tray] { return tray; };
            std::unique_ptr<TFormMain> window = ports.MakeWindow(dir.PathText());
            QCOMPARE(window->windowTitle(), QStringLiteral("Sorvanta - 最小化します..."));
            TrayController& trayState = *window->findChild<TrayController*>();
            trayState.Timer2Timer(); // the start caption stays until the window is in the tray
            QCOMPARE(window->windowTitle(), QStringLiteral("Sorvanta - 最小化します..."));
            window->show();
            QTRY_VERIFY(trayState.InTray());
            QVERIFY(trayState.Schedule().Armed());
            if (tray) {
                QVERIFY(!window->isVisible());
                QCOMPARE(window->windowTitle(), QStringLiteral("Sorvanta"));
            } else {
                // No tray: minimised, its task-bar caption saying what the tip would.
                QVERIFY(window->isMinimized());
                QCOMPARE(window->windowTitle(), QStringLiteral("Sorvanta - 定周期実行：5分毎"));
            }
        }
    }

    void WithoutATrayTheWindowMinimisesAndStillRunsPeriodically() {
        Fixture f("CycleExec=1\r\nCycleExecTime=10\r\n", false);
        QVERIFY(f.Tray().TrayFallback());
        QVERIFY(f.TrayIcon() == nullptr);
        f.window->showMinimized();
        QTRY_VERIFY(f.Tray().InTray());
        QVERIFY(f.window->isMinimized());
        QCOMPARE(Caption(f), QStringLiteral("Sorvanta - 定周期実行：10分毎"));
        f.Arrive({"a.jpg", "b.jpg"});
        f.now = 10 * kMinute;
        QVERIFY(f.PeriodicTick(
            [&f](TFormReport*) { QCOMPARE(Caption(f), QString::fromUtf8(kRunningTip.data())); }));
        QVERIFY(f.dir.Exists("dst/画像/a.jpg"));
        QVERIFY(f.Tray().InTray());
        QVERIFY(f.window->isMinimized());
        QCOMPARE(f.Tray().NoticeCount(), 1);
        QCOMPARE(Caption(f),
                 QStringLiteral("Sorvanta - 定周期実行：10分毎 新規処理ファイル(フォルダ)数：2個"));
        // The task-bar button blinks as the tray icon would.
        f.Tray().Timer2Timer();
        QVERIFY(testing::SameImage(f.window->windowIcon(), testing::TrayImage("notice")));
        // Bringing the window back from the task bar is the restore.
        f.window->showNormal();
        QVERIFY(!f.Tray().InTray());
        QVERIFY(!f.Tray().Schedule().Armed());
        QCOMPARE(Caption(f), QStringLiteral("Sorvanta"));
        QVERIFY(f.window->findChild<TFormHistory*>()->isVisible());
        f.window->findChild<TFormHistory*>()->close();
    }

    void ATrayThatComesUpLaterIsUsedTheNextTime() {
        // Started at login before the desktop's panel: no tray yet.
        Fixture f("CycleExec=1\r\nCycleExecTime=10\r\n", false);
        f.GoToTray();
        QVERIFY(f.Tray().TrayFallback());
        QVERIFY(f.window->isMinimized());
        f.window->showNormal();
        QVERIFY(!f.Tray().InTray());
        f.trayThere = true;
        f.GoToTray();
        QVERIFY(!f.Tray().TrayFallback());
        QVERIFY(f.TrayIcon() != nullptr && f.TrayIcon()->isVisible());
        QVERIFY(!f.window->isVisible());
        f.ClickTrayIcon(QSystemTrayIcon::Trigger);
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.window->isMinimized());
    }

    void WithCloseMinTheCloseButtonGoesToTheTrayAndExitStillEnds() {
        Fixture f("CycleExec=1\r\nCloseMin=1\r\n");
        PressCloseButton(f.window.get());
        QVERIFY(f.Tray().InTray());
        QVERIFY(!f.window->isVisible());
        QVERIFY(f.Control<QTimer>("Timer2")->isActive()); // not closed
        QVERIFY(!f.dir.Exists("History.dat"));
        f.Control<QAction>("Exit")->trigger();
        QVERIFY(!f.TrayIcon()->isVisible());
        QVERIFY(!f.Control<QTimer>("Timer2")->isActive());

        // The menu's exit ends too.
        Fixture g("CycleExec=1\r\nCloseMin=1\r\n");
        g.window->findChild<QAction*>(QStringLiteral("C1"))->trigger();
        QVERIFY(!g.Tray().InTray());
        QVERIFY(!g.Control<QTimer>("Timer2")->isActive());
    }

    void WithoutCloseMinTheCloseButtonEnds() {
        Fixture f("CycleExec=1\r\n");
        PressCloseButton(f.window.get());
        QVERIFY(!f.Tray().InTray());
        QVERIFY(!f.Control<QTimer>("Timer2")->isActive());
    }
};

QTEST_MAIN(TestTray)
#include "test_tray.moc"
