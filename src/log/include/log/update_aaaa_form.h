// UpdateAAAA: the contact entry form as a description for the form pattern.
// Beyond the pattern it numbers an inserted contact by reservation (the
// record is added at priming, so two stations never share a number), stamps
// the UTC date and time from the station's offset in SETUP, offers the DXCC
// countries of the callsign's first two characters and adds a missing one
// through UpdateDXCC, fills in the Russian region code, and stays open for
// the next contact after each save. Cancelling deletes the reservation still
// open; when something was saved the form answers 1 with the last contact
// saved in the record buffer.
//
// REQUIRES: the window thread. The services are installed before the first
// form runs and outlive it.
#pragma once

#include <cstdint>
#include <functional>

#include "data/context.h"
#include "forms/form_description.h"

namespace kavo {

// The clock and the DXCC form, real in the program and scripted in tests.
struct UpdateAAAAServices {
  std::function<int32_t()> Today;  // day number
  std::function<int32_t()> Clock;  // hundredths of a second since midnight
  // Runs UpdateDXCC with GlobalRequest already set, in `context`; answers
  // GlobalResponse.
  std::function<int32_t(DataContext& context)> UpdateDXCC;
};
void SetUpdateAAAAServices(const UpdateAAAAServices* services);

extern forms::HistoryRecord HISTORY_AAA_RECORD;

const forms::FormDescription& UpdateAAAAForm();

// The UTC stamp of a contact logged at local `clock` (hundredths) on
// `today` with the station's offset in hours: date and time.
struct UtcStamp {
  int32_t DATA;
  int32_t TIM;
};
UtcStamp UtcStampOf(int32_t today, int32_t clock, double offset_hours);

}  // namespace kavo
