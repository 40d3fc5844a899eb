// The list format text of a browse list: one piece per column, parsed once
// into column descriptions that the list control draws from.
//
// A column reads
//   width align [(indent)] { | M _ / F R I  S(n)  ~header~ [align [(indent)]] } @picture@
// for example "43L(2)|M~Префикс~@s2@" or "50L(1)|M~Страна~C(2)S(20)@s20@":
//   width     the column width in dialog units (decimal digits, required);
//   align     L, R, C or D (left, right, centre, decimal) for the data, with
//             an optional indent in dialog units;
//   |         a vertical line right of the column;  M  the user may resize it;
//   _ / F R   underline, line break, fixed, right-to-left: accepted, no effect
//             on this list;
//   I         an icon column: the column's value is an icon number;
//   S(n)      the column scrolls horizontally on its own, n units wide;
//   ~header~  the heading text, optionally followed by its own alignment and
//             indent (by default those of the data);
//   @picture@ the display picture, without its "@" (e.g. "s20", "n10.0").
// Any other character, a missing width or picture, or an unterminated piece
// is an error naming the offset where it occurs; nothing is cut silently.
//
// Texts are code page 1251 bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kavo {

enum class ColumnAlign : char { kLeft = 'L', kRight = 'R', kCentre = 'C', kDecimal = 'D' };

struct ListColumn {
  int width = 0;  // dialog units
  ColumnAlign align = ColumnAlign::kLeft;
  int indent = 0;
  std::string header;
  ColumnAlign header_align = ColumnAlign::kLeft;
  int header_indent = 0;
  std::string picture;  // without the surrounding "@"
  bool right_border = false;
  bool resizable = false;
  bool icon = false;
  int scroll = 0;  // own horizontal scroll width, 0 when none
};

struct ListFormatResult {
  bool ok = true;
  std::string message;  // why not, with the offset
  std::vector<ListColumn> columns;
};

ListFormatResult ParseListFormat(std::string_view text);

}  // namespace kavo
