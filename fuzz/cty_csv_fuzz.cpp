// Input: the text of a country file in the cty.csv format. It is read, and
// when it reads, every seed row must be a two-character prefix with a name
// of at most twenty characters.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dxcc_seed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<kavo::tool::CtyCountry> countries;
  std::string error;
  if (!kavo::tool::ParseCtyCsv(text, &countries, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  for (const kavo::tool::SeedRow& row : kavo::tool::SeedRows(countries)) {
    if (row.PR.size() != 2 || row.STRANA.size() > 20) std::abort();
  }
  return 0;
}
