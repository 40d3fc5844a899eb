#include "runtime/datetime.h"

#include <chrono>

#include <gtest/gtest.h>

namespace kavo {
namespace {

using namespace std::chrono;

// Days from 1970-01-01 of the proleptic Gregorian date, by the standard
// library's calendar: an independent computation of the same calendar.
int64_t CivilDays(int y, int m, int d) {
  return sys_days(year_month_day(year(y), month(static_cast<unsigned>(m)),
                                 day(static_cast<unsigned>(d))))
      .time_since_epoch()
      .count();
}

TEST(Calendar, EveryDayRoundTripsAndAgreesWithProlepticGregorian) {
  const int64_t offset = CivilDays(1801, 1, 1) - kFirstDate;
  int64_t mismatches = 0;
  for (int32_t n = kFirstDate; n <= kLastDate; ++n) {
    DateParts p;
    if (!DateToParts(n, &p)) {
      ++mismatches;
      continue;
    }
    year_month_day expected{sys_days{days{n + offset}}};
    if (p.year != static_cast<int>(expected.year()) ||
        p.month != static_cast<int>(static_cast<unsigned>(expected.month())) ||
        p.day != static_cast<int>(static_cast<unsigned>(expected.day())) ||
        DateFromParts(p.year, p.month, p.day) != n) {
      if (++mismatches < 5) ADD_FAILURE() << "day " << n;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(Calendar, RangeEnds) {
  EXPECT_EQ(DateFromParts(1801, 1, 1), 4);
  EXPECT_EQ(DateFromParts(9999, 12, 31), 2994626);
  EXPECT_EQ(DateFromParts(1800, 12, 31), -1);
  EXPECT_EQ(DateFromParts(10000, 1, 1), -1);
  EXPECT_EQ(DateFromParts(150, 1, 1), -1);
  DateParts p;
  EXPECT_FALSE(DateToParts(3, &p));
  EXPECT_EQ(p.year, 0);
  EXPECT_FALSE(DateToParts(2994627, &p));
  EXPECT_FALSE(DateToParts(0, &p));
  EXPECT_FALSE(DateToParts(-5, &p));
  ASSERT_TRUE(DateToParts(4, &p));
  EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, 18010101);
}

TEST(Calendar, LeapYearsAndMonthLimits) {
  EXPECT_EQ(DateFromParts(1900, 2, 29), -1);
  EXPECT_GT(DateFromParts(2000, 2, 29), 0);
  EXPECT_EQ(DateFromParts(2000, 2, 29) + 1, DateFromParts(2000, 3, 1));
  EXPECT_EQ(DateFromParts(2024, 2, 29) + 1, DateFromParts(2024, 3, 1));
  EXPECT_EQ(DateFromParts(2023, 2, 29), -1);
  EXPECT_EQ(DateFromParts(2023, 4, 31), -1);
  EXPECT_EQ(DateFromParts(2023, 0, 1), -1);
  EXPECT_EQ(DateFromParts(2023, 13, 1), -1);
  EXPECT_EQ(DateFromParts(2023, 1, 0), -1);
  EXPECT_EQ(DateFromParts(2023, 1, -3), -1);
  EXPECT_EQ(DaysInMonth(2023, 0), 0);
}

TEST(Calendar, DayOfWeekCountsFromSundayAtMultiplesOfSeven) {
  EXPECT_EQ(DayOfWeek(4), 4);                           // 1 January 1801, Thursday
  EXPECT_EQ(DayOfWeek(DateFromParts(2026, 12, 8)), 2);  // a Tuesday
  EXPECT_EQ(DayOfWeek(7), 0);
  EXPECT_EQ(DayOfWeek(-1), 6);  // never negative
}

TEST(CenturyRule, DefaultWindowExamples) {
  EXPECT_EQ(ExpandYear(17, 80, 1997), 1917);
  EXPECT_EQ(ExpandYear(16, 80, 1997), 2016);
  EXPECT_EQ(ExpandYear(46, 80, 2026), 1946);
  EXPECT_EQ(ExpandYear(45, 80, 2026), 2045);
  EXPECT_EQ(ExpandYear(26, 80, 2026), 2026);
}

TEST(CenturyRule, EveryWindowGivesTheHundredYearsBeforeAndAfter) {
  for (int current : {1997, 2000, 2026, 2099}) {
    for (int window = 0; window <= 99; ++window) {
      for (int yy = 0; yy <= 99; ++yy) {
        int year = ExpandYear(yy, window, current);
        EXPECT_EQ(year % 100, yy);
        EXPECT_GE(year, current - window) << current << " " << window << " " << yy;
        EXPECT_LE(year, current - window + 99) << current << " " << window << " " << yy;
      }
    }
  }
  EXPECT_EQ(ExpandYear(1995, 80, 2026), 1995);  // not a two-digit year
}

TEST(CenturyRule, TwoDigitYearsInDatesUseTheCurrentYearWithWindow80) {
  int yy = CurrentYear() % 100;
  EXPECT_EQ(DateFromParts(yy, 6, 1), DateFromParts(CurrentYear(), 6, 1));
  EXPECT_EQ(DateFromParts((yy + 20) % 100, 6, 1),
            DateFromParts(ExpandYear((yy + 20) % 100, 80), 6, 1));
}

TEST(Time, EndsAndParts) {
  EXPECT_EQ(TimeFromParts(0, 0, 0, 1), 2);
  EXPECT_EQ(TimeFromParts(23, 59, 59, 99), kLastTime);
  EXPECT_EQ(TimeFromParts(0, 0, 0, 0), 0);
  EXPECT_EQ(TimeFromParts(24, 0, 0, 0), -1);
  EXPECT_EQ(TimeFromParts(1, 60, 0, 0), -1);
  EXPECT_EQ(TimeFromParts(1, 0, 60, 0), -1);
  EXPECT_EQ(TimeFromParts(1, 0, 0, 100), -1);
  EXPECT_EQ(TimeFromParts(-1, 0, 0, 0), -1);
  TimeParts p;
  ASSERT_TRUE(TimeToParts(1, &p));
  EXPECT_EQ(p.hours + p.minutes + p.seconds + p.hundredths, 0);
  ASSERT_TRUE(TimeToParts(kLastTime, &p));
  EXPECT_EQ(p.hours * 1000000 + p.minutes * 10000 + p.seconds * 100 + p.hundredths, 23595999);
  EXPECT_FALSE(TimeToParts(kLastTime + 1, &p));
  EXPECT_EQ(p.hours, 0);
  EXPECT_FALSE(TimeToParts(0, &p));
}

TEST(Time, EveryHundredthRoundTrips) {
  for (int32_t t = 2; t <= kLastTime; ++t) {
    TimeParts p;
    ASSERT_TRUE(TimeToParts(t, &p));
    ASSERT_EQ(TimeFromParts(p.hours, p.minutes, p.seconds, p.hundredths), t);
  }
}

TEST(Clock, TodayAndClockAreInRange) {
  int32_t today = Today();
  EXPECT_GE(today, DateFromParts(2020, 1, 1));
  EXPECT_LE(today, kLastDate);
  int32_t now = Clock();
  EXPECT_GE(now, kFirstTime);
  EXPECT_LE(now, kLastTime);
  DateParts p;
  ASSERT_TRUE(DateToParts(today, &p));
  EXPECT_LE(p.year - CurrentYear(), 1);  // the year is read once and kept
}

}  // namespace
}  // namespace kavo
