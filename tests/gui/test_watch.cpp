// SPDX-License-Identifier: GPL-3.0-or-later
// Sorting on arrival through the main window: the source folders are really watched (inotify);
// the quiet time passes on a clock the test sets, one tick of the watch timer at a time.
#include "foreign_writer.h"
#include "gui/main/main_window.h"
#include "gui/run/report_window.h"
#include "tray_fixture.h"

#include "app/watch_controller.h"
#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace sv;
using sv::testing::kMinute;
using sv::testing::kSecond;
using Fixture = sv::testing::TrayFixture;

namespace {

const std::string kWatchOn = "WatchSource=1\r\nWatchWait=10\r\n";

// The folders the watch has in its notices, as path texts.
std::vector<std::string> Texts(const Fixture& f, std::initializer_list<const char*> rels) {
    std::vector<std::string> paths;
    for (const char* rel : rels)
        paths.push_back(f.dir.PathText() + rel);
    return paths;
}

// Lets the file-system notifications of what the test just did reach the window.
void LetNoticesIn() {
    QTest::qWait(50);
}

// The test process acts as an ordinary user while it lives: without root's powers it can take a
// lease only on its own files and sees only its own processes in /proc, as the program does when
// a user runs it.
class ActingAs final {
public:
    explicit ActingAs(uid_t uid) {
        m_groups.resize(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
        m_groups.resize(static_cast<std::size_t>(
            std::max(::getgroups(static_cast<int>(m_groups.size()), m_groups.data()), 0)));
        m_on = ::setgroups(0, nullptr) == 0 && ::setegid(uid) == 0 && ::seteuid(uid) == 0;
    }
    ~ActingAs() {
        if (::seteuid(0) != 0 || ::setegid(0) != 0 || ::setgroups(m_groups.size(), m_groups.data()) != 0)
            qFatal("cannot become root again");
    }
    bool On() const { return m_on; }

private:
    std::vector<gid_t> m_groups;
    bool m_on = false;
};

} // namespace

class TestWatch final : public QObject {
    Q_OBJECT

private slots:
    void WithTheOptionOffNothingIsWatched() {
        Fixture f("CycleExec=0\r\n");
        f.GoToTray();
        QVERIFY(f.Tray().Watcher()->WatchedFolders().empty());
        QVERIFY(!f.Tray().Watcher()->Active());
        f.Arrive({"a.jpg"});
        LetNoticesIn();
        QVERIFY(!f.Tray().Watcher()->Arrival().Pending());
        f.now = 600 * kMinute;
        QVERIFY(!f.WatchTick());
        QVERIFY(f.dir.Exists("src/a.jpg"));
    }

    void NothingIsWatchedWhileTheWindowIsOnScreen() {
        Fixture f("CycleExec=0\r\n" + kWatchOn);
        QVERIFY(f.Tray().Watcher()->WatchedFolders().empty());
        f.GoToTray();
        QCOMPARE(f.Tray().Watcher()->WatchedFolders(), Texts(f, {"src"}));
        f.RestoreFromTrayMenu();
        QVERIFY(f.Tray().Watcher()->WatchedFolders().empty());
        QVERIFY(!f.Tray().Watcher()->Active());
    }

    void AFileArrivingStartsOneRunAfterTheQuietTime() {
        Fixture f("CycleExec=0\r\n" + kWatchOn);
        f.GoToTray();
        QCOMPARE(f.Tray().TrayTipText(), std::string("Sorvanta - フォルダ監視中"));
        QVERIFY(!f.Tray().Schedule().Armed()); // periodic runs stay off
        f.Arrive({"a.jpg"});
        QTRY_VERIFY(f.Tray().Watcher()->Arrival().Pending());
        QVERIFY(f.Control<QTimer>("TimerWatch")->isActive());
        f.now += 9 * kSecond;
        QVERIFY(!f.WatchTick());
        f.now += kSecond;
        QVERIFY(f.WatchTick([&f](TFormReport*) {
            QVERIFY(f.Tray().AutoRun());
            QCOMPARE(f.Tray().TrayTipText(), std::string(kRunningTip));
        }));
        QVERIFY(f.dir.Exists("dst/画像/a.jpg"));
        QVERIFY(!f.window->findChild<TFormReport*>()->isVisible()); // closed by itself
        QVERIFY(f.Tray().InTray());
        QCOMPARE(f.CompletionCount(), 1);
        QCOMPARE(f.Tray().NoticeCount(), 1);
        QCOMPARE(f.Tray().LastNotice(),
                 std::string("振り分け元フォルダに届いた 1 個のファイル(フォルダ)を振り分けました。"));
        QCOMPARE(f.Tray().TrayTipText(),
                 std::string("Sorvanta - フォルダ監視中\n新規処理ファイル(フォルダ)数：1個"));
        QVERIFY(f.Tray().Watcher()->Active());
        QCOMPARE(f.Tray().Watcher()->WatchedFolders(), Texts(f, {"src"}));

        // The run's own move out of the folder starts nothing.
        LetNoticesIn();
        f.now += 10 * kMinute;
        QVERIFY(!f.WatchTick());
        QCOMPARE(f.runStarts.size(), std::size_t(1));
    }

