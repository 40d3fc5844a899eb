// Packed decimal fields: a sign nibble followed by binary-coded decimal
// digits, most significant first. A field of n bytes holds 2n - 1 digits;
// the high nibble of the first byte is the sign (0 positive, 0xF negative;
// any nonzero nibble reads as negative, as the key order treats it).
//
// Values are carried as integers scaled by 10^places, so a DECIMAL(7,2)
// holding 12.34 is the integer 1234. Conversions never overflow: a value
// that does not fit the field's digits is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavo {

inline constexpr std::size_t kMaxPackedDecimalBytes = 16;

// Reads the scaled value of a packed field of `size` bytes. False when a
// digit nibble is above 9 or the field is wider than kMaxPackedDecimalBytes
// (wider fields could overflow 64 bits). Digits beyond 18 are refused too.
bool ReadPackedDecimal(const std::uint8_t* field, std::size_t size, std::int64_t* value);

// Writes value (already scaled) into a packed field of `size` bytes. False,
// leaving the field as it was, when it needs more digits than the field has
// or more than 18.
bool WritePackedDecimal(std::int64_t value, std::uint8_t* field, std::size_t size);

// Text of a scaled value with `places` digits after the point: "-12.34",
// "0.05", "7".
std::string FormatScaledDecimal(std::int64_t value, int places);

// Parses plain decimal text ("-12.3", "+5", "0.05") into a value scaled by
// 10^places. Surrounding blanks are allowed; more fractional digits than
// places, any other character or a value beyond 18 digits is refused.
bool ParseScaledDecimal(std::string_view text, int places, std::int64_t* value);

}  // namespace kavo
