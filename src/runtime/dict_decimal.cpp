#include "runtime/dict_decimal.h"

#include <cstring>

namespace kavo {
namespace {

constexpr int kMaxDigits = 18;
constexpr std::uint64_t kTenPower18 = 1000000000000000000ULL;

// Nibble i of the digits, counting from the most significant digit (the low
// nibble of the first byte).
int DigitAt(const std::uint8_t* field, std::size_t i) {
  std::size_t nibble = i + 1;
  std::uint8_t b = field[nibble / 2];
  return (nibble % 2 == 0) ? (b >> 4) : (b & 0x0F);
}

}  // namespace

bool ReadPackedDecimal(const std::uint8_t* field, std::size_t size, std::int64_t* value) {
  if (size == 0 || size > kMaxPackedDecimalBytes) return false;
  std::size_t digits = size * 2 - 1;
  std::int64_t v = 0;
  int significant = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    int d = DigitAt(field, i);
    if (d > 9) return false;
    if (v != 0 || d != 0) ++significant;
    if (significant > kMaxDigits) return false;
    v = v * 10 + d;
  }
  *value = (field[0] >> 4) != 0 ? -v : v;
  return true;
}

bool WritePackedDecimal(std::int64_t value, std::uint8_t* field, std::size_t size) {
  if (size == 0 || size > kMaxPackedDecimalBytes) return false;
  bool negative = value < 0;
  std::uint64_t magnitude = negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                     : static_cast<std::uint64_t>(value);
  // Readers take at most 18 digits, so nothing wider is written.
  if (magnitude >= kTenPower18) return false;
  std::uint8_t out[kMaxPackedDecimalBytes] = {};
  std::size_t digits = size * 2 - 1;
  for (std::size_t i = digits; i-- > 0;) {
    int d = static_cast<int>(magnitude % 10);
    magnitude /= 10;
    std::size_t nibble = i + 1;
    if (nibble % 2 == 0) {
      out[nibble / 2] |= static_cast<std::uint8_t>(d << 4);
    } else {
      out[nibble / 2] |= static_cast<std::uint8_t>(d);
    }
  }
  if (magnitude != 0) return false;
  if (negative) out[0] |= 0xF0;
  std::memcpy(field, out, size);
  return true;
}

std::string FormatScaledDecimal(std::int64_t value, int places) {
  bool negative = value < 0;
  std::uint64_t magnitude = negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                     : static_cast<std::uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  if (places > 0) {
    std::size_t p = static_cast<std::size_t>(places);
    if (digits.size() <= p) digits.insert(0, p + 1 - digits.size(), '0');
    digits.insert(digits.size() - p, 1, '.');
  }
  return negative ? "-" + digits : digits;
}

bool ParseScaledDecimal(std::string_view text, int places, std::int64_t* value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || places < 0) return false;
  std::int64_t v = 0;
  int total = 0;
  int fraction = 0;
  bool point = false;
  bool any_digit = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return false;
    any_digit = true;
    if (point && ++fraction > places) return false;
    if (v != 0 || c != '0') ++total;
    if (total > kMaxDigits) return false;
    v = v * 10 + (c - '0');
  }
  if (!any_digit) return false;
  for (; fraction < places; ++fraction) {
    if (v != 0 && ++total > kMaxDigits) return false;
    v *= 10;
  }
  *value = negative ? -v : v;
  return true;
}

}  // namespace kavo
