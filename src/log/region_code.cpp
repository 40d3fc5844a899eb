#include "log/region_code.h"

#include "runtime/table_def.h"

namespace kavo::log {
namespace {

struct Normalisation {
  std::string_view codes;  // two-character codes separated by blanks
  std::string_view becomes;
};

// Parts of one region and the region's main code, first match wins.
constexpr Normalisation kNormalisation[] = {
    {"1B 1D 1H 1M 1L 1I 1F 1G 1J", "1A"},
    {"3B 3C 3F 3H", "3A"},
    {"1R 1S", "1Q"},
    {"1U", "1T"},
    {"1X", "1W"},
    {"1Y", "1Z"},
    {"3J", "3I"},
    {"3O", "3N"},
    {"4B", "4A"},
    {"4D", "4C"},
    {"4I", "4H"},
    {"4M", "4L"},
    {"4O", "4N"},
    {"4Q", "4P"},
    {"4T", "4S"},
    {"6B 6C 6D", "6A"},
    {"6F 6G", "6H"},
    {"6M 6N 6O", "6L"},
    {"6Q 6R", "6P"},
    {"6V", "6U"},
    {"9B", "9A"},
    {"9D 9E", "9C"},
    {"9I", "9H"},
    {"9N", "9M"},
    {"9P", "9O"},
    {"9R", "9Q"},
    {"9V", "9U"},
    {"0F 0G", "0E"},
    {"0M 0N", "0L"},
    {"0P", "0O"},
    {"0R", "0Q"},
    {"0T", "0S"},
    {"0V", "0U"},
};

std::string_view Clipped(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool RegionRuleApplies(std::string_view PREF, std::string_view PR) {
  return NameEquals(Clipped(PREF), kRegionCountry) && Clipped(PR).empty();
}

std::string DerivedRegionCode(std::string_view callsign) {
  std::string_view call = Clipped(callsign);
  const std::size_t first = call.size() == 4 && IsAsciiLetter(call[2]) ? 1 : 2;
  if (call.size() <= first) return {};
  return std::string(call.substr(first, 2));
}

std::string NormalisedRegionCode(std::string_view code) {
  if (code.size() == 2) {
    for (const Normalisation& row : kNormalisation) {
      for (std::size_t i = 0; i + 2 <= row.codes.size(); i += 3) {
        if (NameEquals(row.codes.substr(i, 2), code)) return std::string(row.becomes);
      }
    }
  }
  return std::string(code);
}

std::string RegionCodeOfCallsign(std::string_view callsign) {
  return NormalisedRegionCode(DerivedRegionCode(callsign));
}

}  // namespace kavo::log
