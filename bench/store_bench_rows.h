// Generated QSO-log rows for the store benchmark: the same rows every run
// (fixed seed, a generator whose output the standard fixes), shaped like a
// real log: a few hundred countries, repeated callsigns, bands, modes, dates
// over twenty years, some blank QSL states.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/dict_records.h"
#include "store/table.h"

namespace kavo::bench {

struct LogRow {
  std::string POZ, PR, PREF, MODE, RPT_1, RPT_2, QTH, QSL, PRIMEC;
  std::int64_t N_QSO = 0;
  std::int32_t DATA = 0;
  std::int32_t TIM = 0;
  double DIAPAZ = 0;

  void ToRecord(dict::AAAARecord* AAA) const;
};

std::vector<LogRow> GenerateRows(int count, std::uint32_t seed);

// Adds the rows to the open log table in one stream, committed at its end.
void StreamRows(Table& t, const std::vector<LogRow>& rows);

}  // namespace kavo::bench
