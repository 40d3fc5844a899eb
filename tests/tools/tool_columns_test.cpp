#include "tools/tool_columns.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "runtime/datetime.h"
#include "tools/tool_tsv.h"

namespace kavo::tool {
namespace {

std::string Cell(const TableDef& def, int column, const void* row,
                 const std::vector<std::string>& memos = {}, CellOptions options = {}) {
  std::string out;
  AppendCell(def, TableColumns(def)[static_cast<std::size_t>(column)],
             static_cast<const std::uint8_t*>(row), memos, options, &out);
  return out;
}

std::string Store(const TableDef& def, int column, std::string_view cell, void* row,
                  std::vector<std::string>* memos = nullptr, CellOptions options = {},
                  bool* cut = nullptr) {
  std::vector<std::string> none;
  bool ignored = false;
  return StoreCell(def, TableColumns(def)[static_cast<std::size_t>(column)], cell, options,
                   static_cast<std::uint8_t*>(row), memos ? memos : &none, cut ? cut : &ignored);
}

constexpr int kDate = 4;  // AAA:DATA
constexpr int kTime = 5;  // AAA:TIM

TEST(ToolColumns, LogRowRoundTripsThroughCells) {
  const TableDef& def = dict::AAAA();
  ASSERT_EQ(TableColumns(def).size(), 13u);
  EXPECT_EQ(TableColumns(def)[2].name, "AAA:N_QSO");
  dict::AAAARecord AAA;
  AAA.Clear();
  const char* cells[] = {"ua3abc",     "77",          "1234567", "Европейская Россия",
                         "2026-12-08", "12:30:00.00", "14.025",  "CW",
                         "599",        "579",         "Москва",  "ПОЛУЧ",
                         "tab\\there"};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(Store(def, i, cells[i], &AAA), "") << cells[i];
  EXPECT_EQ(dict::TextOf(AAA.QSL), "\xCF\xCE\xCB\xD3\xD7");
  EXPECT_EQ(AAA.N_QSO.get(), 1234567);
  EXPECT_EQ(std::int32_t{AAA.DATA}, DateFromParts(2026, 12, 8));
  EXPECT_EQ(std::int32_t{AAA.TIM}, TimeFromParts(12, 30, 0, 0));
  EXPECT_EQ(double{AAA.DIAPAZ}, 14.025);
  EXPECT_EQ(dict::TextOf(AAA.PRIMEC), "tab\there");
  for (int i = 0; i < 13; ++i) EXPECT_EQ(Cell(def, i, &AAA), cells[i]) << i;
}

TEST(ToolColumns, EmptyCellsAreBlankOrZero) {
  const TableDef& def = dict::AAAA();
  dict::AAAARecord AAA;
  std::memset(&AAA, 'x', sizeof AAA);
  EXPECT_EQ(Store(def, 0, "", &AAA), "");
  EXPECT_EQ(Store(def, 2, "", &AAA), "");
  EXPECT_EQ(Store(def, 6, "", &AAA), "");
  EXPECT_EQ(std::string(AAA.POZ, 12), std::string(12, ' '));
  EXPECT_EQ(AAA.N_QSO.get(), 0);
  EXPECT_EQ(double{AAA.DIAPAZ}, 0.0);
}

TEST(ToolColumns, LongTextIsRefusedUnlessCutIsAsked) {
  const TableDef& def = dict::AAAA();
  dict::AAAARecord AAA;
  AAA.Clear();
  EXPECT_EQ(Store(def, 0, "UA3ABC/P/MM/QRP", &AAA),
            "15 characters where the field holds 12 (--truncate cuts them)");
  // A Cyrillic letter is two UTF-8 bytes but one character in the row, and
  // trailing blanks do not count.
  EXPECT_EQ(Store(def, 1, "ЖЖ      ", &AAA), "");
  EXPECT_EQ(std::string(AAA.PR, 2), "\xC6\xC6");
  EXPECT_EQ(Store(def, 1, "ЖЖЖ", &AAA),
            "3 characters where the field holds 2 (--truncate cuts them)");

  bool cut = false;
  EXPECT_EQ(Store(def, 1, "ЖЖЖ", &AAA, nullptr, {.truncate = true}, &cut), "");
  EXPECT_TRUE(cut);
  EXPECT_EQ(std::string(AAA.PR, 2), "\xC6\xC6");
  EXPECT_EQ(Store(def, 1, "AB", &AAA, nullptr, {.truncate = true}, &cut), "");
  EXPECT_FALSE(cut);
}

TEST(ToolColumns, LogDatesAndTimesReadAsPeopleWriteThem) {
  const TableDef& def = dict::AAAA();
  dict::AAAARecord AAA;
  AAA.Clear();
  const std::int32_t day = DateFromParts(2026, 12, 8);
  for (const char* cell : {"2026-12-08", "08.12.2026", "8.12.2026", "82525"}) {
    AAA.DATA = 0;
    EXPECT_EQ(Store(def, kDate, cell, &AAA), "") << cell;
    EXPECT_EQ(std::int32_t{AAA.DATA}, day) << cell;
  }
  EXPECT_EQ(Cell(def, kDate, &AAA), "2026-12-08");
  EXPECT_EQ(Cell(def, kDate, &AAA, {}, {.raw = true}), "82525");

  const std::int32_t time = TimeFromParts(9, 5, 7, 30);
  for (const char* cell : {"09:05:07.30", "9:05:07.3", "3270731"}) {
    AAA.TIM = 0;
    EXPECT_EQ(Store(def, kTime, cell, &AAA), "") << cell;
    EXPECT_EQ(std::int32_t{AAA.TIM}, time) << cell;
  }
  EXPECT_EQ(Cell(def, kTime, &AAA), "09:05:07.30");
  EXPECT_EQ(Cell(def, kTime, &AAA, {}, {.raw = true}), "3270731");
  EXPECT_EQ(Store(def, kTime, "14:30", &AAA), "");
  EXPECT_EQ(Cell(def, kTime, &AAA), "14:30:00.00");
  // Midnight is a time (1), not the absence of one (0).
  EXPECT_EQ(Store(def, kTime, "00:00:00.00", &AAA), "");
  EXPECT_EQ(std::int32_t{AAA.TIM}, kFirstTime);
  EXPECT_EQ(Cell(def, kTime, &AAA), "00:00:00.00");

  // None is blank; a stored number that is no date or time shows as itself.
  EXPECT_EQ(Store(def, kDate, "", &AAA), "");
  EXPECT_EQ(Store(def, kTime, "", &AAA), "");
  EXPECT_EQ(Cell(def, kDate, &AAA), "");
  EXPECT_EQ(Cell(def, kTime, &AAA), "");
  AAA.DATA = -7;
  AAA.TIM = 8640001;
  EXPECT_EQ(Cell(def, kDate, &AAA), "-7");
  EXPECT_EQ(Cell(def, kTime, &AAA), "8640001");

  for (const char* bad : {"2026-02-30", "2026-13-01", "1700-01-01", "0099-01-01", "08.12.26",
                          "2026-12", "2026/12/08", "2026-12-08x", "12.2026", "-", ""}) {
    if (*bad == '\0') continue;
    EXPECT_EQ(Store(def, kDate, bad, &AAA), "bad date (YYYY-MM-DD, DD.MM.YYYY or a day number)")
        << bad;
  }
  for (const char* bad :
       {"24:00", "12:60", "12:30:61", "12:30.5", "12:30:00.123", "12::00", "12:3x", "noon"}) {
    EXPECT_EQ(Store(def, kTime, bad, &AAA), "bad time (HH:MM:SS.cc or a time number)") << bad;
  }
}

TEST(ToolColumns, BadCellsAreRefused) {
  const TableDef& def = dict::AAAA();
  dict::AAAARecord AAA;
  AAA.Clear();
  for (const char* bad : {"12x", "1.5", "99999999", "-", "0x12"}) {
    EXPECT_EQ(Store(def, 2, bad, &AAA), "bad number") << bad;  // N_QSO
  }
  for (const char* bad : {"2147483648", "-2147483649", "1e3", " 5", "five"}) {
    EXPECT_EQ(Store(def, kDate, bad, &AAA), "bad date (YYYY-MM-DD, DD.MM.YYYY or a day number)")
        << bad;
  }
  for (const char* bad : {"inf", "nan", "1e999", "14,0", "."}) {
    EXPECT_EQ(Store(def, 6, bad, &AAA), "bad number") << bad;  // DIAPAZ
  }
  EXPECT_EQ(Store(def, 0, "日本", &AAA), "text not representable in code page 1251");
  EXPECT_EQ(Store(def, 0, "\xFF\xFE", &AAA), "text not representable in code page 1251");
  EXPECT_EQ(Store(def, kDate, "-2147483648", &AAA), "");
  EXPECT_EQ(std::int32_t{AAA.DATA}, INT32_MIN);
  EXPECT_EQ(Store(def, 6, "+1.8", &AAA), "");
  EXPECT_EQ(double{AAA.DIAPAZ}, 1.8);
}

TEST(ToolColumns, OtherTypesUseHexAndDecimalsTheirPlaces) {
  TableDef def;
  def.record_length = 4 + 6 + 4 + 3;
  FieldDef money;
  money.name = "T:MONEY";
  money.type = FieldType::kDecimal;
  money.size = 4;
  money.places = 2;
  FieldDef group;
  group.name = "T:G";
  group.type = FieldType::kGroup;
  group.offset = 4;
  group.size = 6;
  FieldDef ulong;
  ulong.name = "T:U";
  ulong.type = FieldType::kULong;
  ulong.offset = 10;
  ulong.size = 4;
  FieldDef pstring;
  pstring.name = "T:P";
  pstring.type = FieldType::kPString;
  pstring.offset = 14;
  pstring.size = 3;
  def.fields = {money, group, ulong, pstring};
  std::uint8_t row[17] = {};
  EXPECT_EQ(Store(def, 0, "-12.5", row), "");
  EXPECT_EQ(Cell(def, 0, row), "-12.50");
  EXPECT_EQ(Store(def, 1, "0x0102030405ff", row), "");
  EXPECT_EQ(Cell(def, 1, row), "0x0102030405ff");
  EXPECT_EQ(Store(def, 1, "0x0102", row), "bad hexadecimal bytes");
  EXPECT_EQ(Store(def, 2, "4294967295", row), "");
  EXPECT_EQ(Cell(def, 2, row), "4294967295");
  EXPECT_EQ(Store(def, 2, "4294967296", row), "bad number");
  EXPECT_EQ(Store(def, 2, "-1", row), "bad number");
  EXPECT_EQ(Store(def, 3, "abcdef", row, nullptr, {.truncate = true}), "");
  EXPECT_EQ(row[14], 2);
  EXPECT_EQ(Cell(def, 3, row), "ab");
  // Trailing blanks never show, so they are not stored either, not even
  // when the cut leaves them at the end.
  EXPECT_EQ(Store(def, 3, "a b", row, nullptr, {.truncate = true}), "");
  EXPECT_EQ(row[14], 1);
  // A damaged packed number is shown as its bytes rather than as a value.
  row[0] = 0x0A;
  EXPECT_EQ(Cell(def, 0, row).substr(0, 2), "0x");
}

TEST(ToolColumns, CStringEndsAtItsFirstZeroAndKeepsItsTerminator) {
  TableDef def;
  def.record_length = 4;
  FieldDef c;
  c.name = "T:C";
  c.type = FieldType::kCString;
  c.size = 4;
  def.fields = {c};
  std::uint8_t row[4];
  std::memset(row, 'x', 4);
  EXPECT_EQ(Store(def, 0, "abcdef", row, nullptr, {.truncate = true}), "");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(row), 4), std::string("abc\0", 4));
  EXPECT_EQ(Store(def, 0, std::string_view("a\0b", 3), row), "");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(row), 4), std::string("a\0\0\0", 4));
  EXPECT_EQ(Store(def, 0, "a  ", row), "");
  EXPECT_EQ(Cell(def, 0, row), "a");
  EXPECT_EQ(row[1], 0);
}

TEST(ToolTsv, EscapesRoundTripAndCellsSplit) {
  std::string escaped;
  AppendEscaped("a\\b\tc\nd\re", &escaped);
  EXPECT_EQ(escaped, "a\\\\b\\tc\\nd\\re");
  EXPECT_EQ(Unescape(escaped), "a\\b\tc\nd\re");
  EXPECT_EQ(Unescape("keep \\x and trailing \\"), "keep \\x and trailing \\");
  std::vector<std::string_view> cells = SplitCells("a\t\tb\t");
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_EQ(cells[1], "");
  EXPECT_EQ(cells[2], "b");
  EXPECT_EQ(cells[3], "");
}

}  // namespace
}  // namespace kavo::tool
