// Input: the bytes of a page image file. A page that decodes must pass the
// checks and encode back to exactly the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "reports/page_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  kavo::reports::PageImage page;
  if (!kavo::reports::DecodePageImage(input, &page).ok()) return 0;
  if (!kavo::reports::CheckPageImage(page).ok()) std::abort();
  if (kavo::reports::EncodePageImage(page) != input) std::abort();
  return 0;
}
