// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace sv {

// A file whose last change (content or entry) is this recent counts as in use when nobody can tell.
inline constexpr int kRecentChangeSeconds = 10;

// True when some process (this one included) holds the file open for writing. For a file this is
// asked of the kernel through a read lease (a few microseconds); where that is not possible (a
// folder, a file of another user, a file system without leases) IsOpenForWritingByAnyProcess
// answers. When that walk could not look at every process (those of other users), a file that
// changed within the last kRecentChangeSeconds counts as in use: what cannot be told is not
// taken as free. For a folder: some file inside it is open for writing.
bool IsInUseForWriting(std::string_view pathText);

// The same test for many files in a row, as a run asks it: whether the lease may be used is settled
// once, so that a file costs its open, two fcntl calls and the close.
class InUseProbe final {
public:
    InUseProbe();
    bool IsInUseForWriting(std::string_view pathText) const;

private:
    bool m_leaseUsable;
};

// Whether the entry's content or entry changed within the last kRecentChangeSeconds (or carries a
// time ahead of the clock).
bool ChangedRecently(std::string_view pathText);

// The same question answered from /proc/*/fd and /proc/*/fdinfo: always available but it visits
// every descriptor of every process (milliseconds). `complete` receives whether every process
// could be looked at; those of other users cannot, and count as not holding the file.
bool IsOpenForWritingByAnyProcess(std::string_view pathText, bool* complete = nullptr);

} // namespace sv
