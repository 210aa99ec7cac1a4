// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace sv {
namespace {

TEST(Clock, FixedClocksNestAndRestore) {
    const LocalDateTime first{2009, 1, 23, 4, 56, 0};
    const LocalDateTime second{2010, 12, 31, 23, 59, 59};
    {
        ScopedFixedClock outer(first);
        EXPECT_EQ(Now(), first);
        {
            ScopedFixedClock inner(second);
            EXPECT_EQ(Now(), second);
            inner.Set(first);
            EXPECT_EQ(Now(), first);
        }
        EXPECT_EQ(Now(), first);
    }
    const LocalDateTime real = Now();
    EXPECT_GE(real.year, 2024);
    EXPECT_TRUE(real.month >= 1 && real.month <= 12);
}

TEST(Clock, PackedValuesHaveTwoSecondResolutionAndOrderByTime) {
    const std::uint32_t base = PackedDateTime(LocalDateTime{2009, 1, 23, 4, 56, 10});
    EXPECT_EQ(base, PackedDateTime(LocalDateTime{2009, 1, 23, 4, 56, 11}));
    EXPECT_LT(base, PackedDateTime(LocalDateTime{2009, 1, 23, 4, 56, 12}));
    EXPECT_LT(PackedDateTime(LocalDateTime{2009, 12, 31, 23, 59, 59}),
              PackedDateTime(LocalDateTime{2010, 1, 1, 0, 0, 0}));
    EXPECT_EQ(PackedDateTime(LocalDateTime{1970, 1, 1, 0, 0, 0}),
              PackedDateTime(LocalDateTime{1980, 1, 1, 0, 0, 0}));
    EXPECT_EQ(PackedDateTime(LocalDateTime{2009, 1, 23, 4, 56, 10}),
              (29U << 25) | (1U << 21) | (23U << 16) | (4U << 11) | (56U << 5) | 5U);
}

TEST(Clock, FileTimesAreShownInLocalTime) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    EXPECT_EQ(ToLocal(FileTime{1232686560, 0}), (LocalDateTime{2009, 1, 23, 13, 56, 0}));
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

} // namespace
} // namespace sv
