#include "log/qso_lists.h"

namespace kavo::log {
namespace {

constexpr std::string_view kModes[] = {"SSB", "CW", "FM", "RTTY", "SAT", "PAKET", "SSTV"};

// Code page 1251: НЕТ, ОТПР, ПОЛУЧ, ОБМЕН.
constexpr QslState kQsl[] = {
    {"\xCD\xC5\xD2", false, false},
    {"\xCE\xD2\xCF\xD0", true, false},
    {"\xCF\xCE\xCB\xD3\xD7", false, true},
    {"\xCE\xC1\xCC\xC5\xCD", true, true},
};

}  // namespace

std::span<const std::string_view> ModeList() {
  return kModes;
}

std::span<const QslState> QslStates() {
  return kQsl;
}

const QslState* FindQslState(std::string_view QSL) {
  while (!QSL.empty() && QSL.back() == ' ') QSL.remove_suffix(1);
  for (const QslState& state : kQsl) {
    if (state.QSL == QSL) return &state;
  }
  return nullptr;
}

const QslState& QslStateOf(bool sent, bool received) {
  for (const QslState& state : kQsl) {
    if (state.sent == sent && state.received == received) return state;
  }
  return kQsl[0];
}

}  // namespace kavo::log
