// SPDX-License-Identifier: GPL-3.0-or-later
// The built program killed while "/a" sorts or saves, then started again: the start recovers the
// dead run's records, each once, and every file is where exactly one record says (or back in its
// source without one). SORVANTA_KILL_TRIES sets the tries of each case (by hand: many more).
#include "platform/pathtext.h"
#include "store/condition.h"
#include "store/journal_check.h"
#include "testing.h"

#include <QProcess>
#include <QTest>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using sv::testing::Sjis;

namespace {

namespace fs = std::filesystem;

int Tries(int fallback) {
    const char* const env = std::getenv("SORVANTA_KILL_TRIES");
    return env != nullptr ? std::atoi(env) : fallback;
}

struct ProgramFolder final {
    ProgramFolder() {
        program = dir.NativeFile("sorvanta");
        fs::copy_file(SORVANTA_EXE, program);
        fs::permissions(program, fs::perms::owner_exec, fs::perm_options::add);
        fs::create_directories(dir.NativeFile("src"));
    }
    std::string P(std::string_view rel) const { return dir.PathText() + sv::FromNativePath(rel); }
    void Condition(const sv::TConditionFields& fields) {
        sv::TSortCondition condition;
        QVERIFY(sv::ComposeCondition(fields, condition).ok());
        conditions += Sjis(condition.keywordText) + "\r\n" + Sjis(condition.destText) + "\r\n";
    }
    void Settings(std::string_view extra = {}) {
        dir.WriteBytes("Sorvanta.ini",
                       Sjis("[Path]\r\nSource=" + P("src") +
                            "\r\n[Condition]\r\nMakeFolder=1\r\nFileUsing=0\r\nReadOnly=1\r\n" +
                            std::string(extra)));
    }
    // "/a" in a child of this process, which the test kills.
    pid_t Start() {
        dir.WriteBytes("Condition.txt", conditions);
        const pid_t child = ::fork();
        if (child == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            std::freopen("/dev/null", "w", stderr);
            ::execl(program.c_str(), program.c_str(), "/a", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return child;
    }
    // A start that recovers and sorts nothing (no conditions); its standard error is kept.
    bool Recover() {
        dir.WriteBytes("Condition.txt", "");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString(program), {QStringLiteral("/a")});
        if (!process.waitForFinished(90000)) {
            process.kill();
            process.waitForFinished();
            return false;
        }
        errors = process.readAllStandardError().toStdString();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    // What the recovery notice says it added; 0 without a notice.
    int RecoveredInNotice() const {
        std::smatch match;
        const std::regex added("記録されていなかった ([0-9]+) 件");
        return std::regex_search(errors, match, added) ? std::stoi(match[1]) : 0;
    }
    std::size_t Records() const { return sv::testing::HistoryRecords(dir.ReadBytes("History.dat")).size(); }

    sv::testing::TempFolder dir;
    std::string program;
    std::string conditions;
    std::string errors;
};

ino_t InodeOf(const std::string& native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class TestKilledRun final : public QObject {
    Q_OBJECT

private slots:
    // A long history and a run of 40 files, killed the moment History.dat has been replaced:
    // the next start must not put the 40 records in front a second time.
    void KilledRightAfterTheHistoryWasReplacedRecordsEachFileOnce() {
        std::string old;
        for (int i = 0; i < 200000; ++i)
            old += "26/01/01 00:00:00\r\n  \r\nold" + std::to_string(i) + ".avi\r\n\\d*\\s\r\n";
        const int tries = Tries(3);
        int betweenSwapAndEnd = 0;
        for (int attempt = 0; attempt < tries; ++attempt) {
            ProgramFolder f;
            sv::TConditionFields fields;
            fields.keywords = "move";
            fields.destFolder = f.P("dst");
            f.Condition(fields);
            f.Settings();
            for (int i = 0; i < 40; ++i)
                f.dir.WriteBytes("src/move" + std::to_string(i) + ".bin", "file " + std::to_string(i));
            f.dir.WriteBytes("History.dat", old);
            const std::string history = f.dir.NativeFile("History.dat");
            const ino_t before = InodeOf(history);

            const pid_t child = f.Start();
            QVERIFY(child > 0);
            int status = 0;
            bool ended = false;
            while (InodeOf(history) == before) {
                if (::waitpid(child, &status, WNOHANG) == child) {
                    ended = true;
                    break;
                }
            }
            if (!ended) {
                ::kill(child, SIGKILL);
                QCOMPARE(::waitpid(child, &status, 0), child);
            }
            QVERIFY2(!ended, "the run ended without replacing History.dat");
            if (f.dir.Exists("History.dat.journal"))
                ++betweenSwapAndEnd;

            QVERIFY(f.Recover());
            QCOMPARE(f.RecoveredInNotice(), 0);
            const std::string bytes = f.dir.ReadBytes("History.dat");
            QCOMPARE(f.Records(), std::size_t{200040});
            for (int i = 0; i < 40; ++i) {
                const std::string name = "\r\nmove" + std::to_string(i) + ".bin\r\n";
                const auto first = bytes.find(name);
                QVERIFY2(first != std::string::npos && bytes.find(name, first + 1) == std::string::npos,
                         name.c_str());
            }
            QVERIFY(!f.dir.Exists("History.dat.journal"));
        }
        std::cout << "[ killed after the swap ] " << tries << " tries, " << betweenSwapAndEnd
                  << " before the journal was removed\n";
    }

    // Hundreds of files moved within and across file systems, copied, renamed "[1]" and given
    // another extension, the program killed at a random moment each time.
    void KilledAtRandomMomentsEveryFileIsWhereOneRecordSays() {
        const bool otherFileSystem = [] {
            struct stat tmp {};
            struct stat shm {};
            return ::stat(fs::temp_directory_path().c_str(), &tmp) == 0 && ::stat("/dev/shm", &shm) == 0 &&
                   tmp.st_dev != shm.st_dev;
        }();
        const int tries = Tries(4);
        std::mt19937 rng(2028);
        std::chrono::microseconds whole{0};
        int leftJournal = 0;
        int recovered = 0;
        for (int attempt = 0; attempt <= tries; ++attempt) {
            ProgramFolder f;
            std::string far = f.dir.NativeFile("far");
            if (otherFileSystem) {
                far = "/dev/shm/sorvanta-killed-" + std::to_string(::getpid());
                fs::remove_all(far);
            }
            fs::create_directories(far);
            struct RemoveFar final {
                std::string path;
                ~RemoveFar() {
                    std::error_code ec;
                    fs::remove_all(path, ec);
                }
            } removeFar{far};
            std::map<std::string, std::string> originals;
            auto file = [&](const std::string& name, std::size_t size) {
                std::string content = name + " " + std::to_string(attempt) + " ";
                content.resize(std::max(size, content.size()), 'x');
                f.dir.WriteBytes("src/" + name, content);
                originals[content] = f.dir.NativeFile("src/" + name);
            };
            fs::create_directories(f.dir.NativeFile("dst"));
            for (int i = 0; i < 120; ++i)
                file("w" + std::to_string(i) + ".avi", 300);
            for (int i = 0; i < 100; ++i)
                file("far" + std::to_string(i) + ".bin", i % 20 == 0 ? 2 << 20 : 3000);
            for (int i = 0; i < 60; ++i)
                file("copy" + std::to_string(i) + ".dat", 300);
            for (int i = 0; i < 120; i += 4)
                f.dir.WriteBytes("dst/w" + std::to_string(i) + ".avi", "there before " + std::to_string(i));
            sv::TConditionFields within;
            within.keywords = "w";
            within.destFolder = f.P("dst");
            f.Condition(within);
            sv::TConditionFields across;
            across.keywords = "far";
            across.destFolder = sv::FromNativePath(far);
            f.Condition(across);
            sv::TConditionFields copies;
            copies.keywords = "copy";
            copies.destFolder = f.P("dst/copies");
            copies.copyMode = true;
            f.Condition(copies);
            f.Settings("[ExtChange]\r\nExtBefore0=avi\r\nExtAfter0=mpg\r\n");
            f.dir.WriteBytes("History.dat", "26/01/01 00:00:00\r\n  \r\nold.avi\r\n\\d*\\s\r\n");

            const auto started = std::chrono::steady_clock::now();
            const pid_t child = f.Start();
            QVERIFY(child > 0);
            // The first try runs whole and times the run; the others are killed somewhere in it.
            if (attempt > 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(
                    std::uniform_int_distribution<long long>(0, whole.count())(rng)));
                ::kill(child, SIGKILL);
            }
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            if (attempt == 0) {
                QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                whole = std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::steady_clock::now() - started);
            }
            if (f.dir.Exists("History.dat.journal"))
                ++leftJournal;
            const std::size_t before = f.Records();

            QVERIFY(f.Recover());
            QCOMPARE(static_cast<std::size_t>(f.RecoveredInNotice()), f.Records() - before);
            recovered += f.RecoveredInNotice();
            const std::vector<std::string> problems = sv::testing::CheckRecordedOnce(
                originals, {f.dir.NativeFile("src"), f.dir.NativeFile("dst"), far},
                f.dir.ReadBytes("History.dat"));
            std::string all;
            for (const std::string& problem : problems)
                all += problem + "\n";
            QVERIFY2(problems.empty(), all.c_str());
        }
        std::cout << "[ killed at random ] " << tries << " tries, " << leftJournal << " left a journal, "
                  << recovered << " records recovered\n";
    }

    // A long history streamed into its new file while the run is killed, mostly right in that
    // stretch: History.dat is the old bytes or the whole new ones, never a part, and the next
    // start records every file once.
    void KilledWhileALongHistoryIsRewrittenItIsOldOrWholeNew() {
        std::string old;
        for (int i = 0; i < 150000; ++i)
            old += "26/01/01 00:00:00\r\n  \r\nold" + std::to_string(i) + ".avi\r\n\\d*\\s\r\n";
        const int tries = Tries(6);
        std::mt19937 rng(2031);
        std::chrono::microseconds whole{0};
        int duringRewrite = 0;
        int oldKept = 0;
        for (int attempt = 0; attempt <= tries; ++attempt) {
            ProgramFolder f;
            sv::TConditionFields fields;
            fields.keywords = "move";
            fields.destFolder = f.P("dst");
            f.Condition(fields);
            f.Settings();
            std::map<std::string, std::string> originals;
            for (int i = 0; i < 30; ++i) {
                const std::string content =
                    "file " + std::to_string(i) + " of try " + std::to_string(attempt);
                f.dir.WriteBytes("src/move" + std::to_string(i) + ".bin", content);
                originals[content] = f.dir.NativeFile("src/move" + std::to_string(i) + ".bin");
            }
            f.dir.WriteBytes("History.dat", old);
            const auto started = std::chrono::steady_clock::now();
            const pid_t child = f.Start();
            QVERIFY(child > 0);
            bool rewriting = false;
            if (attempt > 0 && attempt % 2 == 1) {
                // Until the new file is begun, then a little further into it.
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
                while (!rewriting && std::chrono::steady_clock::now() < deadline) {
                    for (const auto& entry : fs::directory_iterator(f.dir.Native()))
                        rewriting =
                            rewriting || entry.path().filename().string().starts_with("History.dat.tmp");
                }
                std::this_thread::sleep_for(
                    std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(rng)));
                ::kill(child, SIGKILL);
            } else if (attempt > 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(
                    std::uniform_int_distribution<long long>(0, whole.count())(rng)));
                ::kill(child, SIGKILL);
            }
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            if (attempt == 0) {
                QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                whole = std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::steady_clock::now() - started);
            }
            duringRewrite += rewriting ? 1 : 0;
            const std::string bytes = f.dir.ReadBytes("History.dat");
            QVERIFY2(bytes.size() >= old.size() && bytes.ends_with(old), "History.dat lost its old records");
            const std::string front = bytes.substr(0, bytes.size() - old.size());
            QCOMPARE(sv::NonEmptyLines(front).size() % 4, std::size_t{0});
            oldKept += front.empty() ? 1 : 0;

