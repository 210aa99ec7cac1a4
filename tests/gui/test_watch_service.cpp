// SPDX-License-Identifier: GPL-3.0-or-later
// The built program started as "--watch" without a display on a temporary program folder, files
// written into its source folder by forked writers (one of them under another user id), then
// stopped with SIGTERM; the files and History.dat are checked afterwards. How long each finished
// download waited, and what 10 000 files cost, are printed, never asserted.
// SORVANTA_KILL_TRIES sets how often a run is stopped in the middle (by hand: many more).
#include "app/command_line.h"
#include "foreign_writer.h"
#include "platform/pathtext.h"
#include "platform/single_instance.h"
#include "store/condition.h"
#include "store/journal_check.h"
#include "testing.h"

#include <QProcess>
#include <QTest>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using sv::testing::Sjis;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kGenerous = std::chrono::seconds(90);
constexpr uid_t kServiceUid = sv::testing::kOtherUid; // a service of an ordinary user

int Tries(int fallback) {
    const char* const env = std::getenv("SORVANTA_KILL_TRIES");
    return env != nullptr ? std::atoi(env) : fallback;
}

bool Root() {
    return ::geteuid() == 0;
}

std::size_t Count(const std::string& folder) {
    std::error_code ec;
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        ++n;
    return n;
}

// Waits until `done` holds; false after a generous time.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds step = std::chrono::milliseconds(20)) {
    const auto until = Clock::now() + kGenerous;
    while (!done()) {
        if (Clock::now() > until)
            return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// A copy of the program in a folder of its own, where its data files live, with a source folder
// everyone may write (writers of other users) and destinations below it.
struct ServiceFolder final {
    explicit ServiceFolder(uid_t owner = ::geteuid()) {
        ::chmod(dir.Native().c_str(), 0755);
        program = dir.NativeFile("sorvanta");
        fs::copy_file(SORVANTA_EXE, program);
        fs::permissions(program, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::add);
        for (const char* folder : {"src", "dst", "run"})
            fs::create_directories(dir.NativeFile(folder));
        ::chmod(dir.NativeFile("src").c_str(), 0777);
        ::chmod(dir.NativeFile("run").c_str(), 0700);
        if (owner != ::geteuid()) {
            for (const char* rel : {"", "dst", "run"})
                QVERIFY(::chown(dir.NativeFile(rel).c_str(), owner, owner) == 0);
        }
        owned = owner;
    }
    std::string P(std::string_view rel) const { return dir.PathText() + sv::FromNativePath(rel); }
    std::string N(std::string_view rel) const { return dir.NativeFile(rel); }
    void Condition(std::string_view keywords, std::string_view destRel) {
        sv::TConditionFields fields;
        fields.keywords = keywords;
        fields.destFolder = P(destRel);
        sv::TSortCondition condition;
        QVERIFY(sv::ComposeCondition(fields, condition).ok());
        conditions += Sjis(condition.keywordText) + "\r\n" + Sjis(condition.destText) + "\r\n";
    }
    void Write(std::string_view settings) {
        dir.WriteBytes("Condition.txt", conditions);
        dir.WriteBytes("Sorvanta.ini", Sjis("[Path]\r\nSource=" + P("src") +
                                            "\r\n[Condition]\r\nMakeFolder=1\r\n" + std::string(settings)));
        if (owned != ::geteuid()) {
            for (const char* rel : {"Condition.txt", "Sorvanta.ini"})
                QVERIFY(::chown(dir.NativeFile(rel).c_str(), owned, owned) == 0);
        }
    }

    sv::testing::TempFolder dir;
    std::string program;
    std::string conditions;
    uid_t owned = 0;
};

// The service in a child of this process, under `uid`, without a display; its standard error is
// read through a pipe.
class Service final {
public:
    ~Service() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_err >= 0)
            ::close(m_err);
    }

    bool Start(const ServiceFolder& f, uid_t uid = ::geteuid(), const char* sw = "--watch") {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0)
            return false;
        const std::string program = f.program;
        const std::string runtime = f.N("run");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(pipe[1], 2);
            if (uid != ::geteuid() &&
                (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0))
                ::_exit(120);
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                ::unsetenv(name);
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            ::execl(program.c_str(), program.c_str(), sw, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipe[1]);
        m_err = pipe[0];
        ::fcntl(m_err, F_SETFL, O_NONBLOCK);
        return m_pid > 0 && WaitFor("振り分けを始めます");
    }

    const std::string& Errors() {
        char buffer[4096];
        for (ssize_t n; (n = ::read(m_err, buffer, sizeof buffer)) > 0;)
            m_errors.append(buffer, static_cast<std::size_t>(n));
        return m_errors;
    }
    std::size_t Said(std::string_view text) {
        std::size_t n = 0;
        const std::string& all = Errors();
        for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + 1))
            ++n;
        return n;
    }
    bool WaitFor(std::string_view text, std::size_t times = 1) {
        return WaitUntil([&] { return Said(text) >= times || !Running(); }) && Said(text) >= times;
    }
    bool Running() {
        if (m_pid <= 0)
            return false;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            m_pid = -1;
            return false;
        }
        return true;
    }
    // The exit status, once it ended of itself or after `signal`; -1 when it would not end.
    int Stop(int signal = SIGTERM, rusage* usage = nullptr) {
        if (m_pid > 0)
            ::kill(m_pid, signal);
        const auto until = Clock::now() + kGenerous;
        while (m_pid > 0 && Clock::now() < until) {
            int status = 0;
            rusage own{};
            if (::wait4(m_pid, &status, WNOHANG, &own) == m_pid) {
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                m_pid = -1;
                if (usage != nullptr)
                    *usage = own;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        Errors();
        return m_pid > 0 ? -1 : m_status;
    }
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_err = -1;
    int m_status = -1;
    std::string m_errors;
};

// A writer in a child process under `uid`; `write` returns the child's exit status (0: as planned).
pid_t Writer(uid_t uid, const std::function<int()>& write) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (uid != ::geteuid() && (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0))
            ::_exit(120);
        ::_exit(write());
    }
    return pid;
}

