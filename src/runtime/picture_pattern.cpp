// Pattern pictures @P<pattern>P: '#' shows a digit, '<' a digit that stays
// blank while it is a leading zero, every other character itself. The digits
// of the value's rounded magnitude fill the digit positions from the right;
// a value with more digits than positions shows as '#' characters.

#include <cmath>
#include <string>

#include "picture_internal.h"

namespace kavo::picture_internal {
namespace {

using Kind = PictureElementKind;

bool IsDigitPosition(const PictureElement& e) {
  return e.kind == Kind::kNumberDigit;
}

}  // namespace

PictureStatus CompilePattern(std::string_view body, PictureLayout* l) {
  if (body.empty() || (body.back() != 'P' && body.back() != 'p')) {
    return PictureStatus::Error("Pattern picture must end with P");
  }
  body.remove_suffix(1);
  bool has_digit = false;
  for (char c : body) {
    if (c == '#' || c == '<') {
      l->elements.push_back(PictureElement{c == '#' ? '0' : ' ', Kind::kNumberDigit, 1});
      has_digit = true;
    } else {
      l->elements.push_back(PictureElement{c, Kind::kLiteral, 1});
    }
  }
  if (!has_digit) return PictureStatus::Error("Pattern picture has no digit position");
  l->width = static_cast<int>(l->elements.size());
  return PictureStatus::Ok();
}

std::string FormatPattern(const PictureLayout& l, double value) {
  std::string overflow(static_cast<size_t>(l.width), '#');
  if (!std::isfinite(value) || std::fabs(value) >= 1e18) return overflow;
  long long magnitude = std::llround(std::fabs(value));
  bool negative = value < 0 && magnitude != 0;
  if (magnitude == 0 && l.blank_zero) return std::string(static_cast<size_t>(l.width), ' ');
  size_t positions = 0;
  for (const PictureElement& e : l.elements) positions += IsDigitPosition(e) ? 1 : 0;
  std::string digits = std::to_string(magnitude);
  if (digits.size() > positions) return overflow;
  digits.insert(0, positions - digits.size(), '0');
  std::string out;
  size_t next = 0;
  bool leading = true;
  size_t last_blank = std::string::npos;  // where a minus sign can go
  for (const PictureElement& e : l.elements) {
    if (!IsDigitPosition(e)) {
      out.push_back(e.fill);
      continue;
    }
    char d = digits[next++];
    if (leading && d == '0' && e.fill == ' ') {
      last_blank = out.size();
      out.push_back(' ');
    } else {
      leading = false;
      out.push_back(d);
    }
  }
  if (negative) {
    if (last_blank == std::string::npos) return overflow;
    out[last_blank] = '-';
  }
  return out;
}

DeformatResult DeformatPattern(const PictureLayout& l, std::string_view text) {
  if (text.find_first_not_of(' ') == std::string_view::npos) return {};
  size_t width = static_cast<size_t>(l.width);
  if (text.size() > width && text.substr(width).find_first_not_of(' ') != std::string_view::npos) {
    return Failure("Text is longer than the picture allows");
  }
  std::string digits;
  for (size_t i = 0; i < width; ++i) {
    char c = i < text.size() ? text[i] : ' ';
    const PictureElement& e = l.elements[i];
    if (!IsDigitPosition(e)) {
      if (c != e.fill) return Failure("Text does not match the picture");
      continue;
    }
    if (c != ' ' && c != '-' && (c < '0' || c > '9')) {
      return Failure("Text does not match the picture");
    }
    digits.push_back(c);
  }
  size_t first = digits.find_first_not_of(' ');
  size_t last = digits.find_last_not_of(' ');
  if (first == std::string::npos) return {};
  std::string_view number = std::string_view(digits).substr(first, last - first + 1);
  bool negative = number.front() == '-';
  if (negative) number.remove_prefix(1);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) {
    return Failure("Text does not match the picture");
  }
  double value = 0;
  for (char c : number) value = value * 10 + (c - '0');
  DeformatResult result;
  result.number = negative ? -value : value;
  return result;
}

}  // namespace kavo::picture_internal
