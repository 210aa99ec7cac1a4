// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <ctime>
// moc reads this header through the windows' headers and cannot parse the standard library's
// concepts, which <compare> brings in; the compilers need it for the defaulted <=>.
#ifndef Q_MOC_RUN
#include <compare>
#endif

namespace sv {

// A local date and time as the user reads it (month 1-12, hour 0-23).
struct LocalDateTime final {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const LocalDateTime&) const = default;
};

// A file's time stamp as the file system keeps it (seconds since the epoch, UTC, and nanoseconds).
struct FileTime final {
    std::int64_t seconds = 0;
    std::int32_t nanoseconds = 0;

    auto operator<=>(const FileTime&) const = default;
};

// The current local date and time, or the fixed one while a ScopedFixedClock lives.
LocalDateTime Now();

// Pins Now() for tests (history time stamps, trash deletion dates, time-stamp folders). Scopes
// nest: the innermost one wins and the previous one comes back when it ends.
class ScopedFixedClock final {
public:
    explicit ScopedFixedClock(const LocalDateTime& fixed);
    ~ScopedFixedClock();
    ScopedFixedClock(const ScopedFixedClock&) = delete;
    ScopedFixedClock& operator=(const ScopedFixedClock&) = delete;

    // Moves the pinned time, for tests that need time to pass.
    void Set(const LocalDateTime& fixed);

private:
    friend LocalDateTime Now();
    LocalDateTime m_fixed;
    ScopedFixedClock* m_previous = nullptr;
};

// File times in the local time zone.
LocalDateTime ToLocal(std::time_t time);
LocalDateTime ToLocal(const FileTime& time);

// The moment a local date and time names, in seconds since the epoch. A local time that a change
// of summer time skips or repeats is resolved as the C library's mktime resolves it.
std::int64_t EpochSeconds(const LocalDateTime& time);

// Days in a month of the Gregorian calendar (month 1-12).
int DaysInMonth(int year, int month);

// The packed date-time value of a directory entry on the system the data files come from: local
// time at two-second resolution (year-1980 << 25 | month << 21 | day << 16 | hour << 11 |
// minute << 5 | second / 2). Comparing these is how time stamps of same-name files are compared.
// Years before 1980 count as 1980, after 2107 as 2107.
std::uint32_t PackedDateTime(const LocalDateTime& time);
inline std::uint32_t PackedDateTime(const FileTime& time) {
    return PackedDateTime(ToLocal(time));
}

} // namespace sv
