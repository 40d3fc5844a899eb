// Program variables and record-buffer fields as expressions see them.
//
// An expression never copies a bound variable: it keeps the variable's
// address, declared type and size, and reads the current bytes at every
// evaluation, so changing the variable (or reading the next record into the
// buffer) changes the next result without recompiling. The type decides how
// the bytes read: BYTE, SHORT, USHORT, DATE, TIME and LONG as integers; ULONG,
// SREAL, REAL, DECIMAL, PDECIMAL, BFLOAT4 and BFLOAT8 as reals; STRING,
// CSTRING, PSTRING, MEMO and GROUP as text. Multi-byte numbers are
// little-endian and may sit at any alignment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/table_def.h"

namespace kavo::expr {

enum class VarClass : uint8_t { kInteger, kReal, kString };

// The class a type reads as; false for codes that are not variable types.
bool ClassOf(FieldType type, VarClass* out);

inline constexpr int kMaxDims = 4;

// A variable: `size` is the byte size of one element; an array has
// dim_count dimensions, the last one varying fastest.
struct VarRef {
  const void* address = nullptr;
  FieldType type = FieldType::kLong;
  uint32_t size = 4;
  uint8_t places = 0;  // decimal places of DECIMAL and PDECIMAL
  uint8_t dim_count = 0;
  uint32_t dims[kMaxDims] = {};

  static VarRef Long(const int32_t* v) { return {v, FieldType::kLong, 4}; }
  static VarRef Real(const double* v) { return {v, FieldType::kReal, 8}; }
  // A fixed-width, blank-padded text of `size` bytes.
  static VarRef String(const char* v, uint32_t size) { return {v, FieldType::kString, size}; }
  static VarRef Decimal(const void* v, uint32_t size, uint8_t places) {
    return {v, FieldType::kDecimal, size, places};
  }
};

// Whether the reference can be read: a known type, a size that fits it
// (exactly 1, 2, 4 or 8 for the binary numbers, 1 to 16 for packed
// decimals, at least 1 for texts) and a non-null address.
bool IsValid(const VarRef& var);

// Readers of one element at `p` (the reference gives type, size, places).
int32_t ReadInt(const VarRef& var, const uint8_t* p);
double ReadReal(const VarRef& var, const uint8_t* p);
// Views the text of a string variable in place (CSTRING up to its zero,
// PSTRING over its length byte, clipped to the size).
std::string_view ReadText(const VarRef& var, const uint8_t* p);

// Conversions between the value types.

// A real truncated toward zero to 32 bits; NaN gives 0 and values beyond
// the range give the nearest limit.
int32_t RealToInt(double v);

// The numeric reading of a text: leading blanks, an optional sign, digits
// with an optional point and fraction, an optional exponent; the reading
// stops at the first character that does not fit. No number gives 0.
double NumericReading(std::string_view text);

// Whether the whole text (blanks around it allowed) is one such number.
bool IsNumericText(std::string_view text);

// The text of a number: integral values below 1e15 without a point, others
// with up to 15 significant digits.
void AppendNumber(double v, std::string* out);
void AppendInt(int32_t v, std::string* out);

}  // namespace kavo::expr
