// Regional settings: the clock style, separators, markers, month and day
// names and the short and long date patterns that date formats 17 and 18 and
// time formats 7 and 8 follow.
//
// On this platform there is no desktop "intl" section to read. The settings
// start from the defaults below and may be changed by the [intl] and [names]
// sections of the environment file next to the program (environment.h). They
// are loaded once, at the first use of a date, time or picture service, and
// do not change afterwards except through SetRegional at start-up or in tests.
//
// Date patterns use the desktop's notation: d dd (day), ddd dddd (weekday
// abbreviation, name), M MM (month), MMM MMMM (month abbreviation, name),
// yy yyyy (year), text in single quotes as it stands, '' a quote; any other
// character stands for itself.
#pragma once

#include <array>
#include <string>

namespace kavo {

struct RegionalSettings {
  bool clock24 = false;                                // "iTime": 24-hour clock
  bool hour_leading_zero = true;                       // "iTLzero"
  std::string time_separator = ":";                    // "sTime"
  std::string am = "AM";                               // "s1159", at most 2 characters
  std::string pm = "PM";                               // "s2359", at most 2 characters
  std::string short_date = "MM/dd/yy";                 // "sShortDate"
  std::string long_date = "ddd', 'MMMM' 'dd', 'yyyy";  // "sLongDate"
  std::array<std::string, 12> month_names = {"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
  std::array<std::string, 12> month_abbreviations = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 7> day_names = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  std::array<std::string, 7> day_abbreviations = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
};

// The process's settings: loaded with the environment at first use.
const RegionalSettings& Regional();

// Replaces the process's settings. For start-up and tests: call it before any
// other thread formats a date or time.
void SetRegional(const RegionalSettings& settings);

}  // namespace kavo
