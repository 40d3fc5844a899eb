// Input: a picture text, a newline, then text to read back through it. Every
// compiled picture formats a spread of values and the text; what it shows
// must have the picture's width, and whatever it reads back must format
// without fault.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/picture.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool VariableWidth(const kavo::Picture& p) {
  return p.type() == kavo::PictureType::kDate && p.layout().format >= 17;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t newline = input.find('\n');
  std::string_view picture_text = input.substr(0, newline);
  std::string_view text =
      newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

  kavo::Picture p;
  if (!kavo::Picture::Compile(picture_text, &p).ok) {
    Check(p.type() == kavo::PictureType::kNone);
    return 0;
  }
  Check(p.width() > 0 && p.text().size() <= 100 && p.layout().elements.size() <= 100);
  const double values[] = {0, 1, -1, 4, 2994626, 8640000, 0.5, -123456.789, 1e300, -1e-300};
  for (double v : values) {
    std::string shown = p.FormatNumber(v);
    if (VariableWidth(p)) {
      Check(shown.size() <= static_cast<size_t>(p.width()));
    } else {
      Check(shown.size() == static_cast<size_t>(p.width()));
    }
  }
  std::string shown = p.FormatText(text);
  kavo::DeformatResult r = p.Deformat(text);
  if (r.ok()) {
    p.FormatNumber(r.number);
    p.FormatText(r.text);
  } else {
    Check(!r.status.message.empty());
  }
  return 0;
}
