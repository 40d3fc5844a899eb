// The serial number of the next contact: one more than the highest AAA:N_QSO
// of the log (the last record in AAA:BEY_N order), 1 for an empty log.
//
// REQUIRES: AAAA is open in the calling thread. The read moves the table's
// position and overwrites its record buffer.
#pragma once

#include <cstdint>

#include "runtime/status.h"
#include "store/table.h"

namespace kavo::log {

Status NextQsoNumber(Table& AAAA, std::int64_t* number);

}  // namespace kavo::log
