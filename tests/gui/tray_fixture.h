// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window over a program folder with two conditions (jpg to dst/画像, mp3 to dst/音楽, both
// from the main folder src), a clock the test sets, and automatic runs driven one tick at a time.

#include "app/tray_controller.h"
#include "gui/main/main_window.h"
#include "gui/run/report_window.h"
#include "main_window_ports.h"
#include "named_controls.h"
#include "store/condition.h"
#include "testing.h"

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sv::testing {

inline constexpr std::int64_t kMinute = 60000;
inline constexpr std::int64_t kSecond = 1000;

// The tray image a state shows (notice, running, leak), as the program's resources hold it.
inline QIcon TrayImage(const char* name) {
    return QIcon(QStringLiteral(":/icons/tray_%1.svg").arg(QLatin1String(name)));
}
// Whether `shown` draws the same pixels as `image`.
inline bool SameImage(const QIcon& shown, const QIcon& image) {
    return shown.pixmap(16, 16).toImage() == image.pixmap(16, 16).toImage();
}

struct TrayFixture final {
    explicit TrayFixture(const std::string& conditionKeys = "CycleExec=1\r\nCycleExecTime=10\r\n",
                         std::optional<bool> tray = true, std::vector<TConditionFields> more = {}) {
        std::filesystem::create_directories(dir.NativeFile("src"));
        std::vector<TConditionFields> rows(2);
        rows[0].keywords = "jpg";
        rows[0].destFolder = dir.PathText() + "dst\\画像";
        rows[1].keywords = "mp3";
        rows[1].destFolder = dir.PathText() + "dst\\音楽";
        // Further conditions name their folders relative to the program folder.
        for (TConditionFields& fields : more) {
            fields.destFolder = dir.PathText() + fields.destFolder;
            if (fields.ownSource)
                fields.sourceFolder = dir.PathText() + fields.sourceFolder;
            rows.push_back(fields);
        }
        std::string conditions;
        for (const TConditionFields& fields : rows) {
            TSortCondition condition;
            QVERIFY(ComposeCondition(fields, condition).ok());
            conditions += Sjis(condition.keywordText) + "\r\n" + Sjis(condition.destText) + "\r\n";
        }
        dir.WriteBytes("Condition.txt", conditions);
        dir.WriteBytes("Sorvanta.ini",
                       Sjis("[Path]\r\nSource=" + dir.PathText() + "src\r\n" +
                            "[Condition]\r\nMakeFolder=1\r\nFileUsing=0\r\n" + conditionKeys));
        ports.clock = [this] { return now; };
        trayThere = tray.value_or(false);
        if (tray)
            ports.trayAvailable = [this] { return trayThere; };
        window = ports.MakeWindow(dir.PathText());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    // A control of the window, found by its name as a user's tools would.
    template <class T> T* Control(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control named %s", name);
        return found;
    }

    // The tray's state below the window, and the tray icon (null until a tray was found).
    TrayController& Tray() const { return *window->findChild<TrayController*>(); }
    QSystemTrayIcon* TrayIcon() const {
        return window->findChild<QSystemTrayIcon*>(QStringLiteral("TrayIcon1"));
    }

    // Minimising the window takes it to the tray, as its title bar's button does.
    void GoToTray() const {
        window->showMinimized();
        QTRY_VERIFY(Tray().InTray());
    }
    // A click on the tray icon.
    void ClickTrayIcon(QSystemTrayIcon::ActivationReason reason) const {
        QVERIFY(TrayIcon() != nullptr);
        emit TrayIcon()->activated(reason);
    }
    // 元のサイズに戻す from the tray menu.
    void RestoreFromTrayMenu() const { Control<QAction>("Resize")->trigger(); }
    // The completion notices counted since the window went to the tray.
    int CompletionCount() const { return Tray().State().completionCount; }

    void Arrive(std::initializer_list<const char*> names, const std::string& folder = "src") const {
        for (const char* name : names)
            dir.WriteBytes(folder + "/" + name, "x");
    }

    // One tick of a timer that may start an automatic run. When it does, `during` looks at the
    // finished run before the run window closes by itself; returns whether a run took place.
    bool AutoTick(const std::function<void()>& tick, const std::function<void(TFormReport*)>& during = {}) {
        waiting = true;
        sawRun = false;
        const int tickNumber = ++ticks;
        QTimer::singleShot(0, window.get(), [this, during, tickNumber] { Poll(during, tickNumber); });
        tick();
        waiting = false;
        return sawRun;
    }
    bool PeriodicTick(const std::function<void(TFormReport*)>& during = {}) {
        return AutoTick([this] { Tray().Timer1Timer(); }, during);
    }
    bool WatchTick(const std::function<void(TFormReport*)>& during = {}) {
        return AutoTick([this] { Tray().TimerWatchTimer(); }, during);
    }

    // 全ての条件で振り分け実行 from the tray menu; the run window waits for OK, which is pressed
    // once the run has finished.
    void RunAllFromTrayMenu() {
        QTimer::singleShot(0, window.get(), [this] { PressOkWhenDone(); });
        Control<QAction>("AllExec")->trigger();
    }
    void PressOkWhenDone() {
        TFormReport* report = window->findChild<TFormReport*>();
        if (!report->isVisible() || report->Running() || !report->LastOutcome()) {
            QTimer::singleShot(5, window.get(), [this] { PressOkWhenDone(); });
            return;
        }
        testing::Named<QPushButton>(report, "BtnOk")->click();
    }

    // A poll left over from a tick that started no run stays out of the next one.
    void Poll(const std::function<void(TFormReport*)>& during, int tickNumber) {
        if (!waiting || tickNumber != ticks)
            return;
        TFormReport* report = window->findChild<TFormReport*>();
        if (!report->isVisible() || report->Running() || !report->LastOutcome()) {
            QTimer::singleShot(5, window.get(), [this, during, tickNumber] { Poll(during, tickNumber); });
            return;
        }
        sawRun = true;
        waiting = false;
        runStarts.push_back(now);
        if (during)
            during(report);
        // Nothing is clicked: after an automatic run the run window closes by itself.
    }

    TempFolder dir;
    MainWindowPorts ports;
    std::int64_t now = 0;
    bool trayThere = false; // what the window is told when it asks for a tray
    std::unique_ptr<TFormMain> window;
    bool waiting = false;
    bool sawRun = false;
    int ticks = 0;
    std::vector<std::int64_t> runStarts;
};

} // namespace sv::testing
