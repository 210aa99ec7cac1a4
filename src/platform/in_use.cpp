// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/in_use.h"

#include "platform/posix_util.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace sv {

using detail::CanonicalPath;
using detail::DirGuard;
using detail::FdGuard;
using detail::NativeOf;

namespace {

// The access mode from /proc/<pid>/fdinfo/<fd>: "flags:\t0100002".
bool OpenForWriting(int fdinfoFolder, const char* fdName) {
    const int fd = ::openat(fdinfoFolder, fdName, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[512];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return false;
    text[n] = 0;
    const char* flags = std::strstr(text, "flags:");
    if (!flags)
        return false;
    const unsigned long value = std::strtoul(flags + 6, nullptr, 8);
    return (value & O_ACCMODE) == O_WRONLY || (value & O_ACCMODE) == O_RDWR;
}

enum class LeaseAnswer { InUse, Free, Unknown };

// A writer that opens the file while we hold a lease makes the kernel signal us; SIGURG is ignored
// by default, so the lease is only used while nobody has taken that signal over.
bool LeaseSignalFree() {
    struct sigaction current {};
    return ::sigaction(SIGURG, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
           (current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN);
}

// The kernel refuses a read lease on a file that any process holds open for writing, and on
// anything but a regular file: one open and two fcntl calls instead of a walk over every descriptor
// of every process. Closing the descriptor gives the lease back.
LeaseAnswer AskByLease(const std::string& native) {
    FdGuard fd(::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0 || ::fcntl(fd.get(), F_SETSIG, SIGURG) != 0)
        return LeaseAnswer::Unknown;
    if (::fcntl(fd.get(), F_SETLEASE, F_RDLCK) == 0)
        return LeaseAnswer::Free;
    return errno == EAGAIN ? LeaseAnswer::InUse : LeaseAnswer::Unknown;
}

std::int64_t SystemNow() {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec;
}

// Where the lease could not answer and the walk over /proc found no writer but could not look at
// every process (another user's download service, say): "not seen" is not "free" for a file that
// changed within the quiet time.
bool QuietTimeSaysInUse(std::string_view pathText, int quietSeconds,
                        const std::function<std::int64_t()>& now) {
    return quietSeconds > 0 && ChangedWithin(pathText, quietSeconds, now ? now() : SystemNow());
}

bool InUseAfterLease(std::string_view pathText, LeaseAnswer answer, int quietSeconds,
                     const std::function<std::int64_t()>& now) {
    switch (answer) {
    case LeaseAnswer::InUse:
        return true;
    case LeaseAnswer::Free:
        return false;
    case LeaseAnswer::Unknown:
        break;
    }
    bool complete = false;
    if (IsOpenForWritingByAnyProcess(pathText, &complete))
        return true;
    return !complete && QuietTimeSaysInUse(pathText, quietSeconds, now);
}

} // namespace

bool IsInUseForWriting(std::string_view pathText, int quietSeconds) {
    return InUseAfterLease(pathText,
                           LeaseSignalFree() ? AskByLease(NativeOf(pathText)) : LeaseAnswer::Unknown,
                           quietSeconds, {});
}

InUseProbe::InUseProbe(int quietSeconds) : m_leaseUsable(LeaseSignalFree()), m_quietSeconds(quietSeconds) {}

bool InUseProbe::IsInUseForWriting(std::string_view pathText) const {
    return InUseAfterLease(pathText, m_leaseUsable ? AskByLease(NativeOf(pathText)) : LeaseAnswer::Unknown,
                           m_quietSeconds, m_now);
}

bool InUseProbe::IsInUseUnseen(std::string_view pathText) const {
    switch (m_leaseUsable ? AskByLease(NativeOf(pathText)) : LeaseAnswer::Unknown) {
    case LeaseAnswer::InUse:
        return true;
    case LeaseAnswer::Free:
        return false;
    case LeaseAnswer::Unknown:
        break;
    }
    return QuietTimeSaysInUse(pathText, m_quietSeconds, m_now);
}

bool ChangedWithin(std::string_view pathText, int seconds, std::int64_t nowSeconds) {
    struct stat st {};
    if (::stat(NativeOf(pathText).c_str(), &st) != 0)
        return false;
    if (nowSeconds < 0)
        nowSeconds = SystemNow();
    const std::int64_t latest = std::max<std::int64_t>(st.st_mtim.tv_sec, st.st_ctim.tv_sec);
    // A time ahead of the clock (a writer on another machine) counts as recent too.
    return latest > nowSeconds - seconds;
}

bool IsOpenForWritingByAnyProcess(std::string_view pathText, bool* complete) {
    if (complete)
        *complete = true;
    const std::string canonical = CanonicalPath(NativeOf(pathText));
    if (canonical.empty())
        return false;
    struct stat st {};
    const bool folder = ::stat(canonical.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    const std::string prefix = canonical == "/" ? canonical : canonical + "/";

    DIR* proc = ::opendir("/proc");
    if (!proc)
        return false;
    DirGuard procGuard(proc);
    std::string link(4096, '\0');
    while (const dirent* process = ::readdir(proc)) {
        if (process->d_name[0] < '1' || process->d_name[0] > '9')
            continue;
        const std::string base = std::string("/proc/") + process->d_name;
        const int fdFolder = ::open((base + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fdFolder < 0) {
            // A process of another user, or one that just ended: only the first is a blind spot.
            if (complete && errno != ENOENT)
                *complete = false;
            continue;
        }
        FdGuard fdGuard(fdFolder);
        DIR* fds = ::fdopendir(fdGuard.release());
        if (!fds) {
            continue;
        }
        DirGuard fdsGuard(fds);
        int fdinfoFolder = -1;
        while (const dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] < '0' || fd->d_name[0] > '9')
                continue;
            const ssize_t n = ::readlinkat(::dirfd(fds), fd->d_name, link.data(), link.size());
            if (n <= 0 || link[0] != '/')
                continue;
            const std::string_view target(link.data(), static_cast<std::size_t>(n));
            const bool match = folder ? target.substr(0, prefix.size()) == prefix : target == canonical;
            if (!match)
                continue;
            if (fdinfoFolder < 0)
                fdinfoFolder = ::open((base + "/fdinfo").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fdinfoFolder >= 0 && OpenForWriting(fdinfoFolder, fd->d_name)) {
                ::close(fdinfoFolder);
                return true;
            }
        }
        if (fdinfoFolder >= 0)
            ::close(fdinfoFolder);
    }
    return false;
}

} // namespace sv
