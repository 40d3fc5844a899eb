#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "runtime/datetime.h"
#include "runtime/picture.h"
#include "runtime/regional.h"

namespace kavo {
namespace {

std::string Show(std::string_view picture, double value) {
  Picture p;
  PictureStatus status = Picture::Compile(picture, &p);
  EXPECT_TRUE(status.ok) << picture << ": " << status.message;
  return p.FormatNumber(value);
}

const int32_t kThursday5March2026 = DateFromParts(2026, 3, 5);
const int32_t k13_05_09_45 = TimeFromParts(13, 5, 9, 45);

TEST(DatePicture, AllEighteenFormats) {
  const char* expected[] = {" 3/05/26",    " 3/05/2026",
                            "Mar  5,2026", "March         5, 2026",
                            " 5/03/26",    " 5/03/2026",
                            " 5 Mar 26",   " 5 Mar 2026",
                            "26/03/05",    "2026/03/05",
                            "260305",      "20260305",
                            "03/26",       "03/2026",
                            "26/03",       "2026/03",
                            "03/05/26",    "Thu, March 05, 2026"};
  for (int format = 1; format <= 18; ++format) {
    std::string picture = "@D" + std::to_string(format);
    EXPECT_EQ(Show(picture, kThursday5March2026), expected[format - 1]) << picture;
    Picture p;
    ASSERT_TRUE(Picture::Compile(picture, &p).ok);
    if (format < 17) {
      EXPECT_EQ(p.width(), static_cast<int>(std::string(expected[format - 1]).size()));
    }
  }
}

TEST(DatePicture, ApplicationPicturesAndRangeEnds) {
  EXPECT_EQ(Show("D6", 4), " 1/01/1801");
  EXPECT_EQ(Show("d6", kLastDate), "31/12/9999");
  EXPECT_EQ(Show("@D8", DateFromParts(2026, 12, 8)), " 8 Dec 2026");
  // No date, and numbers that are no date, show as blanks of the same width.
  EXPECT_EQ(Show("D6", 0), "          ");
  EXPECT_EQ(Show("D6", 3), "          ");
  EXPECT_EQ(Show("D6", kLastDate + 1), "          ");
  EXPECT_EQ(Show("D6", -100), "          ");
  EXPECT_EQ(Show("D6", 1e300), "          ");
  EXPECT_EQ(Show("D6", std::nan("")), "          ");
}

TEST(DatePicture, FillAndSeparatorReplaceTheDefaults) {
  int32_t d = kThursday5March2026;
  EXPECT_EQ(Show("@D06", d), "05/03/2026");
  EXPECT_EQ(Show("@D_2", d), " 3/ 5/2026");
  EXPECT_EQ(Show("@D*6", d), "*5/*3/2026");
  EXPECT_EQ(Show("@D6-", d), " 5-03-2026");
  EXPECT_EQ(Show("@D6.", d), " 5.03.2026");
  EXPECT_EQ(Show("@D6_", d), " 5 03 2026");
  EXPECT_EQ(Show("@D6`", d), " 5,03,2026");
  EXPECT_EQ(Show("@D3-", d), "Mar  5-2026");
  EXPECT_EQ(Show("@D4.", d), "March         5. 2026");
  EXPECT_EQ(Show("@D8-", d), " 5-Mar-2026");
  EXPECT_EQ(Show("@D010", d), "2026/03/05");
  EXPECT_EQ(Show("@D*4", d), "March******* *5, 2026");
  EXPECT_EQ(Show("@D6.<50B", d), " 5.03.2026");
}

TEST(TimePicture, AllEightFormats) {
  const char* expected[] = {"13:05",  "1305",       " 1:05PM",  "13:05:09",
                            "130509", " 1:05:09PM", "01:05 PM", "01:05:09 PM"};
  for (int format = 1; format <= 8; ++format) {
    std::string picture = "@T" + std::to_string(format);
    EXPECT_EQ(Show(picture, k13_05_09_45), expected[format - 1]) << picture;
  }
}

TEST(TimePicture, ApplicationPicturesEndsAndTwelveHourClock) {
  EXPECT_EQ(Show("T1", TimeFromParts(9, 5, 0, 0)), " 9:05");
  EXPECT_EQ(Show("t1", 1), " 0:00");
  EXPECT_EQ(Show("@T4", kLastTime), "23:59:59");
  EXPECT_EQ(Show("@T4", kLastTime + 1), "        ");
  EXPECT_EQ(Show("@T4", 0), "        ");
  EXPECT_EQ(Show("@T3", 1), "12:00AM");
  EXPECT_EQ(Show("@T3", TimeFromParts(12, 0, 0, 0)), "12:00PM");
  EXPECT_EQ(Show("@T3", TimeFromParts(11, 59, 0, 0)), "11:59AM");
  EXPECT_EQ(Show("@T01", TimeFromParts(9, 5, 0, 0)), "09:05");
  EXPECT_EQ(Show("@T1.", TimeFromParts(9, 5, 0, 0)), " 9.05");
  EXPECT_EQ(Show("@T*4-", TimeFromParts(9, 5, 7, 0)), "*9-*5-*7");
}

TEST(TimePicture, DesktopFormatsFollowTheRegionalSettings) {
  RegionalSettings saved = Regional();
  RegionalSettings r = saved;
  r.clock24 = true;
  r.hour_leading_zero = false;
  r.time_separator = ".";
  r.short_date = "dd.MM.yyyy";
  r.long_date = "d MMMM yyyy' \xE3.'";
  r.month_names[2] = "\xEC\xE0\xF0\xF2\xE0";  // "марта"
  SetRegional(r);
  EXPECT_EQ(Show("@T7", TimeFromParts(9, 5, 0, 0)), " 9.05");
  EXPECT_EQ(Show("@T8", k13_05_09_45), "13.05.09");
  EXPECT_EQ(Show("@D17", kThursday5March2026), "05.03.2026");
  EXPECT_EQ(Show("@D18", kThursday5March2026), "5 \xEC\xE0\xF0\xF2\xE0 2026 \xE3.");
  EXPECT_EQ(Show("@D8", kThursday5March2026), " 5 \xEC\xE0\xF0 2026");
  DeformatResult read = Deformat("@D18", "5 \xEC\xE0\xF0\xF2\xE0 2026 \xE3.");
  EXPECT_TRUE(read.ok()) << read.status.message;
  EXPECT_EQ(read.number, kThursday5March2026);
  SetRegional(saved);
  EXPECT_EQ(Show("@T7", TimeFromParts(9, 5, 0, 0)), "09:05 AM");
}

TEST(NumberPicture, ApplicationPictures) {
  EXPECT_EQ(Show("n5.1", 14.0), " 14.0");
  EXPECT_EQ(Show("n5.1", 1.8), "  1.8");
  EXPECT_EQ(Show("n5.1", 430), "430.0");
  EXPECT_EQ(Show("n6.1", 144), " 144.0");
  EXPECT_EQ(Show("n4.1", -3), "-3.0");  // SET:GMT west of Greenwich
  EXPECT_EQ(Show("n4.1", 3), " 3.0");
  EXPECT_EQ(Show("n-10.0", 1234567), " 1,234,567");
  EXPECT_EQ(Show("n-10.0", -1234567), "-1,234,567");
  EXPECT_EQ(Show("@n10.0", 42), "        42");
  EXPECT_EQ(Show("n_6", 123456), "123456");
  EXPECT_EQ(Show("n_6", 1234), "  1234");
  EXPECT_EQ(Show("N2", 10), "10");
  EXPECT_EQ(Show("n4", 1234), "1234");
  EXPECT_EQ(Show("n5", 12345), "12345");  // no room for the comma
  EXPECT_EQ(Show("n5", 123456), "#####");
  EXPECT_EQ(Show("N3", 100), "100");
}

TEST(NumberPicture, SignsCurrencyFillsAndGrouping) {
  EXPECT_EQ(Show("@n06", 42), "000042");
  EXPECT_EQ(Show("@n06", -42), "-00042");
  EXPECT_EQ(Show("@n*8.2", 12.5), "***12.50");
  EXPECT_EQ(Show("@n*8.2", 1234.5), "1,234.50");
  EXPECT_EQ(Show("@n$10.2", 1234.5), " $1,234.50");
  EXPECT_EQ(Show("@n$-10.2", -1234.5), "-$1,234.50");
  EXPECT_EQ(Show("@n(10.2)", -1234.5), "(1,234.50)");
  EXPECT_EQ(Show("@n(10.2)", 1234.5), " 1,234.50 ");
  EXPECT_EQ(Show("@n~RUB ~10", 1234), " RUB 1,234");
  EXPECT_EQ(Show("@n_10.2", 1234567.5), "1234567.50");
  EXPECT_EQ(Show("@n12", 1234567890), "  1234567890");  // grouped needs 13
  EXPECT_EQ(Show("@n13", 1234567890), "1,234,567,890");
}

TEST(NumberPicture, RoundingZeroAndOverflow) {
  EXPECT_EQ(Show("@n4.2", 0.125), "0.13");  // half away from zero on the decimal text
  EXPECT_EQ(Show("@n5.2", 2.675), " 2.68");
  EXPECT_EQ(Show("@n5.2", -2.675), "-2.68");
  EXPECT_EQ(Show("@n5.2", -0.004), " 0.00");  // no negative zero
  EXPECT_EQ(Show("@n5.1", 999.95), "#####");  // rounds to 1,000.0
  EXPECT_EQ(Show("@n7.1", 999.95), "1,000.0");
  EXPECT_EQ(Show("@n2.1", 0.5), ".5");
  EXPECT_EQ(Show("@n5.1B", 0), "     ");
  EXPECT_EQ(Show("@n5.1B", 0.04), "     ");
  EXPECT_EQ(Show("@n5.1B", 0.05), "  0.1");
  EXPECT_EQ(Show("@n5.1", 0), "  0.0");
  EXPECT_EQ(Show("@n5", std::numeric_limits<double>::infinity()), "#####");
  EXPECT_EQ(Show("@n5", std::nan("")), "#####");
  EXPECT_EQ(Show("@n5", 1e300), "#####");
  EXPECT_EQ(Show("@n100.99", 0.5), ".5" + std::string(98, '0'));
  EXPECT_EQ(Show("@n100.99", 1), std::string(100, '#'));
  EXPECT_EQ(Show("@n100.98", 1), "1." + std::string(98, '0'));
  EXPECT_EQ(Show("@n4", -999), "-999");
  EXPECT_EQ(Show("@n3", -999), "###");  // the sign needs a position too
}

TEST(StringPicture, CutsPadsAndShowsNumbers) {
  EXPECT_EQ(Show("s5", 3), "3    ");
  EXPECT_EQ(Show("s5B", 0), "     ");
  EXPECT_EQ(FormatText("s5", "ab"), "ab   ");
  EXPECT_EQ(FormatText("@s3", "\xCF\xCE\xCB\xD3\xD7"), "\xCF\xCE\xCB");  // ПОЛУЧ
  EXPECT_EQ(FormatText("s255", std::string(300, 'x')), std::string(255, 'x'));
  EXPECT_EQ(FormatText("@n5.1", " 14 "), " 14.0");
  EXPECT_EQ(FormatText("@n5.1", "abc"), "  0.0");
  EXPECT_EQ(FormatText("@D6", "4"), " 1/01/1801");
}

TEST(PatternPicture, DigitsLiteralsAndSuppressedZeros) {
  EXPECT_EQ(Show("@P(###)###-####P", 4951234567), "(495)123-4567");
  EXPECT_EQ(Show("@P(###)###-####P", 1234567), "(000)123-4567");
  EXPECT_EQ(Show("pPage <<<#p", 7), "Page    7");
  EXPECT_EQ(Show("pPage <<<#p", 0), "Page    0");
  EXPECT_EQ(Show("pPage <<<#p", 1234), "Page 1234");
  EXPECT_EQ(Show("pPage <<<#p", 12345), "#########");
  EXPECT_EQ(Show("pPage <<<#p", -12), "Page  -12");
  EXPECT_EQ(Show("p####p", -12), "####");
  EXPECT_EQ(Show("p<<#pB", 0), "   ");
  EXPECT_EQ(Show("p\xD1\xF2\xF0. <<<#p", 12), "\xD1\xF2\xF0.   12");  // "Стр."
}

TEST(Formatting, OneStepHelpersAndInvalidPictures) {
  EXPECT_EQ(FormatNumber("@D6", 4), " 1/01/1801");
  EXPECT_EQ(FormatNumber("@X6", 4), "");
  EXPECT_EQ(FormatText("@s0", "a"), "");
  EXPECT_FALSE(Deformat("@Q", "1").ok());
}

}  // namespace
}  // namespace kavo
