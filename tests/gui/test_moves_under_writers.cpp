// SPDX-License-Identifier: GPL-3.0-or-later
// The built program sorting with "/a" while a process of another user keeps writing into what it
// moves: a folder and a file moved from disk to tmpfs, the writer appending to every file and
// saving new ones in a loop. Whatever moment the writes land at, no byte is lost, except a write
// that lands between the last look at a file and its removal: nothing on Linux can refuse that
// one, and the writer must have seen it go into the removed file.
#include "platform/pathtext.h"
#include "store/condition.h"
#include "testing.h"

#include <QProcess>
#include <QTest>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using sv::testing::Sjis;

namespace {

namespace fs = std::filesystem;

constexpr uid_t kWriterUser = 65534;
constexpr std::size_t kMaxFiles = 160;
constexpr std::size_t kMaxWrite = 16384;
const std::string kFolder = "show abc 01";
const std::string kFile = "abc movie.bin";

// The byte at `offset` of file `index`: a file's length says what all of it must hold.
char PatternByte(std::size_t index, std::uint64_t offset) {
    return static_cast<char>((offset * 131 + index * 17 + (offset >> 11)) & 0xff);
}

std::string Pattern(std::size_t index, std::uint64_t length) {
    std::string bytes(length, '\0');
    for (std::uint64_t i = 0; i < length; ++i)
        bytes[i] = PatternByte(index, i);
    return bytes;
}

// What the writer did to one file.
struct Written final {
    std::uint64_t length = 0; // bytes written, the file's first bytes included
    // The length after the last write seen, 3 ms after it, to be in a file still linked. Only
    // writes after it may be missing: they went into the file as it was being removed, and no
    // check before a removal can see a write that comes after it.
    std::uint64_t safeLength = 0;
    std::uint32_t intoRemoved = 0; // writes seen to have gone into a removed file
    std::uint32_t exists = 0;      // the file was made (by the test or the writer)
};

// The other user's program: in a loop, appends the next bytes of its pattern to the next file
// (round robin, opening it by its path each time) and now and then saves a new file into the
// folder or its subfolder. A file it finds gone is not written again. Everything the child
// uses is made before the fork.
class LoopingWriter final {
public:
    LoopingWriter(const std::vector<std::string>& paths, std::array<Written, kMaxFiles> files,
                  std::size_t firstNew, unsigned seed)
        : m_paths(paths), m_files(files) {
        int stop[2];
        int report[2];
        if (::pipe(stop) != 0 || ::pipe(report) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(stop[1]);
            ::close(report[0]);
            if (::setgid(kWriterUser) != 0 || ::setuid(kWriterUser) != 0)
                ::_exit(2);
            Loop(stop[0], firstNew, seed);
            for (Pending& pending : m_pending)
                Settle(pending);
            const char* data = reinterpret_cast<const char*>(m_files.data());
            std::size_t left = sizeof m_files;
            while (left > 0) {
                const ssize_t n = ::write(report[1], data, left);
                if (n <= 0)
                    ::_exit(3);
                data += n;
                left -= static_cast<std::size_t>(n);
            }
            ::_exit(0);
        }
        ::close(stop[0]);
        ::close(report[1]);
        m_stop = stop[1];
        m_report = report[0];
    }
    ~LoopingWriter() {
        if (m_pid > 0) {
            ::close(m_stop);
            ::close(m_report);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    LoopingWriter(const LoopingWriter&) = delete;
    LoopingWriter& operator=(const LoopingWriter&) = delete;

    bool Started() const { return m_pid > 0; }

    // Stops the loop and returns what was written.
    bool Stop(std::array<Written, kMaxFiles>& out) {
        if (::write(m_stop, "x", 1) != 1)
            return false;
        char* data = reinterpret_cast<char*>(out.data());
        std::size_t got = 0;
        while (got < sizeof out) {
            const ssize_t n = ::read(m_report, data + got, sizeof out - got);
            if (n <= 0)
                return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    // A write whose descriptor is kept for 3 ms, then looked at.
    struct Pending final {
        int fd = -1;
        std::size_t index = 0;
        std::uint64_t end = 0;
        std::int64_t due = 0;
    };

    static std::int64_t Now() {
        struct timespec now {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }

    void SettleDue() {
        const std::int64_t now = Now();
        for (Pending& pending : m_pending) {
            if (pending.fd >= 0 && pending.due <= now)
                Settle(pending);
        }
    }

    void Settle(Pending& pending) {
        if (pending.fd < 0)
            return;
        Written& file = m_files[pending.index];
        struct stat st {};
        if (::fstat(pending.fd, &st) == 0 && st.st_nlink > 0)
            file.safeLength = std::max(file.safeLength, pending.end);
        else
            ++file.intoRemoved;
        ::close(pending.fd);
        pending.fd = -1;
    }

    void Append(std::size_t index, int fd, std::size_t size) {
        static char buffer[kMaxWrite];
        Written& file = m_files[index];
        for (std::size_t i = 0; i < size; ++i)
            buffer[i] = PatternByte(index, file.length + i);
        const ssize_t n = ::write(fd, buffer, size);
        if (n <= 0) {
            ::close(fd);
            return;
        }
        file.length += static_cast<std::uint64_t>(n);
        Pending& slot = m_pending[m_nextPending++ % m_pending.size()];
        Settle(slot);
        slot = {fd, index, file.length, Now() + 3'000'000};
    }

    void Loop(int stop, std::size_t nextNew, unsigned seed) {
        std::size_t cursor = 0;
        for (unsigned random = seed;;) {
            struct pollfd wanted {
                stop, POLLIN, 0
            };
            if (::poll(&wanted, 1, 0) != 0)
                return;
            SettleDue();
            random = random * 1103515245u + 12345u;
            const std::size_t size = 1 + (random >> 8) % kMaxWrite;
            if ((random >> 20) % 6 == 0 && nextNew < m_paths.size()) {
                const std::size_t index = nextNew++;
                const int fd = ::open(m_paths[index].c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                if (fd >= 0) {
                    m_files[index].exists = 1;
                    Append(index, fd, size);
                }
            } else {
                for (std::size_t tried = 0; tried < nextNew; ++tried) {
                    cursor = (cursor + 1) % nextNew;
                    if (!m_files[cursor].exists)
                        continue;
                    const int fd = ::open(m_paths[cursor].c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
                    if (fd >= 0)
                        Append(cursor, fd, size);
                    else if (errno == ENOENT)
                        m_files[cursor].exists = 0; // moved away: written no more
                    break;
                }
            }
            const struct timespec pause { 0, 400'000 };
            ::nanosleep(&pause, nullptr);
        }
    }

    const std::vector<std::string>& m_paths;
    std::array<Written, kMaxFiles> m_files;
    std::array<Pending, 32> m_pending{};
    std::size_t m_nextPending = 0;
    pid_t m_pid = -1;
    int m_stop = -1;
    int m_report = -1;
};

std::string ReadNative(const std::string& native) {
    std::ifstream in(native, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteNative(const std::string& native, const std::string& bytes) {
    std::ofstream(native, std::ios::binary | std::ios::trunc) << bytes;
}

// A fresh folder on /dev/shm, removed at the end.
struct ShmFolder final {
    ShmFolder() {
        std::string pattern = "/dev/shm/sorvanta-test-XXXXXX";
        if (::mkdtemp(pattern.data()))
            native = pattern;
    }
    ~ShmFolder() {
        std::error_code ec;
        if (!native.empty())
            fs::remove_all(native, ec);
    }
    ShmFolder(const ShmFolder&) = delete;
    ShmFolder& operator=(const ShmFolder&) = delete;
    std::string native;
};

// SORVANTA_WRITER_TRIES=n runs n tries instead of a few (a longer soak); SORVANTA_WRITER_DEBUG=1
// shows what each run wrote to standard error (its notes and answered boxes).
int Tries() {
    const char* text = std::getenv("SORVANTA_WRITER_TRIES");
    const int tries = text ? std::atoi(text) : 0;
    return tries > 0 ? tries : 4;
}

} // namespace

class TestMovesUnderWriters final : public QObject {
    Q_OBJECT

private slots:
    void NoByteIsLostWhileAnotherUserWritesIntoWhatIsMoved() {
        struct stat tmp {};
        struct stat shm {};
        if (::stat(fs::temp_directory_path().c_str(), &tmp) != 0 || ::stat("/dev/shm", &shm) != 0 ||
            tmp.st_dev == shm.st_dev)
            QSKIP("/dev/shm is on the same file system as the temporary folder");
        if (::geteuid() != 0)
            QSKIP("a writer under another user id needs the tests to run as root");
        const int tries = Tries();
        int raced = 0;
        int intoRemoved = 0;
        int moved = 0;
        for (int attempt = 0; attempt < tries && !QTest::currentTestFailed(); ++attempt)
            Try(attempt, raced, intoRemoved, moved);
        qInfo(
            "%d tries; %d files moved; %d last writes in flight when their file was removed (%d of them seen "
            "by the writer)",
            tries, moved, raced, intoRemoved);
    }

private:
    void Try(int attempt, int& raced, int& intoRemoved, int& moved) {
        sv::testing::TempFolder dir;
        ShmFolder shm;
        QVERIFY(!shm.native.empty());
        const std::string program = dir.NativeFile("sorvanta");
        fs::copy_file(SORVANTA_EXE, program);
        fs::permissions(program, fs::perms::owner_exec, fs::perm_options::add);
        // The other user reaches the source folders, and they are theirs.
        QCOMPARE(::chmod(dir.Native().c_str(), 0755), 0);
        const std::string source = dir.NativeFile("src");
        const std::string dest = shm.native + "/dst";
        fs::create_directories(source + "/" + kFolder + "/sub");
        fs::create_directories(dest);

        // Files: the moved file, then the folder's, then names the writer may save into it.
        std::vector<std::string> relative = {kFile, kFolder + "/big.bin"};
        for (int i = 0; i < 6; ++i)
            relative.push_back(kFolder + (i % 2 ? "/sub" : "") + "/small-" + std::to_string(i) + ".txt");
        const std::size_t firstNew = relative.size();
        while (relative.size() < kMaxFiles)
            relative.push_back(kFolder + (relative.size() % 3 ? "" : "/sub") + "/arrived-" +
                               std::to_string(relative.size()) + ".txt");
        std::array<Written, kMaxFiles> start{};
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < relative.size(); ++i) {
            paths.push_back(source + "/" + relative[i]);
            if (i >= firstNew)
                continue;
            const std::uint64_t size = i < 2 ? (24u << 20) + i : 3000 + 100 * i;
            WriteNative(paths[i], Pattern(i, size));
            start[i] = {size, size, 0, 1};
        }
        for (const auto& entry : fs::recursive_directory_iterator(source))
            QCOMPARE(::lchown(entry.path().c_str(), kWriterUser, kWriterUser), 0);
        QCOMPARE(::chown(source.c_str(), kWriterUser, kWriterUser), 0);

        sv::TConditionFields fields;
        fields.keywords = "abc";
        fields.destFolder = sv::FromNativePath(dest);
        fields.includeFolders = true;
        sv::TSortCondition condition;
        QVERIFY(sv::ComposeCondition(fields, condition).ok());
        dir.WriteBytes("Condition.txt",
                       Sjis(condition.keywordText) + "\r\n" + Sjis(condition.destText) + "\r\n");
        // FileUsing off: only the transfer's own checks stand between the writer and a loss.
        dir.WriteBytes("Sorvanta.ini",
                       Sjis("[Path]\r\nSource=" + sv::FromNativePath(source) +
                            "\r\n[Condition]\r\nFileUsing=0\r\nMakeFolder=1\r\nFileComp=0\r\n"));

        std::array<Written, kMaxFiles> written{};
        {
            LoopingWriter writer(paths, start, firstNew, 7919u * static_cast<unsigned>(attempt + 1));
            QVERIFY(writer.Started());
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            process.setProcessEnvironment(env);
            process.start(QString::fromStdString(program), {QStringLiteral("/a")});
            const bool finished = process.waitForFinished(90000);
            if (!finished)
                process.kill();
            QVERIFY(writer.Stop(written));
            QVERIFY(finished);
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 0);
            if (std::getenv("SORVANTA_WRITER_DEBUG"))
                qInfo("%s", process.readAllStandardError().constData());
        }

        // Every file the writer made or wrote is in one place, with every byte written to it; only
        // writes seen to have gone into the file as it was removed may be missing from a moved file.
        for (std::size_t i = 0; i < relative.size(); ++i) {
            const Written& file = written[i];
            if (i >= firstNew && file.length == 0 && !fs::exists(paths[i]) &&
                !fs::exists(dest + "/" + relative[i]))
                continue; // never saved
            const std::string inSource = paths[i];
            const std::string inDest = dest + "/" + relative[i];
            const bool atSource = fs::exists(inSource);
            const bool atDest = fs::exists(inDest);
            QVERIFY2(atSource != atDest, relative[i].c_str());
            const std::string bytes = ReadNative(atSource ? inSource : inDest);
            const bool whole = bytes.size() == file.length;
            const bool inFlight = !atSource && bytes.size() >= file.safeLength && bytes.size() < file.length;
            QVERIFY2(whole || inFlight, (relative[i] + ": " + std::to_string(bytes.size()) + " of " +
                                         std::to_string(file.length) + " bytes, " +
                                         std::to_string(file.safeLength) + " seen safe")
                                            .c_str());
            QVERIFY2(bytes == Pattern(i, bytes.size()), relative[i].c_str());
            raced += whole ? 0 : 1;
            intoRemoved += static_cast<int>(file.intoRemoved);
            moved += atDest ? 1 : 0;
        }
        // No temporary of a copy is left anywhere.
        for (const std::string& top : {source, dest}) {
            for (const auto& entry : fs::recursive_directory_iterator(top))
                QVERIFY2(entry.path().filename().string().rfind(".sorvanta-transfer-", 0) != 0,
                         entry.path().c_str());
        }
    }
};

QTEST_GUILESS_MAIN(TestMovesUnderWriters)
#include "test_moves_under_writers.moc"
