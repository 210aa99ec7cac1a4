// SPDX-License-Identifier: GPL-3.0-or-later
// The built program started twice from one program folder, and once each from two folders; where
// its lock and channel may live, and that nothing left in a folder others can write stops it.
#include "platform/single_instance.h"
#include "testing.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using sv::testing::TempFolder;

QString Q(const std::string& native) {
    return QString::fromStdString(native);
}

// A copy of the program in its own folder, as an installation would have it.
QString InstallCopy(const TempFolder& dir) {
    const QString target = Q(dir.NativeFile("sorvanta"));
    std::filesystem::copy_file(SORVANTA_EXE, target.toStdString());
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
    return target;
}

// The program's channel when its lock lives in `lockFolder`.
QString SocketIn(const QString& lockFolder, const TempFolder& programFolder) {
    return lockFolder + QLatin1Char('/') + sv::SingleInstance::KeyFor(Q(programFolder.Native())) +
           QStringLiteral(".socket");
}

QProcessEnvironment Environment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

std::unique_ptr<QProcess> Start(const QString& program, const QProcessEnvironment& env = Environment(),
                                const QStringList& arguments = {}) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->start(program, arguments);
    return process;
}

// Waits until the program listens on `socket`, i.e. it owns its folder.
bool WaitUntilRunning(const QString& socket, QProcess& process) {
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired() && process.state() != QProcess::NotRunning) {
        QLocalSocket probe;
        probe.connectToServer(socket);
        if (probe.waitForConnected(200)) {
            probe.disconnectFromServer();
            return true;
        }
        process.waitForFinished(50); // also notices that it has ended
    }
    return false;
}

void Stop(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(10000))
        process.kill();
    process.waitForFinished(10000);
}

mode_t ModeOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

// Real folder of ours nobody else may enter: what the program must find or make.
bool IsPrivate(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

bool IsEmptyFolder(const QString& path) {
    return QDir(path)
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
        .isEmpty();
}

QString TempSubfolder() {
    return QStringLiteral("sorvanta-%1").arg(::geteuid());
}

} // namespace

class TestSingleInstance final : public QObject {
    Q_OBJECT

    // Runtime and cache folders of the test's own: no test meets the user's running program or
    // leaves anything in the user's home.
    TempFolder m_runtime;
    TempFolder m_cache;