int Finished(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The processor time a running process has used so far, from /proc.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long user = 0;
    unsigned long long system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            user = std::stoull(field);
        if (i == 15)
            system = std::stoull(field);
    }
    return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The bytes a writer puts at `offset`: recognisable, so that a partial file shows.
std::string Bytes(std::size_t offset, std::size_t n) {
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<char>('a' + (offset + i) % 23);
    return out;
}

// Whether the file at `path` is still the one `fd` writes: had the service moved it while it was
// open, the name would lead elsewhere or nowhere.
bool StillThere(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_ino == named.st_ino;
}

// 1000 bytes a second for six seconds, then open four seconds longer than the wait, then closed.
int SlowDownload(const std::string& path, int waitSeconds) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return 2;
    for (int i = 0; i < 6; ++i) {
        const std::string chunk = Bytes(static_cast<std::size_t>(i) * 1000, 1000);
        if (::write(fd, chunk.data(), chunk.size()) != 1000 || !StillThere(fd, path))
            return 3;
        Sleep(1000);
    }
    Sleep((waitSeconds + 4) * 1000 - 1000);
    if (!StillThere(fd, path))
        return 3;
    return ::close(fd) == 0 ? 0 : 4;
}

// A browser's way: an empty file of the final name, the download beside it as ".part", written
// slowly, closed and renamed over the empty one.
int PartDownload(const std::string& path) {
    const std::string part = path + ".part";
    const int placeholder = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (placeholder < 0 || ::close(placeholder) != 0)
        return 2;
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return 2;
    for (int i = 0; i < 6; ++i) {
        const std::string chunk = Bytes(static_cast<std::size_t>(i) * 1000, 1000);
        struct stat st {};
        if (::write(fd, chunk.data(), chunk.size()) != 1000 || !StillThere(fd, part) ||
            ::stat(path.c_str(), &st) != 0 || st.st_size != 0)
            return 3;
        Sleep(1000);
    }
    if (::close(fd) != 0)
        return 4;
    return ::rename(part.c_str(), path.c_str()) == 0 ? 0 : 5;
}

