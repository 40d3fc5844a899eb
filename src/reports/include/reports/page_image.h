// A finished report page as a display list: texts, lines and boxes placed in
// millimetres from the page's top-left corner. The layout engine produces
// these; the preview, the printer and PDF writing all draw the same list, so
// what is shown, printed and saved never differs.
//
// Drawing contract (for every renderer):
//   - A text is one line, never wrapped. It starts at the top of its rect and
//     is aligned left, centred or right within the rect's width. When `clip`
//     is set, nothing of the text is painted outside that rectangle.
//   - Texts are in code page 1251. The face name is the layout's own ("Arial
//     Cyr", "Small Fonts", ...); mapping it to an installed font is the
//     renderer's business. Sizes are typographic points (1/72 inch).
//   - A line is drawn between its two ends with the given pen width.
//   - A box is the rectangle's outline with the given pen width; a filled box
//     is painted solid in the pen's colour (black).
//
// The file format is a compact little-endian binary with a magic, a version
// and an end marker. ReadPageImage accepts only what WritePageImage produces
// and rejects any other input with an error, never a crash.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/status.h"

namespace kavo::reports {

struct RectMm {
  double x = 0;
  double y = 0;
  double w = 0;
  double h = 0;

  bool operator==(const RectMm&) const = default;
};

enum class TextAlign : unsigned char { kLeft = 0, kCentre = 1, kRight = 2 };

struct PageText {
  RectMm rect;
  std::string text;  // code page 1251
  std::string face;  // the layout's font face name
  double size_pt = 10;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  TextAlign align = TextAlign::kLeft;
  std::optional<RectMm> clip;

  bool operator==(const PageText&) const = default;
};

struct PageLine {
  double x1 = 0;
  double y1 = 0;
  double x2 = 0;
  double y2 = 0;
  double width_mm = 0.2;

  bool operator==(const PageLine&) const = default;
};

struct PageBox {
  RectMm rect;
  double line_width_mm = 0.2;
  bool filled = false;

  bool operator==(const PageBox&) const = default;
};

using PageItem = std::variant<PageText, PageLine, PageBox>;

struct PageImage {
  double width_mm = 210;
  double height_mm = 297;
  std::vector<PageItem> items;

  bool operator==(const PageImage&) const = default;
};

// Limits that a page image must keep; the reader rejects files beyond them.
inline constexpr double kMaxPageMm = 10000;             // page size and every coordinate
inline constexpr double kMaxFontPt = 1000;              // font size
inline constexpr size_t kMaxFaceBytes = 255;            // font face name
inline constexpr size_t kMaxTextBytes = 65535;          // one text item
inline constexpr size_t kMaxPageImageBytes = 64 << 20;  // whole file

// Checks that every value of `page` is finite and within the limits above and
// every alignment is known: error 36 otherwise.
Status CheckPageImage(const PageImage& page);

// Encodes `page` into bytes / decodes bytes into `*out`. Decoding fails with
// error 36 (invalid data file) on anything malformed, truncated or out of the
// limits above, and leaves `*out` unchanged then.
std::string EncodePageImage(const PageImage& page);
Status DecodePageImage(std::string_view bytes, PageImage* out);

// Writes `page` to `path`, replacing it; a page that fails CheckPageImage is
// not written. A failed write removes the partial
// file and returns the operating-system error.
Status WritePageImage(const PageImage& page, const std::string& path);
// Reads a page image written by WritePageImage.
Status ReadPageImage(const std::string& path, PageImage* out);

}  // namespace kavo::reports
