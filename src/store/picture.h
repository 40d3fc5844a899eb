// Display pictures: compiled once, then used to turn values into display text
// (Format) and typed text back into values (Deformat).
//
// A picture text is "@" (optional here, since window definitions store it
// without one), a type letter in either case, the type's parameters and an
// optional trailing "B" (a zero value shows as blanks):
//   @Sn            text of n (1..255) characters, blank-padded or cut
//   @D[f]n[s][<w|>w][B]  date format n (1..18), fill f (0 _ *), separator s
//                  (. - _ `), century window <nn (w = nn) or >nn (w = 99-nn)
//   @T[f]n[s][B]   time format n (1..8), same fill and separator
//   @N[$|~cur~][-|(][f]w[.d][)][B]  number of width w (1..100) with d
//                  (0..99) decimals; grouping by "," unless fill is 0 or _
//   @P<pattern>P[B] pattern: '#' a digit, '<' a digit shown blank while it is
//                  a leading zero, every other character shown as it is
//
// Invariants of a compiled Picture: the text is at most 100 characters, it
// has at most 100 elements, Format always returns exactly width() bytes for
// date, time, number and pattern pictures (a number too large for the width
// shows as width() '#' characters), and Deformat never accepts text that does
// not match the picture. Dates and times outside their valid ranges (0
// included) format as blanks. Text is code page 1251 bytes throughout.
//
// Compiled pictures are immutable and may be shared between threads.
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

class Picture {
 public:
  // What one position of a date, time or pattern picture shows.
  enum class Kind : uint8_t {
    kDayDigit,
    kMonthDigit,
    kYearDigit,
    kMonthName,  // a letter of a month name (or a whole name, see Element)
    kHourDigit,
    kMinuteDigit,
    kSecondDigit,
    kMarker,       // AM/PM marker of a 12-hour time
    kSeparator,    // the picture's separator (or its default)
    kLiteral,      // a fixed character
    kNumberDigit,  // pattern digit
    kSign,
    kCurrency,
    kDecimalPoint,
    kGrouping,
  };

  struct Element {
    char fill;  // fill of a digit position while it is a leading zero, or the literal itself
    Kind kind;
    uint8_t count = 1;  // positions the element spans (digits of a field, name length)
  };

  Picture() = default;

  // Compiles text such as "@D6", "n-10.0", "s20" or "pСтр. <<<#p".
  static PictureStatus Compile(std::string_view text, Picture* out);

  PictureType type() const { return type_; }
  const std::string& text() const { return text_; }
  // Length of every formatted text (for strings: the declared length).
  int width() const { return width_; }
  bool blank_when_zero() const { return blank_zero_; }
  // Date, number: 1..18 / decimals; time: 1..8.
  int format_number() const { return format_; }
  int decimals() const { return decimals_; }
  int century_window() const { return window_; }
  const std::vector<Element>& elements() const { return elements_; }

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
  PictureType type_ = PictureType::kNone;
  std::string text_;
  int width_ = 0;
  bool blank_zero_ = false;
  int format_ = 0;
  int decimals_ = 0;
  int window_ = 80;
  char fill_ = 0;          // number and date/time fill override, 0 when none
  char separator_ = 0;     // date/time separator override, 0 when none
  bool minus_ = false;     // number: "-" given
  bool parens_ = false;    // number: "(" ... ")" given
  bool grouping_ = false;  // number: digits grouped by three
  std::string currency_;   // number: currency text
  std::vector<Element> elements_;

  friend class PictureCompiler;
};

// Compiles and formats in one step; an invalid picture gives an empty text.
std::string FormatNumber(std::string_view picture, double value);
std::string FormatText(std::string_view picture, std::string_view value);

// Compiles and deformats in one step; an invalid picture is a failure.
DeformatResult Deformat(std::string_view picture, std::string_view text);

}  // namespace kavo
