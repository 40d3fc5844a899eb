#include "log/country_lookup.h"

#include <algorithm>

#include "data/dict_records.h"
#include "runtime/chartab.h"
#include "runtime/errors.h"

namespace kavo::log {
namespace {

// Equal as the key DXC:BEY_S compares them, without regard to case.
bool SamePrefix(std::string_view a, std::string_view b) {
  return Upper(a) == Upper(b);
}

}  // namespace

std::string CallsignPrefix(std::string_view callsign) {
  std::string prefix(callsign.substr(0, 2));
  prefix.resize(2, ' ');
  return prefix;
}

Status CountriesOfCallsign(Table& DXCC, std::string_view callsign,
                           std::vector<std::string>* countries) {
  countries->clear();
  const std::string prefix = CallsignPrefix(callsign);
  auto& DXC = *reinterpret_cast<dict::DXCCRecord*>(DXCC.record());
  DXC.Clear();
  dict::SetText(DXC.PR, prefix);
  // DXC:BEY_S ignores case, so every spelling of the prefix lies together
  // from the value on.
  static const int kByPrefix = dict::DXCC().FindKey("DXC:BEY_S");
  KAVO_RETURN_IF_ERROR(DXCC.SetKeyValue(kByPrefix));
  for (;;) {
    Status st = DXCC.Next();
    if (st.code() == err::kRecordNotAvailable) break;
    KAVO_RETURN_IF_ERROR(st);
    if (!SamePrefix(std::string_view(DXC.PR, 2), prefix)) break;
    countries->emplace_back(dict::TextOf(DXC.STRANA));
  }
  std::sort(countries->begin(), countries->end());
  countries->erase(std::unique(countries->begin(), countries->end()), countries->end());
  return Status::OK();
}

}  // namespace kavo::log
