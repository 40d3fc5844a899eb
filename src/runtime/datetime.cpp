#include "runtime/datetime.h"

#include <sys/time.h>
#include <ctime>

namespace kavo {
namespace {

constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Leap days in the years 1..a.
int64_t LeapDays(int64_t a) {
  return a / 4 - a / 100 + a / 400;
}

// Days before 1 January of year a, plus 365: only differences matter.
int64_t YearStart(int64_t a) {
  return LeapDays(a - 1) + 365 * a;
}

bool LocalNow(struct tm* out, int* hundredths) {
  struct timeval tv;
  if (gettimeofday(&tv, nullptr) != 0) return false;
  time_t seconds = tv.tv_sec;
  if (localtime_r(&seconds, out) == nullptr) return false;
  if (hundredths != nullptr) *hundredths = static_cast<int>(tv.tv_usec / 10000);
  return true;
}

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 400 == 0 || year % 100 != 0);
}

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  if (month == 2 && IsLeapYear(year)) return 29;
  return kMonthLength[month - 1];
}

int ExpandYear(int two_digit_year, int window, int current_year) {
  if (two_digit_year < 0 || two_digit_year > 99) return two_digit_year;
  int year_in_century = current_year % 100;
  int year = current_year - year_in_century + two_digit_year;
  if (year_in_century - two_digit_year <= window - 100) {
    year -= 100;
  } else if (year_in_century - two_digit_year > window) {
    year += 100;
  }
  return year;
}

int ExpandYear(int two_digit_year, int window) {
  return ExpandYear(two_digit_year, window, CurrentYear());
}

int CurrentYear() {
  static const int year = [] {
    struct tm now;
    return LocalNow(&now, nullptr) ? now.tm_year + 1900 : 2000;
  }();
  return year;
}

int32_t DateFromParts(int year, int month, int day) {
  if (year >= 0 && year < 100) year = ExpandYear(year);
  if (year < kFirstYear || year > kLastYear) return -1;
  if (day < 1 || day > DaysInMonth(year, month)) return -1;
  int64_t n = static_cast<int64_t>(year - 1801) * 365 + kDaysBeforeMonth[month - 1] + day + 3 +
              LeapDays(year) - LeapDays(1800);
  if (month <= 2 && IsLeapYear(year)) n -= 1;
  return static_cast<int32_t>(n);
}

bool DateToParts(int32_t date, DateParts* parts) {
  *parts = DateParts{};
  if (date < kFirstDate || date > kLastDate) return false;
  int64_t k = date + YearStart(1801) - 4;
  int64_t year = k / 365;
  while (YearStart(year) > k) --year;
  int remainder = static_cast<int>(k - YearStart(year) + 1);
  int month = 1;
  while (remainder > DaysInMonth(static_cast<int>(year), month)) {
    remainder -= DaysInMonth(static_cast<int>(year), month);
    ++month;
  }
  parts->year = static_cast<int>(year);
  parts->month = month;
  parts->day = remainder;
  return true;
}

int32_t TimeFromParts(int hours, int minutes, int seconds, int hundredths) {
  if (hours < 0 || minutes < 0 || seconds < 0 || hundredths < 0) return -1;
  if (hours > 23 || minutes > 59 || seconds > 59 || hundredths > 99) return -1;
  if (hours == 0 && minutes == 0 && seconds == 0 && hundredths == 0) return 0;
  return hours * 360000 + minutes * 6000 + seconds * 100 + hundredths + 1;
}

bool TimeToParts(int32_t time, TimeParts* parts) {
  *parts = TimeParts{};
  if (time < kFirstTime || time > kLastTime) return false;
  int rest = time - 1;
  parts->hours = rest / 360000;
  rest %= 360000;
  parts->minutes = rest / 6000;
  rest %= 6000;
  parts->seconds = rest / 100;
  parts->hundredths = rest % 100;
  return true;
}

int DayOfWeek(int32_t date) {
  int r = date % 7;
  return r < 0 ? r + 7 : r;
}

int32_t Today() {
  struct tm now;
  if (!LocalNow(&now, nullptr)) return 0;
  int32_t date = DateFromParts(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
  return date < 0 ? 0 : date;
}

int32_t Clock() {
  struct tm now;
  int hundredths = 0;
  if (!LocalNow(&now, &hundredths)) return 0;
  int seconds = now.tm_sec > 59 ? 59 : now.tm_sec;  // a leap second reads as :59
  return now.tm_hour * 360000 + now.tm_min * 6000 + seconds * 100 + hundredths + 1;
}

}  // namespace kavo
