#include "browse/list_format.h"

#include <gtest/gtest.h>

#include "runtime/cp1251.h"

namespace kavo {
namespace {

TEST(ListFormat, DxccColumns) {
  ListFormatResult r =
      ParseListFormat(Cp1251FromUtf8("43L(2)|M~Префикс~@s2@80L(2)|M~Страна~@s20@"));
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.columns.size(), 2u);
  EXPECT_EQ(r.columns[0].width, 43);
  EXPECT_EQ(r.columns[0].align, ColumnAlign::kLeft);
  EXPECT_EQ(r.columns[0].indent, 2);
  EXPECT_TRUE(r.columns[0].right_border);
  EXPECT_TRUE(r.columns[0].resizable);
  EXPECT_EQ(Utf8FromCp1251(r.columns[0].header), "Префикс");
  EXPECT_EQ(r.columns[0].picture, "s2");
  EXPECT_EQ(r.columns[1].width, 80);
  EXPECT_EQ(r.columns[1].picture, "s20");
}

TEST(ListFormat, LogColumnsWithIconScrollAndHeaderAlignment) {
  ListFormatResult r = ParseListFormat(Cp1251FromUtf8(
      "12L(2)|MI@p_p@48L(2)|M~Callsign~C@s12@37R(1)|M~Номер QSO~C(0)@n10.0@50L(1)|M~Страна~C(2)"
      "S(20)@s20@47R(1)|M~Дата~C(0)@D6@28R(1)|M~Время~C(0)@T1@35C(1)|M~Диапазон~C(0)@n5.1@33C(2)|M"
      "~РапортS~L@s3@33C(2)|M~РапортR~L@s3@24L(2)|M~MODE~@s5@20L(2)|M~QSL~C@s5@8L(2)|M~Область~@"
      "s2@"));
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.columns.size(), 12u);
  EXPECT_TRUE(r.columns[0].icon);
  EXPECT_TRUE(r.columns[0].header.empty());
  EXPECT_EQ(r.columns[1].header_align, ColumnAlign::kCentre);
  EXPECT_EQ(r.columns[1].align, ColumnAlign::kLeft);
  EXPECT_EQ(r.columns[2].align, ColumnAlign::kRight);
  EXPECT_EQ(r.columns[2].header_indent, 0);
  EXPECT_EQ(r.columns[3].scroll, 20);
  EXPECT_EQ(r.columns[3].header_indent, 2);
  EXPECT_EQ(r.columns[6].align, ColumnAlign::kCentre);
  EXPECT_EQ(r.columns[7].header_align, ColumnAlign::kLeft);
  EXPECT_EQ(r.columns[11].width, 8);
  EXPECT_EQ(r.columns[11].picture, "s2");
}

TEST(ListFormat, ColumnsWithoutBorderOrResize) {
  ListFormatResult r = ParseListFormat("36C(2)|M~P~L@s2@64L~G~@s20@48C~K~@s13@");
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.columns.size(), 3u);
  EXPECT_EQ(r.columns[0].header_align, ColumnAlign::kLeft);
  EXPECT_FALSE(r.columns[1].right_border);
  EXPECT_FALSE(r.columns[2].resizable);
  EXPECT_EQ(r.columns[2].align, ColumnAlign::kCentre);
}

TEST(ListFormat, BadTextIsAnErrorWithItsOffset) {
  const char* bad[] = {"",       "L@s2@",    "43@s2@", "43L(2@s2@", "43L~abc",      "43L~a~@s2",
                       "43L~a~", "43LX@s2@", "43L@@",  "43LS@s2@",  "99999999L@s2@"};
  for (const char* text : bad) {
    ListFormatResult r = ParseListFormat(text);
    EXPECT_FALSE(r.ok) << text;
    EXPECT_TRUE(r.columns.empty()) << text;
    EXPECT_FALSE(r.message.empty()) << text;
  }
  EXPECT_NE(ParseListFormat("43L@s2@10LX@s1@").message.find("offset 10"), std::string::npos);
}

}  // namespace
}  // namespace kavo
