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

namespace {

// A copy of the program in its own folder, as an installation would have it.
QString InstallCopy(const sv::testing::TempFolder& dir) {
    const QString target = QString::fromStdString(dir.NativeFile("sorvanta"));
    std::filesystem::copy_file(SORVANTA_EXE, target.toStdString());
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
    return target;
}

std::unique_ptr<QProcess> Start(const QString& program) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(env);
    process->start(program, {});
    return process;
}

// Waits until the program listens on its folder's channel, i.e. it owns the folder.
bool WaitUntilRunning(const QString& folder, QProcess& process) {
    const QString key = sv::SingleInstance::KeyFor(folder);
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired() && process.state() != QProcess::NotRunning) {
        QLocalSocket probe;
        probe.connectToServer(key);
        if (probe.waitForConnected(200)) {
            probe.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

// Ends the program; should it not end by itself, its lock and channel are cleared away.
void Stop(QProcess& process, const sv::testing::TempFolder& dir) {
    process.terminate();
    if (!process.waitForFinished(10000))
        process.kill();
    process.waitForFinished(10000);
    const QString key = sv::SingleInstance::KeyFor(QString::fromStdString(dir.Native()));
    QFile::remove(QDir(QDir::tempPath()).filePath(key + QStringLiteral(".lock")));
    QLocalServer::removeServer(key);
}

} // namespace

class TestSingleInstance final : public QObject {
    Q_OBJECT

private slots:
    void SecondStartInTheSameFolderEndsSilently() {
        sv::testing::TempFolder dir;
        const QString program = InstallCopy(dir);
        auto first = Start(program);
        QVERIFY(first->waitForStarted());
        QVERIFY(WaitUntilRunning(QString::fromStdString(dir.Native()), *first));

        auto second = Start(program);
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 255); // -1 as the process status
        QVERIFY(second->readAllStandardOutput().isEmpty());
        QVERIFY(!dir.Exists("Sorvanta.ini")); // the second one saved nothing
        QCOMPARE(first->state(), QProcess::Running);
        Stop(*first, dir);
    }

    void ProgramsInTwoFoldersDoNotBlockEachOther() {
        sv::testing::TempFolder one;
        sv::testing::TempFolder two;
        QVERIFY(sv::SingleInstance::KeyFor(QString::fromStdString(one.Native())) !=
                sv::SingleInstance::KeyFor(QString::fromStdString(two.Native())));
        auto first = Start(InstallCopy(one));
        auto second = Start(InstallCopy(two));
        QVERIFY(WaitUntilRunning(QString::fromStdString(one.Native()), *first));
        QVERIFY(WaitUntilRunning(QString::fromStdString(two.Native()), *second));
        Stop(*first, one);
        Stop(*second, two);
    }

    void TerminationClosesTheWindowAndSaves() {
        sv::testing::TempFolder dir;
        dir.WriteBytes("Condition.txt", "k\r\n\\d\\\r\n");
        auto program = Start(InstallCopy(dir));
        QVERIFY(WaitUntilRunning(QString::fromStdString(dir.Native()), *program));
        program->terminate(); // what the session's end or Ctrl+C in a terminal sends
        QVERIFY(program->waitForFinished(60000));
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), 0);
        QVERIFY(dir.Exists("Sorvanta.ini"));
        QCOMPARE(dir.ReadBytes("Condition.txt"), std::string("k\r\n\\d\\\r\n"));
        const QString key = sv::SingleInstance::KeyFor(QString::fromStdString(dir.Native()));
        QVERIFY(!QFile::exists(QDir(QDir::tempPath()).filePath(key + QStringLiteral(".lock"))));
    }

    void ARunningProgramIsAskedToComeForward() {
        sv::testing::TempFolder dir;
        sv::SingleInstance running(QString::fromStdString(dir.Native()));
        QVERIFY(running.Claim());
        int asked = 0;
        connect(&running, &sv::SingleInstance::ActivationRequested, this, [&asked] { ++asked; });
        bool secondClaimed = true;
        std::unique_ptr<QThread> other(QThread::create([&dir, &secondClaimed] {
            sv::SingleInstance second(QString::fromStdString(dir.Native()));
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
