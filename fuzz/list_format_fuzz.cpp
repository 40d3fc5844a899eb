// The list format parser on arbitrary text: it either describes columns
// that each have a width, an alignment and a picture, or says why not.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "browse/list_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  kavo::ListFormatResult r = kavo::ParseListFormat(text);
  if (r.ok == r.columns.empty()) std::abort();
  if (!r.ok && r.message.empty()) std::abort();
  for (const kavo::ListColumn& c : r.columns) {
    if (c.picture.empty() || c.width < 0 || c.indent < 0 || c.scroll < 0) std::abort();
  }
  return 0;
}
