// UpdateDXCC: the form that adds, changes and deletes one country of the
// DXCC table, as a description for the one form pattern (forms/). The
// DXCC browse calls it with the record in the DXCC buffer of its own
// procedure context; the QSO form calls it to add a country it did not
// find.
#pragma once

#include "forms/form_description.h"

namespace kavo {

// HISTORY::DXC:RECORD, the source of the form's ditto key.
extern forms::HistoryRecord HISTORY_DXC_RECORD;

const forms::FormDescription& UpdateDXCCForm();

}  // namespace kavo
