// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a file with the desktop's opener: its exit status tells whether a program took the file.
#include "gui/ports/qt_shell.h"
#include "platform/pathtext.h"
#include "testing.h"

#include <QCoreApplication>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

using namespace sv;

namespace {

// Puts a stand-in opener first on PATH that behaves as `script` says.
class FakeOpener final {
public:
    explicit FakeOpener(const std::string& script)
        : m_oldPath(std::getenv("PATH") ? std::getenv("PATH") : "") {
        m_dir.WriteBytes("xdg-open", "#!/bin/sh\n" + script + "\n");
        ::chmod(m_dir.NativeFile("xdg-open").c_str(), 0755);
        ::setenv("PATH", (m_dir.Native() + ":" + m_oldPath).c_str(), 1);
    }
    ~FakeOpener() { ::setenv("PATH", m_oldPath.c_str(), 1); }
    std::string Seen() const { return m_dir.ReadBytes("seen"); }
    std::string SeenPath() const { return m_dir.NativeFile("seen"); }

private:
    sv::testing::TempFolder m_dir;
    std::string m_oldPath;
};

} // namespace

class ShellOpenTest final : public QObject {
    Q_OBJECT

private slots:
    void FilerGetsTheFolderAsOneUntouchedArgument() {
        testing::TempFolder dir;
        dir.WriteBytes("filer", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$(dirname \"$0\")/got.tmp\"\n"
                                "mv \"$(dirname \"$0\")/got.tmp\" \"$(dirname \"$0\")/got\"\n");
        std::filesystem::permissions(dir.NativeFile("filer"), std::filesystem::perms::owner_all);
        const std::string odd = "/tmp/a b; echo \"x\" $(y) 'z' &";
        QtShell shell;
        QVERIFY(shell.StartProgram(FromNativePath(dir.NativeFile("filer")), FromNativePath(odd)).ok());
        QTRY_VERIFY_WITH_TIMEOUT(dir.Exists("got"), 30000);
        QCOMPARE(dir.ReadBytes("got"), "1|" + odd);
        QVERIFY(!shell.StartProgram(FromNativePath(dir.NativeFile("no-such-filer")), "\\tmp").ok());
    }

    void TheOpenersExitStatusDecides() {
        sv::testing::TempFolder files;
        files.WriteBytes("曲 'a' b.mp3", "x");
        const std::string file = files.PathText() + "曲 'a' b.mp3";
        QtShell shell;
        {
            FakeOpener opener("printf '%s' \"$1\" > \"$(dirname \"$0\")/seen\"; exit 0");
            QVERIFY(shell.OpenFile(file).ok());
            QCOMPARE(opener.Seen(), ToNativePath(file));
        }
        {
            FakeOpener opener("exit 3"); // no program for this kind of file
            const Status failed = shell.OpenFile(file);
            QVERIFY(!failed.ok());
            QVERIFY(failed.error().find("曲 'a' b.mp3") != std::string::npos);
        }
        {
            // An opener that runs the program itself is still running: it took the file.
            FakeOpener opener("sleep 3");
            QVERIFY(shell.OpenFile(file).ok());
            // Let it end, so the process object goes away before the test does.
            QTest::qWait(2000);
        }
    }
};

QTEST_GUILESS_MAIN(ShellOpenTest)
#include "test_shell_open.moc"
