// The built-in functions of filter expressions.
//
// A compiled call uses the process's character tables as they were when it
// was compiled. Each function evaluates its arguments as the types it needs; a missing
// optional argument takes the default given below. Lengths are capped at
// kMaxTextLength so that no argument can make a text grow without bound.
//
//   ABS(x)                real: |x|
//   ACOS(x) ASIN(x)       real: arc cosine / sine in radians; 0 when |x| > 1
//   ATAN(x)               real: arc tangent in radians
//   AGE(birth[, base])    text: the time from day number birth to base (default
//                         today): "n DAYS" up to 60 days, else "n MOS" below
//                         24 months, else "n YRS"; empty for invalid dates or
//                         base before birth
//   ALL(s[, len])         text: s repeated to len characters (default 255);
//                         empty when s is empty
//   BAND BOR BXOR(a, b)   integer: bitwise and / or / exclusive or
//   BSHIFT(v, n)          integer: v shifted left by n bits, right (without
//                         sign extension) when n is negative; 0 from 32 bits on
//   CENTER(s[, len])      text: s without outer blanks centred in len
//                         characters (default the length of s), cut to len
//   CHOOSE(n, v1, ...)    text: the n-th value, the last one when n is out of
//                         range; a boolean first argument picks v1 when true
//                         and v2 when false
//   CHR(n)                text: the character with code n (low 8 bits)
//   CLIP(s)               text: s without trailing blanks
//   CLOCK()               integer: the local time as a time number
//   COS SIN TAN(x)        real: of x radians
//   DATE(m, d, y)         integer: day number; months beyond 12 roll into the
//                         next years and days beyond the month into the next
//                         months (day 0 is the last of the previous month); a
//                         year below 100 goes through the century rule; 0 when
//                         the result is not a valid date
//   DAY MONTH YEAR(date)  integer: part of a day number, 0 for invalid dates
//   DEFORMAT(s[, pic])    text: s read back through the picture (a number's
//                         text for number, date and time pictures), empty when
//                         it does not fit; without a picture the digits, the
//                         point and a leading "-" of s
//   FORMAT(v, pic)        text: v shown through the picture; empty for an
//                         invalid picture
//   GETINI(sect, entry[, default[, file]])  text: the entry's value from the
//                         settings file (default "kavo.INI" in the working
//                         directory), section and entry in any case, value
//                         without outer blanks; default ('') when absent
//   INLIST(s, v1, ...)    integer: position of the first value equal to s as
//                         texts compare, 0 when none
//   INRANGE(x, lo, hi)    integer: 1 when lo <= x <= hi by the comparison rules
//   INSTRING(sub, s[, step[, start]])  integer: searches s for sub at start
//                         (default 1), start + step, ...; step defaults to
//                         the length of sub, a negative step searches
//                         backwards, 0 counts as 1; returns (position - 1) /
//                         |step| + 1 of the first match, 0 when none, when sub
//                         is empty or start lies outside s
//   INT(x)                integer: x truncated toward zero
//   LEFT(s[, len])        text: s without leading blanks, padded or cut to len
//                         (default the length of s)
//   LEN(s)                integer: length of the text (a STRING field's full
//                         declared size)
//   LOG10 LOGE(x)         real: logarithms; 0 for x <= 0
//   LOWER UPPER(s)        text: case folded through the process's case and
//                         class tables (only letters of the other case change)
//   MEMORY([kind])        integer: kind 0 (default) free, 1 total physical
//                         memory in bytes, at most 2147483647
//   NUMERIC(s)            integer: 1 when s is one number with blanks around
//   RANDOM(lo, hi)        integer: uniform in lo..hi (either order)
//   RIGHT(s[, len])       text: s without trailing blanks, right-aligned in len
//                         (default the length of s); a longer text keeps its
//                         last len characters
//   ROUND(x[, order])     real: x rounded half away from zero to a multiple of
//                         order (default 1); order 0 leaves x as it is
//   SQRT(x)               real: square root; 0 for x < 0
//   SUB(s, pos[, len])    text: len (default 1) characters from pos; a negative
//                         pos counts from the end (-1 the last); pos 0 or
//                         beyond either end, or len <= 0, gives an empty text;
//                         len reaching past the end is cut
//   TODAY()               integer: the local date as a day number
//   VAL(s)                integer: code of the first character, 0 when empty
#pragma once

#include <string_view>

#include "expr/expr_node.h"

namespace kavo::expr {

inline constexpr int32_t kMaxTextLength = 65535;

struct BuiltinInfo {
  const char* name;
  int min_args;
  int max_args;
  ExprType result;
};

int BuiltinCount();
const BuiltinInfo& BuiltinAt(int function);
// The function of this name (upper case), or -1.
int FindBuiltin(std::string_view name);

// A call of built-in `function` with between min_args and max_args
// arguments (the parser checks the count).
NodePtr MakeCall(int function, NodeList args);

// A text comparison where either side is a call of UPPER or LOWER, done
// without building the folded texts (the same result as MakeComparison).
// nullptr, with both sides left as they were, when neither side is such a
// call or the sides are not both texts.
NodePtr MakeFoldedComparison(CompareOp op, NodePtr& left, NodePtr& right);

// The value of `entry` in `section` of a settings file, or fallback.
std::string ReadIniEntry(std::string_view path, std::string_view section, std::string_view entry,
                         std::string_view fallback);

}  // namespace kavo::expr
