// Number pictures: @N[$|~currency~][-|(][0|_|*]width[.places][)].
//
// Grouping by three with "," is shown unless the fill is "0" or "_", and only
// where it fits: a narrow picture shows its digits ungrouped.
//
// Values are rounded half away from zero on their shortest decimal text, so
// 0.125 shown with two places is 0.13 although its binary value is a shade
// below. The width is a hard limit: a value that needs more positions shows
// as '#' characters rather than losing digits.

#include <charconv>
#include <cmath>

#include "picture_internal.h"

namespace kavo::picture_internal {
namespace {

constexpr int kMaxWidth = 100;
constexpr int kMaxDecimals = 99;

// Reads 1..max_digits decimal digits at s[*i]; false when there are none or
// more than max_digits.
bool ReadCount(std::string_view s, size_t* i, int max_digits, int* out) {
  int value = 0;
  int digits = 0;
  while (*i < s.size() && s[*i] >= '0' && s[*i] <= '9') {
    if (++digits > max_digits) return false;
    value = value * 10 + (s[*i] - '0');
    ++*i;
  }
  *out = value;
  return digits > 0;
}

// Rounds the decimal number int_part.frac to `decimals` places, half away
// from zero; frac comes back exactly `decimals` long and int_part without
// leading zeros ("0" for none).
void RoundDigits(std::string* int_part, std::string* frac, int decimals) {
  bool carry = static_cast<int>(frac->size()) > decimals && (*frac)[decimals] >= '5';
  frac->resize(static_cast<size_t>(decimals), '0');
  for (size_t i = frac->size(); carry && i > 0; --i) {
    char& d = (*frac)[i - 1];
    carry = d == '9';
    d = carry ? '0' : static_cast<char>(d + 1);
  }
  for (size_t i = int_part->size(); carry && i > 0; --i) {
    char& d = (*int_part)[i - 1];
    carry = d == '9';
    d = carry ? '0' : static_cast<char>(d + 1);
  }
  if (carry) int_part->insert(int_part->begin(), '1');
  size_t first = int_part->find_first_not_of('0');
  *int_part = first == std::string::npos ? "0" : int_part->substr(first);
}

// The digits of |value| rounded to `decimals` places.
bool ValueDigits(double value, int decimals, std::string* int_part, std::string* frac) {
  char buffer[400];
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
  if (ec != std::errc()) return false;
  std::string_view text(buffer, static_cast<size_t>(end - buffer));
  size_t point = text.find('.');
  *int_part = std::string(text.substr(0, point));
  *frac = point == std::string_view::npos ? std::string() : std::string(text.substr(point + 1));
  RoundDigits(int_part, frac, decimals);
  return true;
}

std::string Grouped(const std::string& digits) {
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

// Lays out rounded digits in the picture; empty when they do not fit. When
// the grouping commas are all that does not fit, the digits go ungrouped:
// a number is never hidden while its digits have room.
std::string Layout(const PictureLayout& l, const std::string& int_part, const std::string& frac,
                   bool negative) {
  std::string prefix = negative ? (l.parens ? "(" : "-") : "";
  std::string suffix = l.parens ? (negative ? ")" : " ") : "";
  std::string fraction = l.decimals > 0 ? "." + frac : "";
  size_t fixed = prefix.size() + l.currency.size() + fraction.size() + suffix.size();
  size_t width = static_cast<size_t>(l.width);
  std::string whole = int_part;
  if (l.grouping && fixed + Grouped(int_part).size() <= width) whole = Grouped(int_part);
  // A zero before the point is dropped when there is no room for it.
  if (fixed + whole.size() > width && int_part == "0" && l.decimals > 0) whole.clear();
  if (fixed + whole.size() > width) return {};
  std::string padding(width - fixed - whole.size(), l.fill);
  if (l.fill == '0') return prefix + l.currency + padding + whole + fraction + suffix;
  return padding + prefix + l.currency + whole + fraction + suffix;
}

}  // namespace

PictureStatus CompileNumber(std::string_view body, PictureLayout* l) {
  size_t i = 0;
  if (i < body.size() && body[i] == '$') {
    l->currency = "$";
    ++i;
  } else if (i < body.size() && body[i] == '~') {
    size_t close = body.find('~', i + 1);
    if (close == std::string_view::npos) {
      return PictureStatus::Error("Currency text has no closing ~");
    }
    if (close == i + 1) return PictureStatus::Error("Currency text is empty");
    l->currency = std::string(body.substr(i + 1, close - i - 1));
    i = close + 1;
  }
  if (i < body.size() && body[i] == '-') {
    l->minus = true;
    ++i;
  } else if (i < body.size() && body[i] == '(') {
    l->parens = true;
    ++i;
  }
  bool plain_fill = false;  // "0" or "_": no grouping
  if (i < body.size() && (body[i] == '0' || body[i] == '_' || body[i] == '*')) {
    l->fill = body[i] == '_' ? ' ' : body[i];
    plain_fill = body[i] != '*';
    ++i;
  }
  l->grouping = !plain_fill;
  int width = 0;
  if (!ReadCount(body, &i, 3, &width) || width < 1 || width > kMaxWidth) {
    return PictureStatus::Error("Number picture needs a width of 1 to 100");
  }
  l->width = width;
  if (i < body.size() && body[i] == '.') {
    ++i;
    if (!ReadCount(body, &i, 2, &l->decimals) || l->decimals > kMaxDecimals) {
      return PictureStatus::Error("Number picture needs 0 to 99 places after the point");
    }
  }
  if (l->parens) {
    if (i >= body.size() || body[i] != ')') {
      return PictureStatus::Error("Number picture opens a parenthesis it does not close");
    }
    ++i;
  }
  if (i != body.size()) return PictureStatus::Error("Number picture has unexpected characters");
  int fixed = static_cast<int>(l->currency.size()) + (l->minus ? 1 : 0) + (l->parens ? 2 : 0) +
              (l->decimals > 0 ? l->decimals + 1 : 1);
  if (fixed > width) return PictureStatus::Error("Number picture parts do not fit its width");
  return PictureStatus::Ok();
}

std::string FormatNumber(const PictureLayout& l, double value) {
  std::string overflow(static_cast<size_t>(l.width), '#');
  std::string int_part;
  std::string frac;
  if (!std::isfinite(value) || !ValueDigits(value, l.decimals, &int_part, &frac)) return overflow;
  bool zero = int_part == "0" && frac.find_first_not_of('0') == std::string::npos;
  if (zero && l.blank_zero) return std::string(static_cast<size_t>(l.width), ' ');
  std::string text = Layout(l, int_part, frac, value < 0 && !zero);
  return text.empty() ? overflow : text;
}

DeformatResult DeformatNumber(const PictureLayout& l, std::string_view text) {
  std::string s(text);
  if (!l.currency.empty()) {
    size_t at = s.find(l.currency);
    if (at != std::string::npos) s.erase(at, l.currency.size());
  }
  size_t i = 0;
  auto skip_fill = [&s, &i] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '*')) ++i;
  };
  skip_fill();
  if (i == s.size()) return {};  // blank text is zero
  bool negative = false;
  bool sign = false;
  bool paren = false;
  if (s[i] == '-' || s[i] == '+') {
    negative = s[i] == '-';
    sign = true;
    ++i;
  } else if (s[i] == '(') {
    negative = paren = true;
    ++i;
  }
  skip_fill();
  std::string int_part;
  std::string frac;
  while (i < s.size()) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      int_part.push_back(c);
    } else if (c == ',' && !int_part.empty() && i + 1 < s.size() && s[i + 1] >= '0' &&
               s[i + 1] <= '9') {
      // grouping separator between digits
    } else {
      break;
    }
    ++i;
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') frac.push_back(s[i++]);
  }
  while (i < s.size() && s[i] == ' ') ++i;
  if (paren) {
    if (i >= s.size() || s[i] != ')') return Failure("Number has an unclosed parenthesis");
    ++i;
  } else if (!sign && i < s.size() && s[i] == '-') {
    negative = true;
    ++i;
  }
  while (i < s.size() && s[i] == ' ') ++i;
  if (i != s.size()) return Failure("Text is not a number");
  if (int_part.empty() && frac.empty()) return Failure("Text is not a number");
  RoundDigits(&int_part, &frac, l.decimals);
  if (int_part.size() > 300) return Failure("Number does not fit the picture");
  std::string plain = int_part + (frac.empty() ? "" : "." + frac);
  double value = 0;
  std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (negative) value = -value;
  bool zero = value == 0;
  if (zero) value = 0;  // no negative zero
  if (Layout(l, int_part, frac, negative && !zero).empty()) {
    return Failure("Number does not fit the picture");
  }
  DeformatResult result;
  result.number = value;
  return result;
}

}  // namespace kavo::picture_internal