// Room made for the whole file first, then filled chunk by chunk, the file closed after each.
int PreallocatedDownload(const std::string& path) {
    constexpr std::size_t kSize = 6000;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ::posix_fallocate(fd, 0, kSize) != 0 || ::close(fd) != 0)
        return 2;
    for (std::size_t at = 0; at < kSize; at += 1000) {
        Sleep(400);
        fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return 3; // moved away between two chunks
        const std::string chunk = Bytes(at, 1000);
        if (::pwrite(fd, chunk.data(), chunk.size(), static_cast<off_t>(at)) != 1000 || ::close(fd) != 0)
            return 4;
    }
    return 0;
}

} // namespace

class TestWatchService final : public QObject {
    Q_OBJECT

private slots:
    // Four downloads at once, in the ways downloads arrive: each is sorted whole once finished,
    // none while its writer still has it, and none holds the others back.
    void FinishedDownloadsAreSortedAndNoneWhileItIsWritten() {
        ServiceFolder f;
        f.Condition("mp4", "dst");
        f.Write("WatchSource=1\r\nWatchWait=2\r\nFileUsing=1\r\n");
        Service service;
        QVERIFY2(service.Start(f), service.Errors().c_str());

        struct Download final {
            const char* name;
            uid_t uid;
            std::function<int(const std::string&)> write;
            pid_t pid = -1;
        };
        const bool other = Root();
        std::vector<Download> downloads{
            {"same-user.mp4", ::geteuid(), [](const std::string& p) { return SlowDownload(p, 2); }},
            {"browser.mp4", ::geteuid(), PartDownload},
            {"preallocated.mp4", ::geteuid(), PreallocatedDownload},
        };
        if (other)
            downloads.push_back({"other-user.mp4", sv::testing::kForeignUid,
                                 [](const std::string& p) { return SlowDownload(p, 2); }});
        // Each writer says when it finished: its last write, close or rename.
        int finish[2];
        QVERIFY(::pipe2(finish, O_CLOEXEC) == 0);
        for (std::size_t i = 0; i < downloads.size(); ++i) {
            Download& d = downloads[i];
            const std::string path = f.N(std::string("src/") + d.name);
            d.pid = Writer(d.uid, [&d, path, i, &finish] {
                const int status = d.write(path);
                const std::int64_t at[2] = {static_cast<std::int64_t>(i),
                                            Clock::now().time_since_epoch().count()};
                return ::write(finish[1], at, sizeof at) == sizeof at ? status : 9;
            });
            QVERIFY(d.pid > 0);
        }
        ::close(finish[1]);
        // A file that arrives complete meanwhile is not held back by the slow downloads, which are
        // still open for writing then (their writers check that they were not moved).
        Sleep(500);
        f.dir.WriteBytes("src/complete.mp4", "complete");
        QVERIFY(WaitUntil([&] { return f.dir.Exists("dst/complete.mp4"); }));
        for (const char* slow : {"same-user.mp4", "other-user.mp4"})
            QVERIFY2(!f.dir.Exists(std::string("dst/") + slow), slow);

        // When each file was sorted.
        std::map<std::string, Clock::time_point> sorted;
        QVERIFY(WaitUntil(
            [&] {
                for (const Download& d : downloads) {
                    if (sorted.count(d.name) == 0 && f.dir.Exists(std::string("dst/") + d.name))
                        sorted[d.name] = Clock::now();
                }
                return sorted.size() == downloads.size();
            },
            std::chrono::milliseconds(2)));
        std::map<std::string, Clock::time_point> done;
        std::string failed;
        for (const Download& d : downloads) {
            const int status = Finished(d.pid);
            if (status != 0)
                failed += std::string(d.name) + " ended with " + std::to_string(status) +
                          " (moved while written?); ";
        }
        for (std::int64_t at[2]; ::read(finish[0], at, sizeof at) == sizeof at;)
            done[downloads[static_cast<std::size_t>(at[0])].name] = Clock::time_point(Clock::duration(at[1]));
        ::close(finish[0]);
        QVERIFY2(failed.empty(), failed.c_str());
        std::string delays;
        for (const Download& d : downloads) {
            QVERIFY2(sorted[d.name] >= done[d.name], d.name);
            delays += std::string(" ") + d.name + " " +
                      std::to_string(Seconds(sorted[d.name] - done[d.name])) + " s;";
            QCOMPARE(f.dir.ReadBytes(std::string("dst/") + d.name), Bytes(0, 6000));
        }
        QCOMPARE(Count(f.N("src")), std::size_t{0});
        QCOMPARE(Count(f.N("dst")), downloads.size() + 1); // no empty stand-in sorted beside the download
        std::cout << "[ sorted after the last write or close, WatchWait 2 s ]" << delays
                  << (other ? "" : " (no writer of another user: needs root for CAP_SETUID)") << "\n";

        QCOMPARE(service.Stop(), 0);
        QVERIFY(!f.dir.Exists("History.dat.journal"));
        QCOMPARE(sv::testing::HistoryRecords(f.dir.ReadBytes("History.dat")).size(), downloads.size() + 1);
        QVERIFY2(service.Said("終了します。") == 1, service.Errors().c_str());
    }

