// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"

#include <algorithm>

namespace sv {
namespace {

ScopedFixedClock* g_fixedClock = nullptr;

LocalDateTime FromTm(const std::tm& tm) {
    return LocalDateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

} // namespace

ScopedFixedClock::ScopedFixedClock(const LocalDateTime& fixed) : m_fixed(fixed), m_previous(g_fixedClock) {
    g_fixedClock = this;
}

ScopedFixedClock::~ScopedFixedClock() {
    g_fixedClock = m_previous;
}

void ScopedFixedClock::Set(const LocalDateTime& fixed) {
    m_fixed = fixed;
}

LocalDateTime Now() {
    if (g_fixedClock)
        return g_fixedClock->m_fixed;
    return ToLocal(std::time(nullptr));
}

LocalDateTime ToLocal(std::time_t time) {
    std::tm tm{};
    if (!::localtime_r(&time, &tm))
        return LocalDateTime{};
    return FromTm(tm);
}

LocalDateTime ToLocal(const FileTime& time) {
    return ToLocal(static_cast<std::time_t>(time.seconds));
}

std::int64_t EpochSeconds(const LocalDateTime& time) {
    std::tm tm{};
    tm.tm_year = time.year - 1900;
    tm.tm_mon = time.month - 1;
    tm.tm_mday = time.day;
    tm.tm_hour = time.hour;
    tm.tm_min = time.minute;
    tm.tm_sec = time.second;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0))
        return 29;
    return kDays[(month - 1) % 12];
}

std::uint32_t PackedDateTime(const LocalDateTime& time) {
    if (time.year < 1980)
        return (1U << 21) | (1U << 16); // 1980-01-01 00:00:00
    const auto year = static_cast<std::uint32_t>(std::min(time.year, 2107) - 1980);
    return (year << 25) | (static_cast<std::uint32_t>(time.month) << 21) |
           (static_cast<std::uint32_t>(time.day) << 16) | (static_cast<std::uint32_t>(time.hour) << 11) |
           (static_cast<std::uint32_t>(time.minute) << 5) | (static_cast<std::uint32_t>(time.second) / 2);
}

} // namespace sv
