// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace sv {

// How long a file must have been unchanged before it counts as free where nobody can tell whether
// it is open for writing (the default of the user's setting: ten minutes).
inline constexpr int kDefaultQuietSeconds = 600;

// True when some process (this one included) holds the file open for writing. For a file this is
// asked of the kernel through a read lease (a few microseconds), which answers exactly for a file
// of this process's user and for any file when it runs as root. Where the lease cannot be had (a
// folder, a file of another user, a file system without leases) IsOpenForWritingByAnyProcess
// answers; when that walk could not look at every process (those of other users), a file whose
// content or entry changed within the last `quietSeconds` counts as in use: what cannot be told is
// not taken as free. A download service of its own user may pause for minutes in the middle of a
// file. For a folder: some file inside it is open for writing.
bool IsInUseForWriting(std::string_view pathText, int quietSeconds = kDefaultQuietSeconds);

// The same test for many files in a row, as a run asks it: whether the lease may be used is settled
// once, so that a file costs its open, two fcntl calls and the close; the walk and the look at the
// file's times come only where the lease could not answer.
class InUseProbe final {
public:
    explicit InUseProbe(int quietSeconds = kDefaultQuietSeconds);
    bool IsInUseForWriting(std::string_view pathText) const;
    // For a file of a folder that IsOpenForWritingByAnyProcess has just walked without finding a
    // writer but could not look at every process: the lease, or else the quiet time. Spares a
    // walk per file when every file of a folder is asked.
    bool IsInUseUnseen(std::string_view pathText) const;
    // The wall clock (seconds since the epoch) the quiet time is measured on; tests set one,
    // since a file's change time cannot be set back.
    void SetClock(std::function<std::int64_t()> nowSeconds) { m_now = std::move(nowSeconds); }

private:
    bool m_leaseUsable;
    int m_quietSeconds;
    std::function<std::int64_t()> m_now;
};

// Whether the entry's content or entry changed within `seconds` before `nowSeconds` (seconds since
// the epoch), or carries a time ahead of it. Without a time the system clock is used.
bool ChangedWithin(std::string_view pathText, int seconds, std::int64_t nowSeconds = -1);

// The same question answered from /proc/*/fd and /proc/*/fdinfo: always available but it visits
// every descriptor of every process (milliseconds). `complete` receives whether every process
// could be looked at; those of other users cannot, and count as not holding the file.
bool IsOpenForWritingByAnyProcess(std::string_view pathText, bool* complete = nullptr);

} // namespace sv
