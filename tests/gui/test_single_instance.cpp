// SPDX-License-Identifier: GPL-3.0-or-later
// The built program started twice from one program folder, and once each from two folders.
#include "platform/single_instance.h"
#include "testing.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <filesystem>
#include <memory>
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
        QCOMPARE(first->state(), QProcess::Running);
        Stop(*first);
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
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
