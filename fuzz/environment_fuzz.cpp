// Any text as an environment file: whatever it installs must leave tables
// whose weights are a permutation and whose case partners are mutual, and
// settings that every date and time picture can still compile and show.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/environment.h"
#include "runtime/picture.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  kavo::RegionalSettings settings;
  kavo::CharTables tables = kavo::CharTables::Defaults();
  kavo::ParseEnvironment(text, &settings, &tables);

  bool seen[256] = {};
  for (int c = 0; c < 256; ++c) {
    Check(!seen[tables.collation[c]]);
    seen[tables.collation[c]] = true;
    Check(tables.partner[tables.partner[c]] == c);
  }
  Check(settings.am.size() <= 2 && settings.pm.size() <= 2);

  kavo::RegionalSettings saved = kavo::Regional();
  kavo::SetRegional(settings);
  for (const char* picture : {"@D17", "@D18", "@D8", "@T7", "@T8", "@T3"}) {
    kavo::Picture p;
    Check(kavo::Picture::Compile(picture, &p).ok);
    std::string shown = p.FormatNumber(picture[1] == 'D' ? 82525 : 4718101);
    Check(shown.size() <= static_cast<size_t>(p.width()));
    p.Deformat(shown);
  }
  kavo::SetRegional(saved);
  return 0;
}