    // The service run by an ordinary user cannot tell whether another user's program still writes
    // a file once its notices stop: the file waits until it has been quiet for FileUsingWait, then
    // is sorted without anything else arriving.
    void AFileNobodyCanTellAboutWaitsForItsQuietTimeAndIsThenSorted() {
        if (!Root())
            QSKIP("needs root (CAP_SETUID): the service and the writer run under two other user ids");
        ServiceFolder f(kServiceUid);
        f.Condition("mp4", "dst");
        f.Write("WatchSource=1\r\nWatchWait=2\r\nFileUsing=1\r\nFileUsingWait=1\r\n");
        Service service;
        QVERIFY2(service.Start(f, kServiceUid), service.Errors().c_str());
        sv::testing::ForeignWriter writer(f.N("src/movie.mp4"), sv::testing::kForeignUid);
        QVERIFY(writer.Open());
        QVERIFY(writer.Write());
        QVERIFY(writer.Close());
        const auto closed = Clock::now();
        // Well beyond the wait, still within the quiet time: left where it is.
        Sleep(8000);
        QVERIFY(f.dir.Exists("src/movie.mp4"));
        QVERIFY(WaitUntil([&] { return f.dir.Exists("dst/movie.mp4"); }, std::chrono::milliseconds(50)));
        const double waited = Seconds(Clock::now() - closed);
        QVERIFY2(waited >= 55, qPrintable(QString::number(waited))); // the quiet time held
        std::cout << "[ another user's file, seen by an ordinary user ] sorted " << waited
                  << " s after its close (FileUsingWait 1 minute)\n";
        QCOMPARE(service.Stop(), 0);
        QCOMPARE(sv::testing::HistoryRecords(f.dir.ReadBytes("History.dat")).size(), std::size_t{1});
    }