            QVERIFY(f.Recover());
            const std::vector<std::string> problems =
                sv::testing::CheckRecordedOnce(originals, {f.dir.NativeFile("src"), f.dir.NativeFile("dst")},
                                               f.dir.ReadBytes("History.dat"));
            std::string all;
            for (const std::string& problem : problems)
                all += problem + "\n";
            QVERIFY2(problems.empty(), all.c_str());
            QVERIFY(f.dir.ReadBytes("History.dat").ends_with(old));
        }
        std::cout << "[ killed while the history streams ] " << tries << " tries, " << duringRewrite
                  << " while its new file was written, " << oldKept << " left the old file as it was\n";
    }

    // The journal from the damaged files: a lone LF inside a block. What stands before it
    // is recovered, nothing after it, the file is kept aside and the start says so.
    void ADamagedJournalIsKeptAsideAndTheStartSaysSo() {
        ProgramFolder f;
        f.Settings();
        const std::string location = Sjis(f.P("dst") + "*" + f.P("src"));
        const std::string journal = "S\r\nM\r\na.avi\r\n26/12/08 09:00:00\r\n  \r\na.avi\r\n" + location +
                                    "\r\nM\r\nb.avi\r\n26/12/08 09:00:01\n  \r\nb.avi\r\n" + location +
                                    "\r\nM\r\nc.avi\r\n26/12/08 09:00:02\r\n  \r\nc.avi\r\n" + location +
                                    "\r\n";
        f.dir.WriteBytes("History.dat.journal", journal);
        QVERIFY(f.Recover());
        QCOMPARE(f.RecoveredInNotice(), 1);
        QVERIFY2(f.errors.find("[Sorvanta] ") != std::string::npos, f.errors.c_str());
        QVERIFY2(f.errors.find(f.dir.NativeFile("History.dat.journal.bak")) != std::string::npos,
                 f.errors.c_str());
        QCOMPARE(f.dir.ReadBytes("History.dat.journal.bak"), journal);
        QVERIFY(!f.dir.Exists("History.dat.journal"));
        const auto records = sv::testing::HistoryRecords(f.dir.ReadBytes("History.dat"));
        QCOMPARE(records.size(), std::size_t{1});
        QCOMPARE(records[0].EntryName, std::string("a.avi"));
    }
};

QTEST_GUILESS_MAIN(TestKilledRun)
#include "test_killed_run.moc"
