// The countries of the DXCC table that a callsign may belong to: those whose
// prefix (DXC:PR) equals the callsign's first two characters, letters
// compared without regard to case, each country once, in country order.
// The entry form offers this list and takes its first country when the
// contact has none yet.
//
// REQUIRES: DXCC is open in the calling thread. The lookup moves the table's
// position and overwrites its record buffer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/status.h"
#include "store/table.h"

namespace kavo::log {

// The first two characters of a callsign, blank-padded to two: the value
// compared with DXC:PR.
std::string CallsignPrefix(std::string_view callsign);

// The country names (DXC:STRANA, clipped, code page 1251) for the callsign.
Status CountriesOfCallsign(Table& DXCC, std::string_view callsign,
                           std::vector<std::string>* countries);

}  // namespace kavo::log
