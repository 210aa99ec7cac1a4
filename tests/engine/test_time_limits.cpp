// SPDX-License-Identifier: GPL-3.0-or-later
// The time-stamp limits: the moments the rows stand for, and a run that leaves alone what they name.
#include "engine/entry_filter.h"
#include "platform/clock.h"
#include "run_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {
namespace {

using Strings = std::vector<std::string>;

// The local time zone of the test, the process's one back afterwards.
class ScopedZone final {
public:
    explicit ScopedZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            m_saved = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedZone() {
        if (m_saved)
            ::setenv("TZ", m_saved->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

private:
    std::optional<std::string> m_saved;
};

TConditionFields DateRow(int row, int year, int month, int day, int relation) {
    TConditionFields f;
    f.dateLimits[static_cast<std::size_t>(row)] = {true, year, month, day, static_cast<TimeSide>(relation)};
    return f;
}

TConditionFields AgeRow(int row, int count, int term, int relation) {
    TConditionFields f;
    f.ageLimits[static_cast<std::size_t>(row)] = {true, count, static_cast<AgeTerm>(term),
                                                  static_cast<TimeSide>(relation)};
    return f;
}

bool Excludes(const TConditionFields& f, const LocalDateTime& start, std::int64_t seconds,
              std::int32_t nanoseconds = 0) {
    return TimeRulesExclude(TimeRulesOf(f, start), FileTime{seconds, nanoseconds});
}

constexpr LocalDateTime kStart{2024, 3, 31, 12, 0, 0};

TEST(TimeLimits, ADateRowIsTheStartOfItsDayToTheSecond) {
    const ScopedZone zone("JST-9");
    const std::int64_t midnight = 1710082800; // 2024-03-11 00:00:00 in Japan
    const TConditionFields before = DateRow(0, 2024, 3, 11, 0);
    const TConditionFields after = DateRow(1, 2024, 3, 11, 1);
    EXPECT_TRUE(Excludes(before, kStart, midnight - 1));
    EXPECT_TRUE(Excludes(before, kStart, midnight));
    EXPECT_FALSE(Excludes(before, kStart, midnight + 1));
    EXPECT_FALSE(Excludes(after, kStart, midnight - 1));
    EXPECT_TRUE(Excludes(after, kStart, midnight));
    EXPECT_TRUE(Excludes(after, kStart, midnight + 1));
    // Within the second of the moment counts as at it, for both relations.
    EXPECT_TRUE(Excludes(before, kStart, midnight, 999'999'999));
    EXPECT_TRUE(Excludes(after, kStart, midnight, 500'000'000));
    EXPECT_FALSE(Excludes(after, kStart, midnight - 1, 999'999'999));
    // Unticked rows name nothing.
    TConditionFields off = before;
    off.dateLimits[0].on = false;
    EXPECT_TRUE(TimeRulesOf(off, kStart).empty());
    EXPECT_FALSE(Excludes(off, kStart, midnight));
}

TEST(TimeLimits, AgeRowsCountDaysAndWeeksInHoursAndMonthsOnTheCalendar) {
    // Summer time began at 2:00 on 31 March 2024 here: a day back is 24 hours, not the same hour.
    const ScopedZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const std::int64_t start = 1711879200; // 2024-03-31 12:00:00 CEST
    ASSERT_EQ(EpochSeconds(kStart), start);
    const auto moment = [](const TConditionFields& f, const LocalDateTime& from) {
        const auto rules = TimeRulesOf(f, from);
        return rules.size() == 1 ? rules[0].moment : -1;
    };
    EXPECT_EQ(moment(AgeRow(0, 1, 0, 0), kStart), start - 86400);
    EXPECT_EQ(moment(AgeRow(0, 0, 0, 0), kStart), start);
    EXPECT_EQ(moment(AgeRow(1, 2, 1, 1), kStart), start - 14 * 86400);
    // 31 March less one month is the last day of February at the same time: 29th in a leap year.
    EXPECT_EQ(moment(AgeRow(0, 1, 2, 0), kStart), EpochSeconds({2024, 2, 29, 12, 0, 0}));
    EXPECT_EQ(moment(AgeRow(0, 1, 2, 0), kStart), 1709204400);
    EXPECT_EQ(moment(AgeRow(0, 1, 2, 0), {2023, 3, 31, 8, 30, 15}), EpochSeconds({2023, 2, 28, 8, 30, 15}));
    EXPECT_EQ(moment(AgeRow(0, 13, 2, 0), kStart), EpochSeconds({2023, 2, 28, 12, 0, 0}));
    EXPECT_EQ(moment(AgeRow(0, 3, 2, 0), {2024, 1, 15, 0, 0, 0}), EpochSeconds({2023, 10, 15, 0, 0, 0}));
    EXPECT_EQ(moment(AgeRow(0, 12, 2, 0), {2024, 1, 15, 0, 0, 0}), EpochSeconds({2023, 1, 15, 0, 0, 0}));

    // "Leave alone what was written within the last day".
    const TConditionFields recent = AgeRow(0, 1, 0, 1);
    EXPECT_TRUE(Excludes(recent, kStart, start - 86400));
    EXPECT_FALSE(Excludes(recent, kStart, start - 86401));
    EXPECT_TRUE(Excludes(recent, kStart, start + 3600)); // ahead of the clock is recent too
    const TConditionFields old = AgeRow(1, 1, 2, 0);
    EXPECT_TRUE(Excludes(old, kStart, 1709204400));
    EXPECT_FALSE(Excludes(old, kStart, 1709204401));
}

TEST(TimeLimits, CombinedRowsLeaveAloneWhatAnyOfThemNames) {
    const ScopedZone zone("UTC0");
    // Sorted only between 1 March 2024 and a week before the start.
    TConditionFields f = DateRow(0, 2024, 3, 1, 0);
    f.ageLimits[1] = {true, 1, AgeTerm::Weeks, TimeSide::AtOrAfter};
    const std::int64_t march = 1709251200;             // 2024-03-01 00:00:00
    const std::int64_t weekBack = 1711886400 - 604800; // a week before 2024-03-31 12:00:00
    EXPECT_TRUE(Excludes(f, kStart, march));
    EXPECT_FALSE(Excludes(f, kStart, march + 1));
    EXPECT_FALSE(Excludes(f, kStart, weekBack - 1));
    EXPECT_TRUE(Excludes(f, kStart, weekBack));
    // Two date rows that overlap leave nothing to sort.
    TConditionFields all = DateRow(0, 2024, 3, 1, 0);
    all.dateLimits[1] = {true, 2024, 2, 1, TimeSide::AtOrAfter};
    for (const std::int64_t t :
         std::initializer_list<std::int64_t>{0, 1706745600, march, weekBack, 4102444800})
        EXPECT_TRUE(Excludes(all, kStart, t)) << t;
}

// A run with rows: what they name stays where it is, files and folders alike, in the run and in
// the test run.
class RunTimeLimits : public testing::RunFixture {
protected:
    // Nanoseconds matter at the boundary; the fixture's stamp sets whole seconds.
    void StampNs(std::string_view rel, std::int64_t seconds, long nanoseconds) const {
        timespec times[2];
        times[0].tv_sec = static_cast<time_t>(seconds);
        times[0].tv_nsec = nanoseconds;
        times[1] = times[0];
        ASSERT_EQ(::utimensat(AT_FDCWD, N(rel).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    }

    const ScopedZone m_zone{"UTC0"};
    const ScopedFixedClock m_clock{{2024, 3, 31, 12, 0, 0}};
    static constexpr std::int64_t kNow = 1711886400;
};

TEST_F(RunTimeLimits, WhatTheRowsNameStaysAndTheRestIsSorted) {
    // Row 3: leave alone what was written within the last day.
    const std::int64_t boundary = kNow - 86400;
    Write("src/at boundary.avi");
    StampNs("src/at boundary.avi", boundary, 0);
    Write("src/within the second.avi");
    StampNs("src/within the second.avi", boundary, 999'000'000);
    Write("src/a second older.avi");
    StampNs("src/a second older.avi", boundary - 1, 999'999'999);
    Write("src/last year.avi");
    Stamp("src/last year.avi", 1672531200);
    Folder("src/new folder avi");
    Stamp("src/new folder avi", kNow - 60);
    Folder("src/old folder avi");
    Stamp("src/old folder avi", boundary - 3600);
    // Old enough to be sorted, but too big.
    Write("src/big.avi", std::string(2048, 'x'));
    Stamp("src/big.avi", boundary - 3600);
    auto f = Fields("avi", "dst");
    f.size1 = {true, "2", SizeUnit::KiloBytes, SizeRelation::AtLeast}; // 2 KB or more: not sorted
    f.includeFolders = true;
    f.ageLimits[0] = {true, 1, AgeTerm::Days, TimeSide::AtOrAfter};
    // Row 1: nothing before 2024 either.
    f.dateLimits[0] = {true, 2024, 1, 1, TimeSide::AtOrBefore};
    Add(f);
    Run();
    std::vector<std::string> rows = Rows();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Strings{"a second older.avi|  |dst", "old folder avi|　Ｆ|dst"}));
    for (const char* stays : {"src/at boundary.avi", "src/within the second.avi", "src/last year.avi",
                              "src/new folder avi", "src/big.avi"})
        EXPECT_TRUE(Has(stays)) << stays;
}

TEST_F(RunTimeLimits, ATestRunLeavesAloneWhatTheRowsName) {
    Write("src/old.avi");
    Stamp("src/old.avi", kNow - 10 * 86400);
    Write("src/new.avi");
    Stamp("src/new.avi", kNow - 3600);
    auto f = Fields("avi", "dst");
    f.ageLimits[0] = {true, 1, AgeTerm::Weeks, TimeSide::AtOrBefore}; // a week old and older: not sorted
    Add(f);
    TRunRequest request{.conditions = list, .settings = settings, .extRules = rules, .files = Disk()};
    request.sourceText = P("src");
    request.digest = digest.get();
    request.preview = true;
    PerformSortRun(request, shared, ui, box, history);
    EXPECT_EQ(Rows(), Strings{"new.avi|  |dst"});
    EXPECT_TRUE(Has("src/new.avi"));
    EXPECT_FALSE(Has("dst"));
}

} // namespace
} // namespace sv
