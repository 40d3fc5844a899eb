#include "store_bench_rows.h"

#include <random>
#include <utility>

#include "bench_util.h"

namespace kavo::bench {
namespace {

const double kBandValues[] = {1.8,  3.5,  7.0,  10.0,  14.0,  18.0,  21.0,
                              24.0, 28.0, 29.0, 144.0, 145.0, 430.0, 1.2};
const char* const kModes[] = {"SSB", "CW", "FM", "RTTY", "SAT", "PAKET", "SSTV"};
// "НЕТ", "ОТПР", "ПОЛУЧ", "ОБМЕН" in code page 1251, and blank.
const char* const kQsl[] = {"\xCD\xC5\xD2", "\xCE\xD2\xCF\xD0", "\xCF\xCE\xCB\xD3\xD7",
                            "\xCE\xC1\xCC\xC5\xCD", ""};

std::string Letters(std::mt19937& rng, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('A' + rng() % 26));
  return s;
}

}  // namespace

void LogRow::ToRecord(dict::AAAARecord* AAA) const {
  AAA->Clear();
  dict::SetText(AAA->POZ, POZ);
  dict::SetText(AAA->PR, PR);
  AAA->N_QSO.set(N_QSO);
  dict::SetText(AAA->PREF, PREF);
  AAA->DATA = DATA;
  AAA->TIM = TIM;
  AAA->DIAPAZ = DIAPAZ;
  dict::SetText(AAA->MODE, MODE);
  dict::SetText(AAA->RPT_1, RPT_1);
  dict::SetText(AAA->RPT_2, RPT_2);
  dict::SetText(AAA->QTH, QTH);
  dict::SetText(AAA->QSL, QSL);
  dict::SetText(AAA->PRIMEC, PRIMEC);
}

std::vector<LogRow> GenerateRows(int count, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> countries;
  for (int i = 0; i < 340; ++i) countries.push_back("Country " + Letters(rng, 6));
  std::vector<std::string> calls;
  for (int i = 0; i < count / 4 + 1; ++i) {
    calls.push_back(Letters(rng, 2) + std::to_string(rng() % 10) + Letters(rng, 1 + rng() % 3));
  }
  std::vector<LogRow> rows(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    LogRow& r = rows[static_cast<std::size_t>(i)];
    r.POZ = calls[rng() % calls.size()];
    r.PR = rng() % 3 == 0 ? Letters(rng, 2) : "";
    r.N_QSO = i + 1;
    r.PREF = countries[rng() % countries.size()];
    r.DATA = 73000 + static_cast<std::int32_t>(rng() % 7300);
    r.TIM = 1 + static_cast<std::int32_t>(rng() % 8640000);
    r.DIAPAZ = kBandValues[rng() % 14];
    r.MODE = kModes[rng() % 7];
    r.RPT_1 = r.MODE == "CW" ? "599" : "59";
    r.RPT_2 = std::to_string(3 + rng() % 3) + std::to_string(5 + rng() % 5);
    r.QTH = "City " + Letters(rng, 8);
    r.QSL = kQsl[rng() % 5];
    r.PRIMEC = rng() % 4 == 0 ? "tnx " + Letters(rng, 5) : "";
  }
  // Serial numbers in a shuffled order, as after years of edits and imports.
  for (std::size_t i = rows.size(); i > 1; --i) {
    std::swap(rows[i - 1].N_QSO, rows[rng() % i].N_QSO);
  }
  return rows;
}

void StreamRows(Table& t, const std::vector<LogRow>& rows) {
  Check(t.Stream(), "stream");
  for (const LogRow& r : rows) {
    r.ToRecord(reinterpret_cast<dict::AAAARecord*>(t.record()));
    Check(t.Add(), "add");
  }
  Check(t.Flush(), "flush");
}

}  // namespace kavo::bench
