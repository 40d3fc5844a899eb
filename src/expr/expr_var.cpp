// Reading variables and converting values between numbers and texts.
#include "expr/expr_var.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace kavo::expr {

namespace {

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Packed decimal with the sign in the high nibble of the first byte.
double ReadDecimal(const uint8_t* p, uint32_t size, uint8_t places) {
  double v = 0;
  for (uint32_t i = 0; i < size * 2; ++i) {
    if (i == 0) continue;
    uint8_t nibble = (i % 2 == 0) ? (p[i / 2] >> 4) : (p[i / 2] & 0x0F);
    v = v * 10 + (nibble > 9 ? 9 : nibble);
  }
  v /= std::pow(10.0, places);
  return (p[0] >> 4) != 0 ? -v : v;
}

// Packed decimal with the sign in the low nibble of the last byte (0xB or
// 0xD for negative values).
double ReadPDecimal(const uint8_t* p, uint32_t size, uint8_t places) {
  double v = 0;
  for (uint32_t i = 0; i + 1 < size * 2; ++i) {
    uint8_t nibble = (i % 2 == 0) ? (p[i / 2] >> 4) : (p[i / 2] & 0x0F);
    v = v * 10 + (nibble > 9 ? 9 : nibble);
  }
  v /= std::pow(10.0, places);
  uint8_t sign = p[size - 1] & 0x0F;
  return (sign == 0x0B || sign == 0x0D) ? -v : v;
}

// Microsoft binary format: the exponent (bias 128, 0 for zero) in the last
// byte, the sign in the top bit of the byte before it, and the mantissa with
// an implied leading one in the remaining bits.
double ReadBFloat(const uint8_t* p, uint32_t size) {
  uint8_t exponent = p[size - 1];
  if (exponent == 0) return 0.0;
  bool negative = (p[size - 2] & 0x80) != 0;
  uint64_t mantissa = p[size - 2] & 0x7F;
  for (int i = static_cast<int>(size) - 3; i >= 0; --i) mantissa = (mantissa << 8) | p[i];
  int mantissa_bits = static_cast<int>(size) * 8 - 9;
  double v = std::ldexp(static_cast<double>(mantissa | (uint64_t{1} << mantissa_bits)),
                        exponent - 128 - mantissa_bits - 1);
  return negative ? -v : v;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the number at the start of s (after the optional sign), 0 when
// there is none.
size_t ScanNumber(std::string_view s) {
  size_t i = 0;
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  return i;
}

size_t SkipBlanks(std::string_view s, size_t i) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return i;
}

}  // namespace

bool ClassOf(FieldType type, VarClass* out) {
  switch (type) {
    case FieldType::kByte:
    case FieldType::kShort:
    case FieldType::kUShort:
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
      *out = VarClass::kInteger;
      return true;
    case FieldType::kULong:
    case FieldType::kSReal:
    case FieldType::kReal:
    case FieldType::kDecimal:
    case FieldType::kPDecimal:
    case FieldType::kBFloat4:
    case FieldType::kBFloat8:
      *out = VarClass::kReal;
      return true;
    case FieldType::kString:
    case FieldType::kCString:
    case FieldType::kPString:
    case FieldType::kMemo:
    case FieldType::kGroup:
      *out = VarClass::kString;
      return true;
    default:
      break;
  }
  return false;
}

bool IsValid(const VarRef& var) {
  VarClass cls;
  if (var.address == nullptr || !ClassOf(var.type, &cls)) return false;
  if (var.dim_count > kMaxDims) return false;
  for (int i = 0; i < var.dim_count; ++i) {
    if (var.dims[i] == 0) return false;
  }
  switch (var.type) {
    case FieldType::kByte:
      return var.size == 1;
    case FieldType::kShort:
    case FieldType::kUShort:
      return var.size == 2;
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
    case FieldType::kULong:
    case FieldType::kSReal:
    case FieldType::kBFloat4:
      return var.size == 4;
    case FieldType::kReal:
    case FieldType::kBFloat8:
      return var.size == 8;
    case FieldType::kDecimal:
    case FieldType::kPDecimal:
      return var.size >= 1 && var.size <= 16;
    default:
      return var.size >= 1;
  }
}

int32_t ReadInt(const VarRef& var, const uint8_t* p) {
  switch (var.type) {
    case FieldType::kByte:
      return p[0];
    case FieldType::kShort:
      return Load<int16_t>(p);
    case FieldType::kUShort:
      return Load<uint16_t>(p);
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
      return Load<int32_t>(p);
    default:
      return RealToInt(ReadReal(var, p));
  }
}

double ReadReal(const VarRef& var, const uint8_t* p) {
  switch (var.type) {
    case FieldType::kULong:
      return Load<uint32_t>(p);
    case FieldType::kSReal:
      return Load<float>(p);
    case FieldType::kReal:
      return Load<double>(p);
    case FieldType::kDecimal:
      return ReadDecimal(p, var.size, var.places);
    case FieldType::kPDecimal:
      return ReadPDecimal(p, var.size, var.places);
    case FieldType::kBFloat4:
    case FieldType::kBFloat8:
      return ReadBFloat(p, var.size);
    case FieldType::kString:
    case FieldType::kCString:
    case FieldType::kPString:
    case FieldType::kMemo:
    case FieldType::kGroup:
      return NumericReading(ReadText(var, p));
    default:
      return ReadInt(var, p);
  }
}

std::string_view ReadText(const VarRef& var, const uint8_t* p) {
  const char* c = reinterpret_cast<const char*>(p);
  switch (var.type) {
    case FieldType::kCString:
      return std::string_view(c, strnlen(c, var.size));
    case FieldType::kPString: {
      uint32_t n = p[0];
      if (n > var.size - 1) n = var.size - 1;
      return std::string_view(c + 1, n);
    }
    default:
      return std::string_view(c, var.size);
  }
}

int32_t RealToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

double NumericReading(std::string_view text) {
  size_t i = SkipBlanks(text, 0);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    i = SkipBlanks(text, i + 1);
  }
  std::string_view rest = text.substr(i);
  size_t n = ScanNumber(rest);
  if (n == 0) return 0.0;
  double v = 0.0;
  auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + n, v);
  if (ec == std::errc::result_out_of_range) {
    // Tiny exponents underflow to zero, large ones overflow to infinity.
    size_t e = rest.find_first_of("eE");
    v = (e < n && rest[e + 1] == '-') ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return negative ? -v : v;
}

bool IsNumericText(std::string_view text) {
  size_t i = SkipBlanks(text, 0);
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) i = SkipBlanks(text, i + 1);
  size_t n = ScanNumber(text.substr(i));
  if (n == 0) return false;
  return SkipBlanks(text, i + n) == text.size();
}

void AppendInt(int32_t v, std::string* out) {
  char buf[16];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  out->append(buf, end);
}

void AppendNumber(double v, std::string* out) {
  char buf[40];
  int n;
  if (v == 0.0) {
    n = std::snprintf(buf, sizeof buf, "0");
  } else if (std::isfinite(v) && std::fabs(v) < 1e15 && v == std::trunc(v)) {
    n = std::snprintf(buf, sizeof buf, "%.0f", v);
  } else {
    n = std::snprintf(buf, sizeof buf, "%.15g", v);
  }
  out->append(buf, static_cast<size_t>(n));
}

}  // namespace kavo::expr
