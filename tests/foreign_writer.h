// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A process under another user id that writes one file step by step when told, as a download
// service of its own user does: open, write, pause (nothing is asked of it), write more, close.
// The child drops to the given ids before it touches the file, which needs root; a writer of the
// tests' own user stays as it is, so that test runs for anyone.

#include <cstddef>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sv::testing {

// Why a test that acts as another user skips for anyone but root: only root may start a process
// under another user id.
inline constexpr const char* kNeedsRootForOtherUser =
    "needs root to start a process under another user id (setuid in a forked child)";

inline constexpr uid_t kForeignUid = 65534; // the writer, and the owner of what it writes
inline constexpr uid_t kOtherUid = 65533;   // a user that is neither the writer nor root

class ForeignWriter final {
public:
    ForeignWriter(const std::string& native, uid_t uid) {
        int toChild[2];
        int fromChild[2];
        if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
            return;
        const std::string path = native; // prepared before the fork: the child only makes calls
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(toChild[1]);
            ::close(fromChild[0]);
            Serve(path.c_str(), uid, toChild[0], fromChild[1]);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        m_to = toChild[1];
        m_from = fromChild[0];
    }
    ~ForeignWriter() {
        if (m_to >= 0)
            ::close(m_to); // the child ends at the end of its commands
        if (m_from >= 0)
            ::close(m_from);
        if (m_pid > 0) {
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    ForeignWriter(const ForeignWriter&) = delete;
    ForeignWriter& operator=(const ForeignWriter&) = delete;

    // Each returns once the child has done it.
    bool Open() { return Command('o'); }
    bool Write() { return Command('w'); } // kChunk bytes at the end
    bool Close() { return Command('c'); }

    static constexpr std::size_t kChunk = 4096;

private:
    bool Command(char c) {
        char answer = 0;
        return m_to >= 0 && ::write(m_to, &c, 1) == 1 && ::read(m_from, &answer, 1) == 1 && answer == 'y';
    }

    [[noreturn]] static void Serve(const char* path, uid_t uid, int in, int out) {
        // A writer of the test's own user needs no change, and an ordinary user could make none.
        const bool dropped =
            uid == ::geteuid() || (::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0);
        static char chunk[kChunk];
        for (std::size_t i = 0; i < kChunk; ++i)
            chunk[i] = static_cast<char>('a' + i % 26);
        int fd = -1;
        char c = 0;
        while (::read(in, &c, 1) == 1) {
            bool ok = dropped;
            if (ok && c == 'o')
                ok = (fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) >= 0;
            else if (ok && c == 'w')
                ok = fd >= 0 && ::write(fd, chunk, kChunk) == static_cast<ssize_t>(kChunk);
            else if (ok && c == 'c')
                ok = fd >= 0 && ::close(fd) == 0;
            const char answer = ok ? 'y' : 'n';
            if (::write(out, &answer, 1) != 1)
                break;
        }
        ::_exit(0);
    }

    pid_t m_pid = -1;
    int m_to = -1;
    int m_from = -1;
};

// Runs `look` in a child process under `uid` and gives back what it returned; "no child" or
// "no user" when the child could not be had or could not become that user.
inline std::string AsOtherUser(uid_t uid, const std::function<std::string()>& look) {
    int fromChild[2];
    if (::pipe2(fromChild, O_CLOEXEC) != 0)
        return "no child";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fromChild[0]);
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0;
        const std::string text = dropped ? look() : "no user";
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(fromChild[1], text.data() + done, text.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fromChild[1]);
    if (pid < 0) {
        ::close(fromChild[0]);
        return "no child";
    }
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(fromChild[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fromChild[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return text;
}

} // namespace sv::testing