    void TwoFilesArrivingTogetherGiveOneRun() {
        Fixture f("CycleExec=0\r\n" + kWatchOn);
        f.GoToTray();
        f.Arrive({"a.jpg"});
        QTRY_VERIFY(f.Tray().Watcher()->Arrival().Pending());
        f.now += 5 * kSecond;
        f.Arrive({"b.mp3"});
        LetNoticesIn();
        f.now += 5 * kSecond; // ten seconds after the first, five after the second
        QVERIFY(!f.WatchTick());
        f.now += 5 * kSecond;
        QVERIFY(f.WatchTick());
        QVERIFY(f.dir.Exists("dst/画像/a.jpg"));
        QVERIFY(f.dir.Exists("dst/音楽/b.mp3"));
        LetNoticesIn();
        f.now += kMinute;
        QVERIFY(!f.WatchTick());
        QCOMPARE(f.runStarts.size(), std::size_t(1));
    }

    void AFileStillBeingWrittenIsSortedOnlyAfterItStopsAndIsClosed() {
        Fixture f("CycleExec=0\r\n" + kWatchOn);
        f.GoToTray();
        const int fd = ::open(f.dir.NativeFile("src/動画.jpg").c_str(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        const std::string chunk(4096, 'x');
        QVERIFY(::write(fd, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size()));
        QTRY_VERIFY(f.Tray().Watcher()->Arrival().Pending());
        LetNoticesIn();
        for (int step = 0; step < 3; ++step) {
            f.now += 10 * kSecond;
            QVERIFY2(!f.WatchTick(), "a run while the file grows");
            QVERIFY(::write(fd, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size()));
            LetNoticesIn();
        }
        // It stopped growing but is still open for writing.
        f.now += 10 * kSecond;
        QVERIFY(!f.WatchTick());
        f.now += 10 * kSecond;
        QVERIFY(!f.WatchTick());
        QVERIFY(f.dir.Exists("src/動画.jpg"));
        ::close(fd);
        LetNoticesIn(); // the close starts the countdown again
        f.now += 9 * kSecond;
        QVERIFY(!f.WatchTick());
        f.now += kSecond;
        QVERIFY(f.WatchTick());
        QVERIFY(f.dir.Exists("dst/画像/動画.jpg"));
        QCOMPARE(std::filesystem::file_size(f.dir.NativeFile("dst/画像/動画.jpg")), std::uintmax_t(4 * 4096));
    }

    // A download service of its own user writes half a file and pauses. The program, run by an
    // ordinary user, can neither take the lease on that file nor see the writer among the
    // processes, and with files in use sorted no quiet time holds the file back: only the kernel's
    // notices show it being written. Its close starts the countdown again.
    void AFileAnotherUserIsWritingWaitsForItsClose() {
        if (::getuid() != 0)
            QSKIP("needs root (CAP_SETUID): the writer and the window act as two other users");
        Fixture f("CycleExec=0\r\n" + kWatchOn); // and FileUsing=0
        for (const char* rel : {"", "src"})
            QVERIFY(::chmod(f.dir.NativeFile(rel).c_str(), 0777) == 0);
        f.GoToTray();
        sv::testing::ForeignWriter writer(f.dir.NativeFile("src/映画.jpg"), sv::testing::kForeignUid);
        QVERIFY(writer.Open());
        QVERIFY(writer.Write());
        const ActingAs user(sv::testing::kOtherUid);
        QVERIFY(user.On());
        QTRY_VERIFY(f.Tray().Watcher()->Arrival().Pending());
        LetNoticesIn();
        for (int step = 0; step < 3; ++step) {
            f.now += 10 * kMinute;
            QVERIFY2(!f.WatchTick(), "a run while the download pauses");
        }
        QVERIFY(f.dir.Exists("src/映画.jpg"));
        QVERIFY(writer.Write());
        QVERIFY(writer.Close());
        f.now += 5 * kSecond;
        LetNoticesIn();
        QCOMPARE(*f.Tray().Watcher()->Arrival().Remaining(f.now), 10 * kSecond);
        f.now += 10 * kSecond;
        QVERIFY(f.WatchTick());
        QVERIFY(f.dir.Exists("dst/画像/映画.jpg"));
        QCOMPARE(std::filesystem::file_size(f.dir.NativeFile("dst/画像/映画.jpg")),
                 std::uintmax_t(2 * sv::testing::ForeignWriter::kChunk));
        QVERIFY(f.ports.box.Shown().empty());
    }

    void ABrowsersTemporaryDownloadHoldsTheRunBack() {
        Fixture f("CycleExec=0\r\n" + kWatchOn);
        f.GoToTray();
        f.Arrive({"写真.jpg", "写真.jpg.crdownload"});
        QTRY_VERIFY(f.Tray().Watcher()->Arrival().Pending());
        LetNoticesIn();
        f.now += 10 * kSecond;
        QVERIFY(!f.WatchTick());
        f.now += 10 * kSecond;
        QVERIFY(!f.WatchTick());
        // The browser renames its temporary file when the download is complete.
        std::filesystem::remove(f.dir.NativeFile("src/写真.jpg"));
        std::filesystem::rename(f.dir.NativeFile("src/写真.jpg.crdownload"),
                                f.dir.NativeFile("src/写真.jpg"));
        LetNoticesIn();
        f.now += 10 * kSecond;
        QVERIFY(f.WatchTick());
        QVERIFY(f.dir.Exists("dst/画像/写真.jpg"));
    }

    void ARunFromTheTrayMenuIsNotAnArrival() {
        Fixture f("CycleExec=0\r\n" + kWatchOn);
        f.Arrive({"a.jpg"}); // there before watching began
        f.GoToTray();
        f.Arrive({"b.jpg"});
        QTRY_VERIFY(f.Tray().Watcher()->Arrival().Pending());
        f.now += 10 * kSecond;
        f.Arrive({"c.jpg"});
        LetNoticesIn();
        // All conditions from the tray menu, confirmed with OK, before the watch's timer fired:
        // what is quiet goes; what has only just arrived is left to the watch.
        f.RunAllFromTrayMenu();
        QVERIFY(f.dir.Exists("dst/画像/a.jpg"));
        QVERIFY(f.dir.Exists("dst/画像/b.jpg"));
        QVERIFY(f.dir.Exists("src/c.jpg"));
        f.now += 10 * kSecond;
        QVERIFY(f.WatchTick());
        QVERIFY(f.dir.Exists("dst/画像/c.jpg"));
        f.runStarts.clear();
        LetNoticesIn();
        for (int tick = 0; tick < 3; ++tick) {
            f.now += kMinute;
            QVERIFY(!f.WatchTick());
        }
        QVERIFY(f.runStarts.empty());
    }

    void PeriodicRunsGoOnBesideAndFollowTheLastRunOfEitherKind() {
        Fixture f("CycleExec=1\r\nCycleExecTime=10\r\n" + kWatchOn);
        f.GoToTray();
        QCOMPARE(f.Tray().TrayTipText(), std::string("Sorvanta - 定周期実行：10分毎・監視中"));
        f.now = 3 * kMinute;
        f.Arrive({"a.jpg"});
        QTRY_VERIFY(f.Tray().Watcher()->Arrival().Pending());
        f.now += 10 * kSecond;
        QVERIFY(f.WatchTick());
        QCOMPARE(*f.Tray().Schedule().Remaining(f.now), 10 * kMinute);
        f.now = 10 * kMinute; // the period since going to the tray has passed, not since the run
        QVERIFY(!f.PeriodicTick());
        f.now = 3 * kMinute + 10 * kSecond + 10 * kMinute;
        QVERIFY(f.PeriodicTick());
        QCOMPARE(f.runStarts.size(), std::size_t(2));
    }

    void AMissingFolderIsSaidOnceAndPeriodicRunsStandInUntilItIsThere() {
        TConditionFields own;
        own.keywords = "txt";
        own.destFolder = "dst\\文書";
        own.ownSource = true;
        own.sourceFolder = "あとで"; // not there yet
        Fixture g("CycleExec=0\r\nCycleExecTime=10\r\n" + kWatchOn, true, {own});

        g.GoToTray();
        QCOMPARE(g.Tray().Watcher()->WatchedFolders(), Texts(g, {"src"}));
        QVERIFY(g.Tray().Watcher()->Problem().find("監視できないフォルダ：" + g.dir.NativeFile("あとで")) ==
                0);
        QVERIFY(g.Tray().TrayTipText().find("監視できないフォルダ") != std::string::npos);
        QVERIFY(g.Tray().Schedule().Armed()); // periodic runs stand in, though they are off
        // The folder that is watched still works.
        g.Arrive({"a.jpg"});
        QTRY_VERIFY(g.Tray().Watcher()->Arrival().Pending());
        g.now += 10 * kSecond;
        QVERIFY(g.WatchTick());
        QVERIFY(g.dir.Exists("dst/画像/a.jpg"));
        // Said once: the tip no longer repeats it, the stand-in goes on.
        QVERIFY(g.Tray().Watcher()->Problem().empty());
        QVERIFY(g.Tray().TrayTipText().find("監視できないフォルダ") == std::string::npos);
        QVERIFY(g.Tray().Schedule().Armed());

        // The folder appears; the next run (a periodic one) picks it up.
        std::filesystem::create_directories(g.dir.NativeFile("あとで"));
        g.now += 10 * kMinute;
        QVERIFY(g.PeriodicTick());
        QCOMPARE(g.Tray().Watcher()->WatchedFolders(), Texts(g, {"src", "あとで"}));
        QVERIFY(!g.Tray().Schedule().Armed()); // nothing to stand in for any more
        g.Arrive({"memo.txt"}, "あとで");
        QTRY_VERIFY(g.Tray().Watcher()->Arrival().Pending());
        g.now += 10 * kSecond;
        QVERIFY(g.WatchTick());
        QVERIFY(g.dir.Exists("dst/文書/memo.txt"));
        QVERIFY(g.ports.box.Shown().empty());
    }
};

QTEST_MAIN(TestWatch)
#include "test_watch.moc"
