// A report's page layout as data: where the detail area, the page header and
// the page footer lie on the page, and what each band holds. All positions
// and sizes are millimetres. Header and footer bands have absolute positions
// on the page; detail bands have only a size and are placed one below the
// other inside the detail area. Every element's position is relative to the
// top-left corner of its band.
//
// Texts are code page 1251. A field names a variable (a record field such as
// "AAA:POZ" or a program variable) that the report resolves when it opens,
// and shows it through a display picture; a field may instead show a total.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "reports/page_image.h"

namespace kavo::reports {

struct FontStyle {
  std::string face = "Arial Cyr";
  double size_pt = 10;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

// A text that never changes.
struct LayoutText {
  RectMm rect;
  std::string text;
  FontStyle font;
  TextAlign align = TextAlign::kLeft;
  int slot = 0;  // see LayoutEngine::ShowSlots
};

// What a field shows besides a variable.
enum class FieldTotal {
  kNone,       // the variable `name`
  kCount,      // CISLO: detail bands printed so far, this one included
  kPageCount,  // PAGECOUNT: the current page number
};

// A variable shown through a picture. The picture's text is cut at both ends
// of its blanks; a field without an alignment is right-aligned for numbers
// and left-aligned otherwise, and never paints left or right of its
// rectangle, so a long text is cut at its column; upwards and downwards it
// may reach to the edges of its band, so that a large font's ascent is not
// cut off. A hidden field is resolved but not printed.
struct LayoutField {
  RectMm rect;
  std::string name;
  std::string picture;
  FontStyle font;
  std::optional<TextAlign> align;
  FieldTotal total = FieldTotal::kNone;
  bool hidden = false;
  int slot = 0;  // see LayoutEngine::ShowSlots
};

struct LayoutLine {
  double x1 = 0;
  double y1 = 0;
  double x2 = 0;
  double y2 = 0;
  double width_mm = 0.2;
};

struct LayoutBox {
  RectMm rect;
  double line_width_mm = 0.2;
  bool filled = false;
};

using LayoutElement = std::variant<LayoutText, LayoutField, LayoutLine, LayoutBox>;

struct Band {
  RectMm rect;  // header and footer: on the page; detail: only w and h count
  std::vector<LayoutElement> elements;
};

// Shorthands for layouts written as data.
LayoutText Text(const RectMm& rect, std::string text, const FontStyle& font = {},
                TextAlign align = TextAlign::kLeft);
// A fixed text written in UTF-8 (as layouts are written in the source).
LayoutText TextUtf8(const RectMm& rect, std::string_view utf8, const FontStyle& font = {},
                    TextAlign align = TextAlign::kLeft);
LayoutField Field(const RectMm& rect, std::string name, std::string picture,
                  const FontStyle& font = {});
LayoutField Total(const RectMm& rect, FieldTotal total, std::string picture,
                  const FontStyle& font = {});

struct ReportLayout {
  double page_width_mm = 210;
  double page_height_mm = 297;
  RectMm detail_area;
  std::optional<Band> header;  // printed at the top of every page
  std::optional<Band> footer;  // printed at the bottom of every page
  Band detail;
};

}  // namespace kavo::reports