    QString Runtime() const { return Q(m_runtime.Native()); }

private slots:
    void initTestCase() {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Runtime()));
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(m_cache.Native()));
    }

    void SecondStartInTheSameFolderEndsSilently() {
        TempFolder dir;
        const QString program = InstallCopy(dir);
        auto first = Start(program);
        QVERIFY(first->waitForStarted());
        QVERIFY(WaitUntilRunning(SocketIn(Runtime(), dir), *first));

        auto second = Start(program);
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 255); // -1 as the process status
        QVERIFY(second->readAllStandardOutput().isEmpty());
        QVERIFY(!dir.Exists("Sorvanta.ini")); // the second one saved nothing

        // "/a" from cron meets the window the same way: it ends at once, says nothing, sorts nothing.
        auto runAll = Start(program, Environment(), {QStringLiteral("/a")});
        QVERIFY(runAll->waitForFinished(60000));
        QCOMPARE(runAll->exitCode(), 255);
        QVERIFY(runAll->readAllStandardOutput().isEmpty());
        QVERIFY(runAll->readAllStandardError().isEmpty());
        QVERIFY(!dir.Exists("Sorvanta.ini"));
        QVERIFY(!dir.Exists("History.dat"));
        QCOMPARE(first->state(), QProcess::Running);
        Stop(*first);
    }

    void SecondStartBringsTheRunningOneForward() {
        TempFolder dir;
        const QString program = InstallCopy(dir);
        sv::SingleInstance running(Q(dir.Native())); // stands for the first program
        QVERIFY(running.Claim());
        QVERIFY(running.Problem().isEmpty());
        int asked = 0;
        connect(&running, &sv::SingleInstance::ActivationRequested, this, [&asked] { ++asked; });

        auto second = Start(program);
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitCode(), 255);
        QTRY_COMPARE_WITH_TIMEOUT(asked, 1, 30000);
    }

    void ProgramsInTwoFoldersDoNotBlockEachOther() {
        TempFolder one;
        TempFolder two;
        QVERIFY(sv::SingleInstance::KeyFor(Q(one.Native())) != sv::SingleInstance::KeyFor(Q(two.Native())));
        auto first = Start(InstallCopy(one));
        auto second = Start(InstallCopy(two));
        QVERIFY(WaitUntilRunning(SocketIn(Runtime(), one), *first));
        QVERIFY(WaitUntilRunning(SocketIn(Runtime(), two), *second));
        Stop(*first);
        Stop(*second);
    }

    void TerminationClosesTheWindowAndSaves() {
        TempFolder dir;
        dir.WriteBytes("Condition.txt", "k\r\n\\d\\\r\n");
        auto program = Start(InstallCopy(dir));
        QVERIFY(WaitUntilRunning(SocketIn(Runtime(), dir), *program));
        program->terminate(); // what the session's end or Ctrl+C in a terminal sends
        QVERIFY(program->waitForFinished(60000));
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), 0);
        QVERIFY(dir.Exists("Sorvanta.ini"));
        QCOMPARE(dir.ReadBytes("Condition.txt"), std::string("k\r\n\\d\\\r\n"));
        const QString key = sv::SingleInstance::KeyFor(Q(dir.Native()));
        QVERIFY(!QFile::exists(QDir(Runtime()).filePath(key + QStringLiteral(".lock"))));
    }

    void ARunningProgramIsAskedToComeForward() {
        TempFolder dir;
        sv::SingleInstance running(Q(dir.Native()));
        QVERIFY(running.Claim());
        int asked = 0;
        connect(&running, &sv::SingleInstance::ActivationRequested, this, [&asked] { ++asked; });
        bool secondClaimed = true;
        std::unique_ptr<QThread> other(QThread::create([&dir, &secondClaimed] {
            sv::SingleInstance second(Q(dir.Native()));
            secondClaimed = second.Claim();
        }));
        other->start();
        QTRY_COMPARE_WITH_TIMEOUT(asked, 1, 30000);
        other->wait();
        QVERIFY(!secondClaimed);
    }

    // What another user could leave in the shared temporary folder under the names used before:
    // a lock held by a live process of the right name, and a socket that answers.
    void ALockAndSocketInTheSharedFolderDoNotStopAStart() {
        TempFolder dir;
        const QString key = sv::SingleInstance::KeyFor(Q(dir.Native()));
        QLockFile planted(QDir(QDir::tempPath()).filePath(key + QStringLiteral(".lock")));
        QVERIFY(planted.tryLock(0));
        QLocalServer answering;
        QVERIFY(answering.listen(key));

        auto program = Start(InstallCopy(dir));
        QVERIFY(program->waitForStarted());
        QVERIFY2(WaitUntilRunning(SocketIn(Runtime(), dir), *program),
                 qPrintable(QStringLiteral("ended with %1").arg(program->exitCode())));
        QCOMPARE(program->state(), QProcess::Running);
        QVERIFY(!answering.waitForNewConnection(0)); // nor was it told that another copy runs
        Stop(*program);
        QVERIFY(planted.isLocked()); // not ours to take away
    }

    void ALockLeftByAKilledProgramIsTakenOver() {
        TempFolder dir;
        const QString program = InstallCopy(dir);
        auto first = Start(program);
        QVERIFY(WaitUntilRunning(SocketIn(Runtime(), dir), *first));
        first->kill(); // leaves its lock and socket file behind
        QVERIFY(first->waitForFinished(10000));
        const QString key = sv::SingleInstance::KeyFor(Q(dir.Native()));
        QVERIFY(QFile::exists(QDir(Runtime()).filePath(key + QStringLiteral(".lock"))));

        auto second = Start(program);
        QVERIFY(WaitUntilRunning(SocketIn(Runtime(), dir), *second));
        Stop(*second);
    }

    void WithoutARuntimeFolderOneOfOurOwnIsMade() {
        TempFolder base;
        sv::PrivatePlaces places;
        places.session = Q(base.NativeFile("no-session"));
        places.cache = Q(base.NativeFile("cache")); // not there yet
        const QString made = places.cache + QStringLiteral("/sorvanta/run");
        QStringList why;
        QCOMPARE(sv::SingleInstance::PrivateFolder(places, &why), made);
        QVERIFY(why.isEmpty());
        QCOMPARE(ModeOf(made) & 07777, mode_t(0700));
        QCOMPARE(ModeOf(places.cache + QStringLiteral("/sorvanta")) & 07777, mode_t(0700));
        QCOMPARE(sv::SingleInstance::PrivateFolder(places), made); // and found again as it is

        // The program itself, with no runtime folder named: one program still runs per folder.
        TempFolder dir;
        const QString program = InstallCopy(dir);
        QProcessEnvironment env = Environment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), Q(base.NativeFile("program-cache")));
        env.insert(QStringLiteral("TMPDIR"), Q(base.Native())); // where Qt makes its own stand-in
        // Without the variable the session's folder is taken, where the system keeps one.
        const QString session = QStringLiteral("/run/user/%1").arg(::geteuid());
        const QString folder =
            IsPrivate(session) ? session : Q(base.NativeFile("program-cache/sorvanta/run"));
        auto first = Start(program, env);
        QVERIFY(WaitUntilRunning(SocketIn(folder, dir), *first));
        QVERIFY(IsPrivate(folder));
        auto second = Start(program, env);
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitCode(), 255);
        Stop(*first);
    }

    void AnUnsoundRuntimeFolderIsNotUsed_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a link to a private folder") << "link";
        QTest::newRow("open to everyone") << "0777";
        QTest::newRow("open to the group") << "0750";
        QTest::newRow("another user's") << "owner";
    }

    void AnUnsoundRuntimeFolderIsNotUsed() {
        QFETCH(QString, kind);
        TempFolder base;
        TempFolder target; // what a link points to; 0700 and ours, and still not to be used
        const QString runtime = Q(base.NativeFile("runtime"));
        if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(Q(target.Native()), runtime));
        } else if (kind == QLatin1String("owner")) {
            if (::geteuid() != 0)
                QSKIP("only the superuser can give a folder away");
            QVERIFY(QDir().mkdir(runtime));
            QVERIFY(::chmod(QFile::encodeName(runtime).constData(), 0700) == 0);
            QVERIFY(::chown(QFile::encodeName(runtime).constData(), 65534, 65534) == 0);
        } else {
            QVERIFY(QDir().mkdir(runtime));
            QVERIFY(::chmod(QFile::encodeName(runtime).constData(),
                            kind == QLatin1String("0750") ? 0750 : 0777) == 0);
        }

        TempFolder dir;
        QProcessEnvironment env = Environment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("XDG_CACHE_HOME"), Q(base.NativeFile("cache")));
        auto program = Start(InstallCopy(dir), env);
        QVERIFY(WaitUntilRunning(SocketIn(Q(base.NativeFile("cache/sorvanta/run")), dir), *program));
        Stop(*program);
        QVERIFY(IsEmptyFolder(Q(target.Native())));
        QVERIFY(IsEmptyFolder(runtime));
    }

    // Below the cache and temporary folders the program makes its own folders; what someone else
    // put there in their place, or a folder others may rename things in, is passed over.
    void PlacesArePassedOverUnlessTheyAreOursAlone() {
        TempFolder base;
        TempFolder target;
        const QString cache = Q(base.NativeFile("cache"));
        const QString temp = Q(base.NativeFile("tmp"));
        QVERIFY(QDir().mkpath(cache));
        QVERIFY(QDir().mkpath(temp));
        sv::PrivatePlaces places;
        places.cache = cache;
        places.temp = temp;

        // The cache's "sorvanta" a link: the temporary folder's own subfolder is made instead.
        QVERIFY(QFile::link(Q(target.Native()), cache + QStringLiteral("/sorvanta")));
        QVERIFY(::chmod(QFile::encodeName(temp).constData(), 01777) == 0);
        const QString own = temp + QLatin1Char('/') + TempSubfolder();
        QCOMPARE(sv::SingleInstance::PrivateFolder(places), own);
        QCOMPARE(ModeOf(own) & 07777, mode_t(0700));
        QVERIFY(IsEmptyFolder(Q(target.Native())));

        // A shared folder without the sticky bit lets others swap our folder for theirs.
        QVERIFY(::chmod(QFile::encodeName(temp).constData(), 0777) == 0);
        QVERIFY(sv::SingleInstance::PrivateFolder(places).isEmpty());

        // "run" left open to others, and the temporary subfolder a link: nothing is left, and
        // every place says why.
        QVERIFY(QFile::remove(cache + QStringLiteral("/sorvanta")));
        QVERIFY(QDir().mkpath(cache + QStringLiteral("/sorvanta/run")));
        QVERIFY(::chmod(QFile::encodeName(cache + QStringLiteral("/sorvanta/run")).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(temp).constData(), 01777) == 0);
        QVERIFY(QDir(own).removeRecursively());
        QVERIFY(QFile::link(Q(target.Native()), own));
        QStringList why;
        QVERIFY(sv::SingleInstance::PrivateFolder(places, &why).isEmpty());
        QCOMPARE(why.size(), 3); // the unset variable, the cache's folder, the temporary one
        QVERIFY(why[0].contains(QLatin1String("XDG_RUNTIME_DIR")));
        QVERIFY(why[1].startsWith(cache + QStringLiteral("/sorvanta/run ")));
        QVERIFY(why[1].contains(QLatin1String("0755")));
        QVERIFY(why[2].startsWith(own + QLatin1Char(' ')));
        QVERIFY(why[2].contains(QStringLiteral("シンボリックリンク")));
        QVERIFY(IsEmptyFolder(Q(target.Native())));
    }

    void WithoutAnyPrivateFolderTheProgramSaysWhyAndRunsAlone() {
        TempFolder base;
        const QString runtime = Q(base.NativeFile("runtime"));
        const QString temp = Q(base.NativeFile("tmp"));
        QVERIFY(QDir().mkpath(runtime));
        QVERIFY(QDir().mkpath(temp));
        QVERIFY(::chmod(QFile::encodeName(runtime).constData(), 0777) == 0);
        QVERIFY(QFile::link(runtime, temp + QLatin1Char('/') + TempSubfolder()));

        TempFolder dir;
        dir.WriteBytes("Sorvanta.ini", "[Path]\r\nSource=" + dir.PathText() + "\r\n"); // a run that can begin
        QProcessEnvironment env = Environment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("XDG_CACHE_HOME"), QStringLiteral("/dev/null/cache"));
        env.insert(QStringLiteral("TMPDIR"), temp);
        auto program = Start(InstallCopy(dir), env, {QStringLiteral("/a")});
        QVERIFY(program->waitForFinished(60000));
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), 0); // it ran and sorted rather than staying away unheard
        QVERIFY(dir.Exists("Sorvanta.ini"));
        const QString errors = QString::fromUtf8(program->readAllStandardError());
        QVERIFY2(errors.contains(QStringLiteral("Sorvanta: 自分だけが使えるフォルダがないため")),
                 qPrintable(errors));
        for (const QString& place : {runtime, QStringLiteral("/dev/null/cache"), temp})
            QVERIFY2(errors.contains(place), qPrintable(place));
        QVERIFY(IsEmptyFolder(runtime));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
