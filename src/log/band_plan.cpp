#include "log/band_plan.h"

#include <cmath>

#include "runtime/table_def.h"

namespace kavo::log {
namespace {

constexpr double kSameBandTolerance = 1e-6;

// The list values come first, in the entry form's order; the ranges are
// the amateur allocations as ADIF names them.
constexpr BandPlanRow kPlan[] = {
    {1.8, "160m", 1.8, 2.0, true},
    {3.5, "80m", 3.5, 4.0, true},
    {7.0, "40m", 7.0, 7.3, true},
    {10.0, "30m", 10.1, 10.15, true},
    {14.0, "20m", 14.0, 14.35, true},
    {18.0, "17m", 18.068, 18.168, true},
    {21.0, "15m", 21.0, 21.45, true},
    {24.0, "12m", 24.890, 24.99, true},
    {28.0, "10m", 28.0, 29.0, true},
    {29.0, "10m", 29.0, 29.7, true},
    {144.0, "2m", 144.0, 145.0, true},
    {145.0, "2m", 145.0, 148.0, true},
    {430.0, "70cm", 420.0, 450.0, true},
    {1.2, "23cm", 1240.0, 1300.0, true},
    {0.1357, "2190m", 0.1357, 0.1378, false},
    {0.472, "630m", 0.472, 0.479, false},
    {5.06, "60m", 5.06, 5.45, false},
    {50.0, "6m", 50.0, 54.0, false},
    {70.0, "4m", 70.0, 71.0, false},
    {222.0, "1.25m", 222.0, 225.0, false},
    {902.0, "33cm", 902.0, 928.0, false},
};

constexpr double kBandList[] = {1.8,  3.5,  7.0,  10.0,  14.0,  18.0,  21.0,
                                24.0, 28.0, 29.0, 144.0, 145.0, 430.0, 1.2};

}  // namespace

std::span<const double> BandList() {
  return kBandList;
}

std::span<const BandPlanRow> BandPlan() {
  return kPlan;
}

bool SameDiapaz(double a, double b) {
  return std::fabs(a - b) < kSameBandTolerance;
}

const BandPlanRow* BandOfDiapaz(double DIAPAZ) {
  for (const BandPlanRow& row : kPlan) {
    if (SameDiapaz(row.DIAPAZ, DIAPAZ)) return &row;
  }
  return nullptr;
}

std::optional<double> DiapazOfAdifBand(std::string_view adif_band) {
  for (const BandPlanRow& row : kPlan) {
    if (NameEquals(row.adif, adif_band)) return row.DIAPAZ;
  }
  return std::nullopt;
}

std::optional<double> DiapazOfFrequency(double mhz) {
  // Where two ranges meet (29.0 MHz, 145.0 MHz) the upper one holds the
  // frequency: the one with the higher low end.
  const BandPlanRow* best = nullptr;
  for (const BandPlanRow& row : kPlan) {
    if (mhz >= row.low_mhz && mhz <= row.high_mhz && (!best || row.low_mhz > best->low_mhz)) {
      best = &row;
    }
  }
  if (!best) return std::nullopt;
  return best->DIAPAZ;
}

}  // namespace kavo::log