    // 10 000 files written at once: all sorted, one record each. How long after the last write,
    // and the service's processor time (for both rounds), are printed.
    void TenThousandFilesArrivingAtOnceAreAllSorted() {
        ServiceFolder f;
        f.Condition("jpg", "dst");
        f.Write("WatchSource=1\r\nWatchWait=2\r\nFileUsing=1\r\n");
        Service service;
        QVERIFY2(service.Start(f), service.Errors().c_str());
        constexpr int kFiles = 10000;
        const std::string src = f.N("src");
        const pid_t writer = Writer(::geteuid(), [&src] {
            for (int i = 0; i < kFiles; ++i) {
                const std::string path = src + "/photo" + std::to_string(i) + ".jpg";
                const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                if (fd < 0 || ::write(fd, path.data(), path.size()) <= 0 || ::close(fd) != 0)
                    return 2;
            }
            return 0;
        });
        QCOMPARE(Finished(writer), 0);
        const auto written = Clock::now();
        QVERIFY2(WaitUntil([&] { return Count(f.N("dst")) == kFiles; }, std::chrono::milliseconds(50)),
                 qPrintable(QString::number(Count(f.N("dst")))));
        const double after = Seconds(Clock::now() - written);
        const double firstCpu = CpuSeconds(service.Pid());
        QCOMPARE(Count(src), std::size_t{0});

        // As many again while the service cannot read its notices: the kernel's queue overflows,
        // and everything is looked at once the folders are quiet.
        ::kill(service.Pid(), SIGSTOP);
        const pid_t more = Writer(::geteuid(), [&src] {
            for (int i = kFiles; i < 2 * kFiles; ++i) {
                const std::string path = src + "/photo" + std::to_string(i) + ".jpg";
                const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                if (fd < 0 || ::write(fd, path.data(), path.size()) <= 0 || ::close(fd) != 0)
                    return 2;
            }
            return 0;
        });
        QCOMPARE(Finished(more), 0);
        ::kill(service.Pid(), SIGCONT);
        QVERIFY2(WaitUntil([&] { return Count(f.N("dst")) == 2 * kFiles; }, std::chrono::milliseconds(50)),
                 qPrintable(QString::number(Count(f.N("dst")))));
        QCOMPARE(Count(src), std::size_t{0});
        rusage usage{};
        QCOMPARE(service.Stop(SIGTERM, &usage), 0);
        const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        std::cout << "[ 10000 files at once ] all sorted " << after << " s after the last write, " << firstCpu
                  << " s of processor time in the service; " << cpu
                  << " s with 10000 more whose notices overflowed\n";
        QCOMPARE(sv::testing::HistoryRecords(f.dir.ReadBytes("History.dat")).size(), std::size_t{2 * kFiles});
        QVERIFY(!f.dir.Exists("History.dat.journal"));
    }

