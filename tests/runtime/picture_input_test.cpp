// Bad picture texts and typed text that does not match its picture.

#include <string>

#include <gtest/gtest.h>

#include "runtime/datetime.h"
#include "runtime/picture.h"

namespace kavo {
namespace {

double Read(std::string_view picture, std::string_view text) {
  DeformatResult r = Deformat(picture, text);
  EXPECT_TRUE(r.ok()) << picture << " [" << text << "]: " << r.status.message;
  return r.number;
}

void ExpectRejected(std::string_view picture, std::string_view text) {
  DeformatResult r = Deformat(picture, text);
  EXPECT_FALSE(r.ok()) << picture << " [" << text << "] read as " << r.number;
  EXPECT_FALSE(r.status.message.empty());
}

TEST(PictureCompile, RejectsMalformedPictures) {
  const char* bad[] = {"",        "@",      "@X5",     "@s",     "@s0",        "@s256", "@s1000",
                       "@s12x",   "@s-1",   "@n",      "@n0",    "@n101",      "@n5.",  "@n5.100",
                       "@n5..1",  "@n(5.1", "@n5.1)",  "@n2.2",  "@n-1",       "@n(2)", "@n$1",
                       "@n~abc5", "@n~~5",  "@n5x",    "@n--5",  "@n00005000", "@D",    "@D0",
                       "@D19",    "@D6x",   "@D6<123", "@D6<a",  "@D6..",      "@D*",   "@D100",
                       "@T",      "@T9",    "@T0",     "@T1<50", "@T1x",       "@P###", "@PabcP",
                       "@PP",     "@P",     "@sB",     "@nB"};
  for (const char* text : bad) {
    Picture p;
    PictureStatus status = Picture::Compile(text, &p);
    EXPECT_FALSE(status.ok) << "accepted [" << text << "]";
    EXPECT_FALSE(status.message.empty()) << text;
    EXPECT_EQ(p.type(), PictureType::kNone) << text;
  }
}

TEST(PictureCompile, LengthLimitIsOneHundredCharacters) {
  Picture p;
  std::string longest = "@P" + std::string(97, '#') + "P";
  ASSERT_EQ(longest.size(), 100u);
  EXPECT_TRUE(Picture::Compile(longest, &p).ok);
  EXPECT_EQ(p.width(), 97);
  EXPECT_EQ(p.FormatNumber(5), std::string(96, '0') + "5");
  EXPECT_FALSE(Picture::Compile("@P" + std::string(98, '#') + "P", &p).ok);
  EXPECT_FALSE(Picture::Compile(std::string(5000, 'n'), &p).ok);
  EXPECT_TRUE(Picture::Compile("@n100", &p).ok);
  EXPECT_TRUE(Picture::Compile("@s255", &p).ok);
  EXPECT_TRUE(Picture::Compile("@n100.99", &p).ok);
}

TEST(PictureCompile, AcceptsEveryApplicationPicture) {
  for (const char* text :
       {"s2",   "s3",    "s5",   "s6",     "s8",     "s9",   "s12",   "s13",        "s15",
        "s20",  "s22",   "s60",  "s120",   "s255",   "D6",   "d6",    "T1",         "t1",
        "n5.1", "n4.1",  "n6.1", "n-10.0", "n_6",    "N2",   "n2",    "n4",         "n5",
        "N3",   "n10.0", "@D8",  "@T4",    "@D6<50", "@D6>", "@D6.B", "pPage <<<#p"}) {
    Picture p;
    PictureStatus status = Picture::Compile(text, &p);
    EXPECT_TRUE(status.ok) << text << ": " << status.message;
    EXPECT_GT(p.width(), 0) << text;
  }
}

TEST(DateDeformat, ReadsThePictureAndTolerantForms) {
  EXPECT_EQ(Read("D6", " 1/01/1801"), 4);
  EXPECT_EQ(Read("D6", "1/1/1801"), 4);
  EXPECT_EQ(Read("D6", "01011801"), 4);
  EXPECT_EQ(Read("D6", "31.12.9999"), kLastDate);
  EXPECT_EQ(Read("D6", "5 Mar 2026"), DateFromParts(2026, 3, 5));
  EXPECT_EQ(Read("D6", "   "), 0);
  EXPECT_EQ(Read("D6", ""), 0);
  EXPECT_EQ(Read("D8", " 5 mar 2026"), DateFromParts(2026, 3, 5));
  EXPECT_EQ(Read("D8", "5 MARCH 2026"), DateFromParts(2026, 3, 5));
  EXPECT_EQ(Read("D4", "March         5, 2026"), DateFromParts(2026, 3, 5));
  EXPECT_EQ(Read("D18", "Thu, March 05, 2026"), DateFromParts(2026, 3, 5));
  EXPECT_EQ(Read("D18", "March 05, 2026"), DateFromParts(2026, 3, 5));
  EXPECT_EQ(Read("D12", "20260305"), DateFromParts(2026, 3, 5));
  EXPECT_EQ(Read("D11", "260305"), DateFromParts(ExpandYear(26), 3, 5));
  EXPECT_EQ(Read("D14", "03/2026"), DateFromParts(2026, 3, 1));
  EXPECT_EQ(Read("D2", "3/5/2026"), DateFromParts(2026, 3, 5));
}

TEST(DateDeformat, TwoDigitYearsUseThePictureWindow) {
  struct {
    const char* picture;
    int window;
  } cases[] = {{"D5", 80},  {"D5<", 80},   {"D5<10", 10}, {"D5<0", 0},
               {"D5>", 19}, {"D5>10", 89}, {"D5>99", 0},  {"D6.<5B", 5}};
  // A year 30 years ahead: windows 80 and 19 put it in different centuries.
  int yy = (CurrentYear() + 30) % 100;
  ASSERT_NE(ExpandYear(yy, 80), ExpandYear(yy, 19));
  std::string typed = "1/1/" + std::to_string(yy);
  for (const auto& c : cases) {
    Picture p;
    ASSERT_TRUE(Picture::Compile(c.picture, &p).ok) << c.picture;
    EXPECT_EQ(p.layout().window, c.window) << c.picture;
    DeformatResult r = p.Deformat(typed);
    ASSERT_TRUE(r.ok()) << c.picture;
    EXPECT_EQ(r.number, DateFromParts(ExpandYear(yy, c.window), 1, 1)) << c.picture;
  }
  EXPECT_EQ(Read("D5", "0101" + std::to_string(yy + 100).substr(1)),
            DateFromParts(ExpandYear(yy, 80), 1, 1));
}

TEST(DateDeformat, RejectsTextThatIsNoDateOfThePicture) {
  for (const char* text : {"29/02/1900", "32/01/2000",
                           "1/13/2000",  "0/1/2000",
                           "1/0/2000",   "1/1",
                           "1",          "1/1/2000/5",
                           "abc",        "1/1/2000x",
                           "1/1/0026",   "1/1/1800",
                           "1/1/10000",  "1/1/123",
                           "1 Foo 2026", "1 Ma 2026",
                           "123/1/2000", "1/1/2000!",
                           "\xFF\xFE",   "1234567",
                           "/ / /",      "99999999999999999999"}) {
    ExpectRejected("D6", text);
  }
  ExpectRejected("D8", " 5 Mar");
  ExpectRejected("D14", "5/03/2026");
}

TEST(DateDeformat, EveryFormatReadsBackWhatItShows) {
  for (int format = 1; format <= 18; ++format) {
    Picture p;
    ASSERT_TRUE(Picture::Compile("@D" + std::to_string(format), &p).ok);
    bool two_digit_year = format == 1 || format == 5 || format == 7 || format == 9 ||
                          format == 11 || format == 13 || format == 15 || format == 17;
    bool month_only = format >= 13 && format <= 16;
    for (int32_t date = kFirstDate; date <= kLastDate; date += 997) {
      DateParts parts;
      ASSERT_TRUE(DateToParts(date, &parts));
      if (two_digit_year && ExpandYear(parts.year % 100) != parts.year) continue;
      std::string shown = p.FormatNumber(date);
      DeformatResult r = p.Deformat(shown);
      ASSERT_TRUE(r.ok()) << format << " [" << shown << "] " << r.status.message;
      int32_t expected = month_only ? DateFromParts(parts.year, parts.month, 1) : date;
      ASSERT_EQ(r.number, expected) << format << " [" << shown << "]";
    }
  }
}

TEST(TimeDeformat, ReadsTimesWithAndWithoutSeparators) {
  EXPECT_EQ(Read("T1", " 9:05"), TimeFromParts(9, 5, 0, 0));
  EXPECT_EQ(Read("T1", "9.05"), TimeFromParts(9, 5, 0, 0));
  EXPECT_EQ(Read("T1", "0905"), TimeFromParts(9, 5, 0, 0));
  EXPECT_EQ(Read("T1", "905"), TimeFromParts(9, 5, 0, 0));
  EXPECT_EQ(Read("T1", "9"), TimeFromParts(9, 0, 0, 0));
  EXPECT_EQ(Read("T4", "23:59:59"), TimeFromParts(23, 59, 59, 0));
  EXPECT_EQ(Read("T4", "9:05:30.5"), TimeFromParts(9, 5, 30, 50));
  EXPECT_EQ(Read("T5", "090530"), TimeFromParts(9, 5, 30, 0));
  EXPECT_EQ(Read("T3", " 9:05PM"), TimeFromParts(21, 5, 0, 0));
  EXPECT_EQ(Read("T3", "12:30pm"), TimeFromParts(12, 30, 0, 0));
  EXPECT_EQ(Read("T3", "12:30 a"), TimeFromParts(0, 30, 0, 0));
  EXPECT_EQ(Read("T3", "13:30"), TimeFromParts(13, 30, 0, 0));
  // Midnight typed is midnight (time 1); only blank text is "no time".
  EXPECT_EQ(Read("T1", " 0:00"), kFirstTime);
  EXPECT_EQ(Read("T3", "12:00AM"), kFirstTime);
  EXPECT_EQ(Read("T1", "  "), 0);
}

TEST(TimeDeformat, RejectsTextThatIsNoTime) {
  for (const char* text : {"24:00", "9:60", "9:05:60", "13:00PM", "0:30AM", "9:05xx", "9;05",
                           "1:2:3:4:5", "123456789", "9:123", "abc", "12:00 AM PM", "-1:00"}) {
    ExpectRejected("T4", text);
  }
}

TEST(TimeDeformat, EveryFormatReadsBackWhatItShows) {
  for (int format = 1; format <= 8; ++format) {
    Picture p;
    ASSERT_TRUE(Picture::Compile("@T" + std::to_string(format), &p).ok);
    bool seconds = format == 4 || format == 5 || format == 6 || format == 8;
    for (int32_t t = kFirstTime; t <= kLastTime; t += 6007) {
      TimeParts parts;
      ASSERT_TRUE(TimeToParts(t, &parts));
      int32_t expected = TimeFromParts(parts.hours, parts.minutes, seconds ? parts.seconds : 0, 0);
      if (expected == 0) expected = kFirstTime;
      std::string shown = p.FormatNumber(t);
      DeformatResult r = p.Deformat(shown);
      ASSERT_TRUE(r.ok()) << format << " [" << shown << "] " << r.status.message;
      ASSERT_EQ(r.number, expected) << format << " [" << shown << "]";
    }
  }
}

TEST(NumberDeformat, ReadsSignsGroupingCurrencyAndRounds) {
  EXPECT_EQ(Read("n-10.0", " 1,234,567"), 1234567);
  EXPECT_EQ(Read("n-10.0", "-12"), -12);
  EXPECT_EQ(Read("n-10.0", "12-"), -12);
  EXPECT_EQ(Read("n-10.0", "+12"), 12);
  EXPECT_EQ(Read("n-10.0", "1.5"), 2);
  EXPECT_EQ(Read("n-10.0", ""), 0);
  EXPECT_EQ(Read("@n(10.2)", "(1,234.50)"), -1234.5);
  EXPECT_EQ(Read("@n$10.2", " $1,234.50"), 1234.5);
  EXPECT_EQ(Read("@n~RUB ~10", "RUB 99"), 99);
  EXPECT_EQ(Read("@n*8.2", "***12.50"), 12.5);
  EXPECT_EQ(Read("n5.1", "14.05"), 14.1);
  EXPECT_EQ(Read("n5.1", ".5"), 0.5);
  EXPECT_EQ(Read("n4.1", "-3"), -3);
  EXPECT_EQ(Read("n5.1", "-0.01"), 0);
}

TEST(NumberDeformat, RejectsNonNumbersAndNumbersTooWideForThePicture) {
  for (const char* text : {"abc", "1.2.3",       "--1",         "1,,2", ",12",   "12,",     "(12",
                           "12)", "1 2",         "1e5",         "0x10", "inf",   "nan",     "-",
                           ".",   "12345678901", "-1234567890", "1-2",  "(-12)", "\xCF\xCE"}) {
    ExpectRejected("n-10.0", text);
  }
  ExpectRejected("n5.1", "999.95");  // rounds to 1,000.0: six positions
  ExpectRejected("N2", "100");
  ExpectRejected("n3", "-999");
  ExpectRejected("n-10.0", std::string(400, '9'));
}

TEST(NumberDeformat, FormattedValuesReadBack) {
  for (const char* picture : {"n-10.0", "n5.1", "n4.1", "n_6", "@n(12.2)", "@n$-12.2", "@n*9.3",
                              "@n010.1", "@n~RUB~14.2"}) {
    Picture p;
    ASSERT_TRUE(Picture::Compile(picture, &p).ok);
    for (double v : {0.0, 1.0, -1.0, 12.5, -99.9, 123.4, 9999.0}) {
      std::string shown = p.FormatNumber(v);
      if (shown.find('#') != std::string::npos) continue;
      DeformatResult r = p.Deformat(shown);
      ASSERT_TRUE(r.ok()) << picture << " [" << shown << "] " << r.status.message;
      EXPECT_EQ(p.FormatNumber(r.number), shown) << picture;
    }
  }
}

TEST(StringAndPatternDeformat, LengthAndLiteralsMustMatch) {
  DeformatResult r = Deformat("s3", "abc  ");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.text, "abc");
  ExpectRejected("s3", "abcd");
  EXPECT_EQ(Read("@P(###)###-####P", "(495)123-4567"), 4951234567.0);
  EXPECT_EQ(Read("pPage <<<#p", "Page   12"), 12);
  EXPECT_EQ(Read("pPage <<<#p", "Page 12"), 12);
  EXPECT_EQ(Read("pPage <<<#p", "Page  -12"), -12);
  EXPECT_EQ(Read("pPage <<<#p", ""), 0);
  ExpectRejected("pPage <<<#p", "Pg      12");
  ExpectRejected("pPage <<<#p", "Page 1 2");
  ExpectRejected("pPage <<<#p", "Page 12345");
  ExpectRejected("pPage <<<#p", "Page 1x");
  ExpectRejected("@P(###)###-####P", "495-123-4567");
}

}  // namespace
}  // namespace kavo
