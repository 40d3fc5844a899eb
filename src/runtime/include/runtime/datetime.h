// Day numbers, time numbers and the calendar between them.
//
// A date is a signed 32-bit count of days since 28 December 1800: 1 January
// 1801 is day 4 and 31 December 9999 is day 2994626; 0 means "no date". A
// time is hundredths of a second since midnight plus one: midnight is 1 and
// 23:59:59.99 is 8640000; 0 means "no time". The calendar is Gregorian over
// the whole range. Every function here is pure except Today(), Clock() and
// CurrentYear(), which read the local clock.
//
// Two-digit years are expanded by the century rule: the result is the year
// ending in those two digits that lies in the hundred years starting at
// (current year - window). The current year is read once per run.
#pragma once

#include <cstdint>

namespace kavo {

inline constexpr int32_t kFirstDate = 4;       // 1 January 1801
inline constexpr int32_t kLastDate = 2994626;  // 31 December 9999
inline constexpr int32_t kFirstTime = 1;       // 00:00:00.00
inline constexpr int32_t kLastTime = 8640000;  // 23:59:59.99
inline constexpr int kFirstYear = 1801;
inline constexpr int kLastYear = 9999;
inline constexpr int kDefaultCenturyWindow = 80;

struct DateParts {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
};

struct TimeParts {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  int hundredths = 0;
};

bool IsLeapYear(int year);

// Days in month (1..12) of year; 0 for a month out of range.
int DaysInMonth(int year, int month);

// The century rule for a two-digit year (0..99) with window 0..99 against a
// given current year. Values outside 0..99 are returned unchanged.
int ExpandYear(int two_digit_year, int window, int current_year);

// The same against CurrentYear().
int ExpandYear(int two_digit_year, int window = kDefaultCenturyWindow);

// The local clock's year, read at the first call and kept for the run.
int CurrentYear();

// Day number of year/month/day, or -1 when the date does not exist or lies
// outside 1801..9999. A year below 100 is expanded with the default window.
int32_t DateFromParts(int year, int month, int day);

// Year, month and day of a day number. Returns false (parts all 0) outside
// kFirstDate..kLastDate.
bool DateToParts(int32_t date, DateParts* parts);

// Time number of the parts, -1 when hours > 23, minutes or seconds > 59,
// hundredths > 99 or any part is negative. All four zero gives 0 (no time);
// use kFirstTime for midnight itself.
int32_t TimeFromParts(int hours, int minutes, int seconds, int hundredths);

// Parts of a time number. Returns false (parts all 0) outside
// kFirstTime..kLastTime.
bool TimeToParts(int32_t time, TimeParts* parts);

// Day of the week: 0 Sunday .. 6 Saturday (day 4, 1 January 1801, is a
// Thursday). Defined for every day number, also outside the valid range.
int DayOfWeek(int32_t date);

// The local date as a day number and the local time as a time number.
int32_t Today();
int32_t Clock();

}  // namespace kavo