    // SIGTERM in the middle of a run, some moves crossing file systems: the item in hand is
    // finished (no hidden temporary stays), the records are saved, the journal goes, status 0;
    // every file is where exactly one record says, or still in its source without one. Every
    // other try is SIGKILL instead: the next start recovers the journal and sorts the rest, and
    // then every file is where exactly one record says.
    void StoppedInTheMiddleOfARunItFinishesTheItemSavesAndEnds() {
        const bool otherFileSystem = [] {
            struct stat tmp {};
            struct stat shm {};
            return ::stat(fs::temp_directory_path().c_str(), &tmp) == 0 && ::stat("/dev/shm", &shm) == 0 &&
                   tmp.st_dev != shm.st_dev;
        }();
        const int tries = Tries(4);
        std::mt19937 rng(3030);
        int stoppedInRun = 0;
        int killed = 0;
        for (int attempt = 0; attempt < tries; ++attempt) {
            ServiceFolder f;
            std::string far = f.N("far");
            if (otherFileSystem) {
                far = "/dev/shm/sorvanta-service-" + std::to_string(::getpid());
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
            f.Condition("near", "dst");
            sv::TConditionFields across;
            across.keywords = "far";
            across.destFolder = sv::FromNativePath(far);
            sv::TSortCondition condition;
            QVERIFY(sv::ComposeCondition(across, condition).ok());
            f.conditions += Sjis(condition.keywordText) + "\r\n" + Sjis(condition.destText) + "\r\n";
            f.Write("WatchSource=1\r\nWatchWait=1\r\nFileUsing=1\r\n");
            std::map<std::string, std::string> originals;
            Service service;
            QVERIFY2(service.Start(f), service.Errors().c_str());
            for (int i = 0; i < 300; ++i) {
                const std::string name = (i % 3 == 0 ? "far" : "near") + std::to_string(i) + ".bin";
                std::string content = name + " " + std::to_string(attempt) + " ";
                content.resize(i % 30 == 0 ? (4 << 20) : 2000, 'x');
                f.dir.WriteBytes("src/" + name, content);
                originals[content] = f.N("src/" + name);
            }
            // The run begins once the files are quiet; stopped somewhere in it.
            QVERIFY(WaitUntil([&] { return f.dir.Exists("History.dat.journal") || Count(f.N("src")) < 300; },
                              std::chrono::milliseconds(1)));
            Sleep(std::uniform_int_distribution<int>(0, 120)(rng));
            if (Count(f.N("src")) > 0)
                ++stoppedInRun;
            if (attempt % 2 == 1) {
                ++killed;
                QCOMPARE(service.Stop(SIGKILL), 128 + SIGKILL);
                Service again;
                QVERIFY2(again.Start(f), again.Errors().c_str());
                QVERIFY2(WaitUntil([&] { return Count(f.N("src")) == 0; }), again.Errors().c_str());
                QCOMPARE(again.Stop(), 0);
                QVERIFY(!f.dir.Exists("History.dat.journal"));
            } else {
                QCOMPARE(service.Stop(), 0);
                QVERIFY2(service.Said("終了します。") == 1, service.Errors().c_str());
                QVERIFY(!f.dir.Exists("History.dat.journal"));
                for (const std::string& folder : {f.N("dst"), far}) {
                    for (const auto& entry : fs::directory_iterator(folder))
                        QVERIFY2(!entry.path().filename().string().starts_with("."), entry.path().c_str());
                }
            }
            const std::vector<std::string> problems = sv::testing::CheckRecordedOnce(
                originals, {f.N("src"), f.N("dst"), far}, f.dir.ReadBytes("History.dat"));
            std::string all;
            for (const std::string& problem : problems)
                all += problem + "\n";
            QVERIFY2(problems.empty(), all.c_str());
        }
        std::cout << "[ stopped with SIGTERM or SIGKILL ] " << tries << " tries (" << killed << " killed), "
                  << stoppedInRun << " in the middle of a run\n";
    }

    // Conditions and settings changed while it runs are taken at its next run; it never writes
    // either file.
    void ChangedDataFilesAreTakenAtTheNextRunAndNeverWritten() {
        ServiceFolder f;
        f.Condition("jpg", "dst/画像");
        f.Write("WatchSource=1\r\nWatchWait=1\r\n");
        Service service;
        QVERIFY2(service.Start(f), service.Errors().c_str());
        f.dir.WriteBytes("src/a.jpg", "a");
        QVERIFY(WaitUntil([&] { return f.dir.Exists("dst/画像/a.jpg"); }));
        f.Condition("mp3", "dst/音楽");
        f.Write("WatchSource=1\r\nWatchWait=1\r\nUnknownKey=kept\r\n");
        const std::string conditions = f.dir.ReadBytes("Condition.txt");
        const std::string settings = f.dir.ReadBytes("Sorvanta.ini");
        f.dir.WriteBytes("src/b.mp3", "b");
        QVERIFY2(WaitUntil([&] { return f.dir.Exists("dst/音楽/b.mp3"); }), service.Errors().c_str());
        QCOMPARE(service.Stop(), 0);
        QCOMPARE(f.dir.ReadBytes("Condition.txt"), conditions);
        QCOMPARE(f.dir.ReadBytes("Sorvanta.ini"), settings);
        // One line a run, nothing from Qt.
        const std::string& errors = service.Errors();
        QCOMPARE(service.Said("到着したファイルを振り分けました。"), std::size_t{2});
        for (std::size_t at = 0, end; (end = errors.find('\n', at)) != std::string::npos; at = end + 1)
            QVERIFY2(errors.compare(at, 10, "Sorvanta: ") == 0, errors.c_str());
    }

    // One data folder, one process that writes it: "/a", "/t" and a second service say why and
    // end with status 3; the desktop program, answered "No" where nobody can answer, too; a
    // desktop program that takes over gets the folder once the service let go of it, and the
    // service takes it back afterwards and sorts what arrived meanwhile.
    void WhileTheServiceRunsNoOtherStartWritesItsDataFolder() {
        ServiceFolder f;
        f.Condition("jpg", "dst");
        f.Write("WatchSource=1\r\nWatchWait=1\r\n");
        Service service;
        QVERIFY2(service.Start(f), service.Errors().c_str());
        const QString locked = QString::fromStdString(f.dir.Native());

        const auto start = [&f](const QStringList& arguments, QString* errors) {
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(f.N("run")));
            process.setProcessEnvironment(env);
            process.start(QString::fromStdString(f.program), arguments);
            if (!process.waitForFinished(90000))
                return -100;
            *errors = QString::fromUtf8(process.readAllStandardError());
            return process.exitCode();
        };
        const std::string before = f.dir.ReadBytes("Sorvanta.ini");
        for (const QStringList& arguments :
             {QStringList{QStringLiteral("/a")}, QStringList{QStringLiteral("--test-run")},
              QStringList{QStringLiteral("--watch")}}) {
            QString errors;
            QCOMPARE(start(arguments, &errors), sv::kExitFolderBusy);
            QVERIFY2(
                errors.contains(QStringLiteral("バックグラウンドサービス（sorvanta --watch、プロセス %1）")
                                    .arg(service.Pid())),
                qPrintable(errors));
        }
        QString errors;
        QCOMPARE(start({}, &errors), sv::kExitFolderBusy);
        QVERIFY2(errors.contains(QStringLiteral("サービスを一時停止して、このウィンドウで続けますか？")) &&
                     errors.contains(QStringLiteral("-> いいえ")),
                 qPrintable(errors));
        QCOMPARE(f.dir.ReadBytes("Sorvanta.ini"), before);
        QVERIFY(service.Running());

        // The desktop program's side of "Yes".
        ::setenv("XDG_RUNTIME_DIR", f.N("run").c_str(), 1);
        sv::SingleInstance desktop(locked);
        QVERIFY(!desktop.Claim(sv::SingleInstance::Request::Who));
        QVERIFY(desktop.HolderFound().known &&
                desktop.HolderFound().role == sv::SingleInstance::Role::Service);
        const sv::SingleInstance::Holder answered = desktop.Ask(sv::SingleInstance::Request::HandOver);
        QVERIFY(answered.known && answered.pid == service.Pid());
        QVERIFY(desktop.ClaimWithin(60000));
        QVERIFY(desktop.Claimed());
        QVERIFY2(service.WaitFor("引き渡しました"), service.Errors().c_str());
        // While the desktop program has the folder, the service sorts nothing.
        f.dir.WriteBytes("src/meanwhile.jpg", "m");
        Sleep(3000);
        QVERIFY(f.dir.Exists("src/meanwhile.jpg"));
        QVERIFY(!f.dir.Exists("History.dat.journal"));
        desktop.Release();
        QVERIFY2(WaitUntil([&] { return f.dir.Exists("dst/meanwhile.jpg"); }), service.Errors().c_str());
        QVERIFY(service.Said("再開します") >= 1);
        QCOMPARE(service.Stop(), 0);
    }

