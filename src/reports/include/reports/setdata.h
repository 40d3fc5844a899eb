// The period dialog SETDATA without its window: the first-use defaults and
// the outcome. The dialog edits D1, D2 and ZAGOL in place, so a second call
// in the same run shows the period and title chosen the first time.
//
// REQUIRES: the window thread (ZAGOL is written there only).
#pragma once

#include <cstdint>

namespace kavo::reports {

// Today's date as a day number. The program reads the system clock; tests
// set a day of their own.
class TodayService {
 public:
  virtual ~TodayService() = default;
  virtual int32_t Today() = 0;
};

// The system clock's service.
TodayService& SystemToday();

// The days before today that the first proposed period starts.
inline constexpr int32_t kDefaultPeriodDays = 30;

// Steps before the window opens: saves and clears GlobalRequest, clears
// GlobalResponse and, when D2 is 0 (first use in this run), proposes the
// period from 30 days before today to today. The request is not given back
// to the caller: no caller of the dialog reads it afterwards.
void SETDATAStart(TodayService& today);

// After the window has closed (by "OK" or its close box alike): GlobalResponse
// is 2, whatever was chosen.
void SETDATAEnd();

}  // namespace kavo::reports
