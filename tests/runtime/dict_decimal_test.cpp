#include "runtime/dict_decimal.h"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace kavo {
namespace {

TEST(PackedDecimal, RoundTripsAtTheDigitLimits) {
  std::uint8_t f[4] = {};
  for (std::int64_t v : {0LL, 1LL, -1LL, 9999999LL, -9999999LL, 1000000LL}) {
    ASSERT_TRUE(WritePackedDecimal(v, f, 4)) << v;
    std::int64_t back = 0;
    ASSERT_TRUE(ReadPackedDecimal(f, 4, &back));
    EXPECT_EQ(back, v);
  }
  EXPECT_FALSE(WritePackedDecimal(10000000, f, 4));
  // Wide fields hold up to 18 digits, whatever their size.
  std::uint8_t wide[10] = {};
  EXPECT_FALSE(WritePackedDecimal(std::numeric_limits<std::int64_t>::min(), wide, 10));
  EXPECT_FALSE(WritePackedDecimal(1000000000000000000LL, wide, 10));
  ASSERT_TRUE(WritePackedDecimal(-999999999999999999LL, wide, 10));
  std::int64_t back = 0;
  ASSERT_TRUE(ReadPackedDecimal(wide, 10, &back));
  EXPECT_EQ(back, -999999999999999999LL);
}

TEST(PackedDecimal, RejectsBadNibblesAndSizes) {
  std::int64_t v = 0;
  const std::uint8_t bad_digit[2] = {0x0A, 0x00};
  EXPECT_FALSE(ReadPackedDecimal(bad_digit, 2, &v));
  const std::uint8_t nineteen_digits[10] = {0x09, 0x99, 0x99, 0x99, 0x99,
                                            0x99, 0x99, 0x99, 0x99, 0x99};
  EXPECT_FALSE(ReadPackedDecimal(nineteen_digits, 10, &v));
  std::uint8_t big[17] = {};
  EXPECT_FALSE(ReadPackedDecimal(big, 17, &v));
  EXPECT_FALSE(ReadPackedDecimal(big, 0, &v));
  EXPECT_FALSE(WritePackedDecimal(1, big, 0));
  const std::uint8_t minus_five[2] = {0xD0, 0x05};
  ASSERT_TRUE(ReadPackedDecimal(minus_five, 2, &v));
  EXPECT_EQ(v, -5);
}

TEST(ScaledDecimalText, FormatsAndParsesWithPlaces) {
  EXPECT_EQ(FormatScaledDecimal(1234, 2), "12.34");
  EXPECT_EQ(FormatScaledDecimal(-5, 2), "-0.05");
  EXPECT_EQ(FormatScaledDecimal(7, 0), "7");
  EXPECT_EQ(FormatScaledDecimal(0, 1), "0.0");
  std::int64_t v = 0;
  EXPECT_TRUE(ParseScaledDecimal(" 12.3 ", 2, &v));
  EXPECT_EQ(v, 1230);
  EXPECT_TRUE(ParseScaledDecimal("-0.05", 2, &v));
  EXPECT_EQ(v, -5);
  EXPECT_TRUE(ParseScaledDecimal("+42", 0, &v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ParseScaledDecimal(".5", 1, &v));
  EXPECT_EQ(v, 5);
  EXPECT_TRUE(ParseScaledDecimal("000000000000000000007", 0, &v));
  EXPECT_EQ(v, 7);
}

TEST(ScaledDecimalText, RefusesWhatIsNotAPlainNumber) {
  std::int64_t v = 99;
  for (const char* bad : {"", " ", "-", ".", "1.2.3", "12a", "1e5", "0x10", "1,5", "1.234",
                          "1234567890123456789", "- 1"}) {
    EXPECT_FALSE(ParseScaledDecimal(bad, 2, &v)) << bad;
  }
  EXPECT_FALSE(ParseScaledDecimal("1.5", 0, &v));
  EXPECT_EQ(v, 99);
}

}  // namespace
}  // namespace kavo