    // A source folder that cannot be watched is said once; the folders that can be still are.
    void AnUnwatchableFolderIsSaidOnce() {
        ServiceFolder f;
        f.Condition("jpg", "dst");
        sv::TConditionFields own;
        own.keywords = "txt";
        own.destFolder = f.P("dst");
        own.ownSource = true;
        own.sourceFolder = f.P("later");
        sv::TSortCondition condition;
        QVERIFY(sv::ComposeCondition(own, condition).ok());
        f.conditions += Sjis(condition.keywordText) + "\r\n" + Sjis(condition.destText) + "\r\n";
        f.Write("WatchSource=1\r\nWatchWait=1\r\nCycleExecTime=5\r\n");
        Service service;
        QVERIFY2(service.Start(f), service.Errors().c_str());
        for (const char* name : {"a.jpg", "b.jpg"}) {
            f.dir.WriteBytes(std::string("src/") + name, "x");
            QVERIFY(WaitUntil([&] { return f.dir.Exists(std::string("dst/") + name); }));
        }
        QCOMPARE(service.Stop(), 0);
        QCOMPARE(
            service.Said("監視できないフォルダ：" + f.N("later") + "（5分毎の定周期実行で振り分けます）"),
            std::size_t{1});
    }
};

QTEST_GUILESS_MAIN(TestWatchService)
#include "test_watch_service.moc"
