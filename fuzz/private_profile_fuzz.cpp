// Arbitrary settings-file text: every lookup must return, every entry the
// program writes must read back as written, and every number read must stay
// within the screen range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/private_profile.h"
#include "app/window_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  // The first line, when short, names the section to look in.
  std::size_t nl = text.find('\n');
  std::string section(nl != std::string_view::npos && nl < 32 ? text.substr(0, nl) : "Main");
  for (const char* entry : {"XPosit", "YPosit", "Width", "Height", "Maximize"}) {
    std::optional<std::string> value = kavo::FindProfileEntry(text, section, entry);
    if (value) {
      int32_t number = kavo::ProfileNumber(*value);
      if (number > kavo::kMaxCoordinate || number < -kavo::kMaxCoordinate) std::abort();
    }
  }
  if (kavo::IsValidProfileName(section)) {
    std::string updated = kavo::SetProfileEntry(text, section, "Width", "640");
    if (kavo::FindProfileEntry(updated, section, "Width") != "640") std::abort();
  }
  return 0;
}
