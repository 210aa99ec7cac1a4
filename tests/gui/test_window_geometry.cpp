// SPDX-License-Identifier: GPL-3.0-or-later
// Stored window sizes and places are taken back within the screen: a hand-edited value is a window
// of sensible size, never a hang or buttons out of reach.
#include "gui/main/main_window.h"
#include "gui/run/report_window.h"
#include "main_window_ports.h"
#include "named_controls.h"
#include "platform/window_geometry.h"
#include "testing.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeView>

#include <climits>
#include <memory>

using namespace sv;

class WindowGeometryTest final : public QObject {
    Q_OBJECT

private slots:
    void ExtentsAndPlacesStayOnTheArea() {
        QCOMPARE(ClampWindowExtent(INT_MAX, 434, 1000), 1000);
        QCOMPARE(ClampWindowExtent(-5, 434, 1000), 434);
        QCOMPARE(ClampWindowExtent(600, 434, 1000), 600);
        QCOMPARE(ClampWindowExtent(600, 434, 300), 434); // the minimum wins over a small screen
        const TScreenArea area{100, 50, 1000, 800};
        const TWindowPlace far = ClampWindowPlace({INT_MAX, INT_MIN, 400, 300}, area);
        QCOMPARE(far.left, 700);
        QCOMPARE(far.top, 50);
        const TWindowPlace big = ClampWindowPlace({300, 300, 2000, 900}, area);
        QCOMPARE(big.left, 100);
        QCOMPARE(big.top, 50);
        QCOMPARE(ClampColumnWidth(INT_MAX, 1000), 1000);
        QCOMPARE(ClampColumnWidth(-1, 1000), 0);
    }

    void HugeNegativeAndNonNumericSizesGiveAWindowOnTheScreen() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (const char* values :
             {"2147483647", "-2147483648", "100000", "abc", "-1", " 12x", "99999999999"}) {
            sv::testing::TempFolder dir;
            std::string ini = "[Size]\r\n";
            for (const char* key : {"FormWidth", "FormHeight", "FormLeft", "FormTop", "ReportWidth",
                                    "ReportHeight", "ListWidth0", "ReportListWidth0"})
                ini += std::string(key) + "=" + values + "\r\n";
            dir.WriteBytes("Sorvanta.ini", ini);
            sv::testing::MainWindowPorts ports;
            std::unique_ptr<TFormMain> window = ports.MakeWindow(dir.PathText());
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            QVERIFY2(window->width() <= std::max(screen.width(), 434), values);
            QVERIFY2(window->height() <= std::max(screen.height(), 338), values);
            QVERIFY(window->width() >= 434 && window->height() >= 338);
            auto* list = window->findChild<QTreeView*>(QStringLiteral("ListView1"));
            QVERIFY(list->columnWidth(0) <= screen.width());

            TReportEnv env;
            env.programFolder = dir.PathText();
            env.box = &ports.box;
            env.shell = &ports.shell;
            TFormReport report(env);
            TAppSettings settings;
            settings.ReportWidth = INT_MAX;
            settings.ReportHeight = INT_MAX;
            settings.ReportListWidth = {INT_MAX, -7, INT_MAX};
            report.ApplyGeometry(settings);
            QVERIFY(report.width() <= std::max(screen.width(), 630));
            QVERIFY(report.height() <= std::max(screen.height(), 256));
            // OK sits inside the window, so it can be reached.
            QVERIFY(testing::Named<QPushButton>(&report, "BtnOk")->geometry().bottom() < report.height());
            QCOMPARE(testing::Named<QTreeView>(&report, "ListView1")->columnWidth(1), 0);
            window->close();
        }
    }
};

QTEST_MAIN(WindowGeometryTest)
#include "test_window_geometry.moc"
