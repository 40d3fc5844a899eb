// The log's bands: the values the entry form offers for AAA:DIAPAZ (a band
// written as a frequency in MHz, 1.2 standing for the 23 cm band) and the
// band plan that ties each of them to an ADIF band name and a frequency
// range.
//
// Two list values share one ADIF band each (28.0 and 29.0 are both "10m",
// 144.0 and 145.0 both "2m"); the first of the two is the band's primary
// value. A frequency picks the list value whose range holds it, so 29.6 MHz
// is 29.0 and 145.5 MHz is 145.0.
//
// ADIF bands the list lacks (6m, 60m, 4m, 2190m, ...) are kept as their lower
// edge in MHz, so that a contact on them is not lost and goes back out as the
// same band; bands above the 23 cm band are not kept (their MHz value would
// read as one of the list's values in GHz or clash with the list's scale).
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace kavo::log {

struct BandPlanRow {
  double DIAPAZ;     // the value stored in AAA:DIAPAZ
  const char* adif;  // ADIF band name, lower case
  double low_mhz;    // frequency range, low end inclusive
  double high_mhz;   // high end inclusive
  bool in_list;      // one of the entry form's values
};

// The entry form's band values in list order.
std::span<const double> BandList();

// Every row of the plan: the list's values first, then the ADIF bands the
// list lacks.
std::span<const BandPlanRow> BandPlan();

// The row for a stored band value (compared to 1e-6), or nullptr.
const BandPlanRow* BandOfDiapaz(double DIAPAZ);

// The primary stored value of an ADIF band name (case ignored), or nothing
// when the name is not a band the log can keep.
std::optional<double> DiapazOfAdifBand(std::string_view adif_band);

// The stored value for a frequency in MHz, or nothing outside every band.
std::optional<double> DiapazOfFrequency(double mhz);

// Whether two stored band values are the same band value.
bool SameDiapaz(double a, double b);

}  // namespace kavo::log
