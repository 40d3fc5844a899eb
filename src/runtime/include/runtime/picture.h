// Display pictures: compiled once, then used to turn values into display text
// (Format) and typed text back into values (Deformat).
//
// A picture text is "@" (optional here, since window definitions store it
// without one), a type letter in either case, the type's parameters and an
// optional trailing "B" (a zero value shows as blanks):
//   @Sn            text of n (1..255) characters, blank-padded or cut
//   @D[f]n[s][<nn|>nn][B]  date format n (1..18), fill f (0 _ *), separator
//                  s (. - _ `), century window <nn (nn; "<" alone 80) or >nn
//                  (99 - nn; ">" alone 19)
//   @T[f]n[s][B]   time format n (1..8), same fill and separator
//   @N[$|~cur~][-|(][f]w[.d][)][B]  number of width w (1..100) with d
//                  (0..99) decimals; grouping by "," unless fill is 0 or _
//                  (dropped for a value whose digits fit only without it)
//   @P<pattern>P[B] pattern: '#' a digit, '<' a digit shown blank while it is
//                  a leading zero, every other character shown as it is
//
// Invariants of a compiled Picture: the text is at most 100 characters, it
// has at most 100 elements, Format returns exactly width() bytes (a number
// too large for the width shows as width() '#' characters; date formats 17
// and 18 follow the desktop's patterns and may be shorter), and Deformat
// never accepts text that does not match the picture. Dates and times outside
// their valid ranges (0 included) format as blanks. A negative number always
// shows its sign: "-" unless the picture asks for parentheses. Text is code
// page 1251 bytes throughout.
//
// Compiled pictures are immutable and may be shared between threads. Date
// and time pictures take their layout and width from the regional settings
// in force when they are compiled, and their names and markers from those in
// force when they format (the settings change only at start-up).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavo {

inline constexpr int kMaxPictureText = 100;
inline constexpr int kMaxPictureElements = 100;

enum class PictureType { kNone, kString, kNumber, kDate, kTime, kPattern };

// Outcome of compiling or deformatting: ok, or a message saying why not.
struct PictureStatus {
  bool ok = true;
  std::string message;

  static PictureStatus Ok() { return {}; }
  static PictureStatus Error(std::string text) { return {false, std::move(text)}; }
};

// Typed text read back through a picture. For number, date, time and pattern
// pictures the value is in `number` (day or time number for dates and
// times; blank text gives 0); for string pictures it is in `text`.
struct DeformatResult {
  PictureStatus status;
  double number = 0;
  std::string text;

  bool ok() const { return status.ok; }
};

// What one position (or run of positions) of a date, time or pattern
// picture shows. Number pictures keep their parts (currency, sign, width,
// places, grouping) in the layout instead: their positions depend on the
// value shown.
enum class PictureElementKind : uint8_t {
  kDayDigit,
  kMonthDigit,
  kYearDigit,
  kMonthName,
  kWeekdayName,
  kHourDigit,
  kMinuteDigit,
  kSecondDigit,
  kMarker,       // the morning or afternoon marker of a 12-hour time
  kSeparator,    // the date or time separator
  kLiteral,      // a fixed character
  kNumberDigit,  // a digit position of a pattern
};

struct PictureElement {
  // Digits: shown in place of a leading zero. Separators and literals: the
  // character shown. Names and markers: the padding.
  char fill = ' ';
  PictureElementKind kind = PictureElementKind::kLiteral;
  // Positions the element spans: 2 or 4 digits, 3 or 12 name letters; 0 for
  // a field as long as its value (the desktop's date formats).
  uint8_t count = 1;
};

// Everything a compiled picture holds. Fields a type does not use stay at
// their defaults.
struct PictureLayout {
  PictureType type = PictureType::kNone;
  std::string text;         // the picture text with its leading "@"
  int width = 0;            // length of formatted text (the most, for variable formats)
  bool blank_zero = false;  // trailing B
  int format = 0;           // date 1..18, time 1..8
  int window = 80;          // century window of a date picture
  int decimals = 0;         // number: places after the point
  bool minus = false;       // number: "-" given
  bool parens = false;      // number: "(" ... ")" given
  bool grouping = false;    // number: digits grouped by three with ","
  char fill = ' ';          // number: ' ', '0' or '*'
  std::string currency;     // number: currency text shown before the digits
  std::vector<PictureElement> elements;  // date, time and pattern pictures
};

class Picture {
 public:
  Picture() = default;

  // Compiles text such as "@D6", "n-10.0", "s20" or "pСтр. <<<#p".
  static PictureStatus Compile(std::string_view text, Picture* out);

  PictureType type() const { return layout_.type; }
  const std::string& text() const { return layout_.text; }
  // Length of every formatted text (for strings: the declared length).
  int width() const { return layout_.width; }
  bool blank_when_zero() const { return layout_.blank_zero; }
  const PictureLayout& layout() const { return layout_; }

  // Value to display text. Dates and times take their day or time number
  // (fractions are dropped); string pictures show the number's shortest text.
  std::string FormatNumber(double value) const;
  // Text to display text. String pictures cut or blank-pad it; the other
  // pictures first read the text as a number (non-numeric text counts as 0).
  std::string FormatText(std::string_view value) const;

  // Display text back to a value, with a message when the text does not fit
  // the picture (letters in a number, a 30 February, 25 o'clock, ...).
  DeformatResult Deformat(std::string_view text) const;

 private:
  PictureLayout layout_;
};

// Compiles and formats in one step; an invalid picture gives an empty text.
std::string FormatNumber(std::string_view picture, double value);
std::string FormatText(std::string_view picture, std::string_view value);

// Compiles and deformats in one step; an invalid picture is a failure.
DeformatResult Deformat(std::string_view picture, std::string_view text);

}  // namespace kavo
