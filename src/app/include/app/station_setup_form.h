// fSETUP: the station's own details (callsign, name, surname, offset from
// UTC, location, grid locator) in the single record of SETUP, as a
// description for the one form pattern (forms/). The form only changes
// that record: an insert or delete request is refused with warning 19 or
// 21.
#pragma once

#include "forms/form_description.h"

namespace kavo {

// HISTORY::SET:RECORD, the source of the form's ditto key.
extern forms::HistoryRecord HISTORY_SET_RECORD;

const forms::FormDescription& StationSetupForm();

}  // namespace kavo
