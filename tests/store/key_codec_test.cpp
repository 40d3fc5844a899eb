#include "store/key_codec.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/dict_decimal.h"

namespace kavo {
namespace {

// A one-field table whose key has one component of the given type and size.
TableDef OneField(FieldType type, std::uint16_t size, bool descending, std::uint8_t key_flags) {
  TableDef t;
  t.record_length = size;
  FieldDef f;
  f.name = "T:F";
  f.type = type;
  f.size = size;
  t.fields.push_back(f);
  KeyDef k;
  k.name = "T:K";
  k.flags = key_flags;
  k.components.push_back({0, static_cast<std::uint16_t>(descending ? kComponentDescending : 0)});
  t.keys.push_back(k);
  return t;
}

FieldDef Field(const char* name, FieldType type, std::uint16_t offset, std::uint16_t size) {
  FieldDef f;
  f.name = name;
  f.type = type;
  f.offset = offset;
  f.size = size;
  return f;
}

KeyCodec DefaultCodec() {
  return KeyCodec(KeyCharTables::FromProcess(CharTables::Defaults(), false));
}

std::string Encode(const KeyCodec& codec, const TableDef& t, const void* row) {
  std::string out;
  codec.AppendKeyValue(t, t.keys[0], static_cast<const std::uint8_t*>(row), &out);
  return out;
}

// Encodes every value (already in ascending order) and checks that the
// encodings ascend strictly (or descend for a descending component).
template <typename T>
void ExpectOrder(FieldType type, const std::vector<T>& ascending) {
  KeyCodec codec = DefaultCodec();
  for (bool descending : {false, true}) {
    TableDef t = OneField(type, sizeof(T), descending, 0);
    std::string previous;
    for (std::size_t i = 0; i < ascending.size(); ++i) {
      std::string key = Encode(codec, t, &ascending[i]);
      ASSERT_EQ(key.size(), sizeof(T));
      if (i > 0) {
        if (descending) {
          EXPECT_GT(previous, key) << "value #" << i << " " << +ascending[i];
        } else {
          EXPECT_LT(previous, key) << "value #" << i << " " << +ascending[i];
        }
      }
      previous = key;
    }
  }
}

template <typename T>
std::vector<T> SortedRandom(std::vector<T> fixed, int count, std::mt19937& rng) {
  std::uniform_int_distribution<long long> dist(std::numeric_limits<T>::min(),
                                                std::numeric_limits<T>::max());
  for (int i = 0; i < count; ++i) fixed.push_back(static_cast<T>(dist(rng)));
  std::sort(fixed.begin(), fixed.end());
  fixed.erase(std::unique(fixed.begin(), fixed.end()), fixed.end());
  return fixed;
}

TEST(KeyCodecNumbers, LongOrdersMinusOneZeroOne) {
  KeyCodec codec = DefaultCodec();
  TableDef t = OneField(FieldType::kLong, 4, false, 0);
  std::int32_t values[] = {-1, 0, 1};
  std::string k[3];
  for (int i = 0; i < 3; ++i) k[i] = Encode(codec, t, &values[i]);
  EXPECT_EQ(static_cast<std::uint8_t>(k[0][0]), 0x7F);
  EXPECT_EQ(static_cast<std::uint8_t>(k[1][0]), 0x80);
  EXPECT_EQ(static_cast<std::uint8_t>(k[2][0]), 0x80);
  EXPECT_LT(k[0], k[1]);
  EXPECT_LT(k[1], k[2]);
}

TEST(KeyCodecNumbers, IntegerTypesOrderBothWays) {
  std::mt19937 rng(7);
  ExpectOrder<std::int32_t>(
      FieldType::kLong,
      SortedRandom<std::int32_t>({INT32_MIN, -256, -255, -1, 0, 1, 255, 256, INT32_MAX}, 500, rng));
  ExpectOrder<std::int16_t>(FieldType::kShort,
                            SortedRandom<std::int16_t>({INT16_MIN, -1, 0, 1, INT16_MAX}, 300, rng));
  ExpectOrder<std::uint32_t>(FieldType::kULong,
                             SortedRandom<std::uint32_t>({0, 1, 255, 256, UINT32_MAX}, 500, rng));
  ExpectOrder<std::uint16_t>(FieldType::kUShort,
                             SortedRandom<std::uint16_t>({0, 1, 255, 256, UINT16_MAX}, 300, rng));
  ExpectOrder<std::uint8_t>(FieldType::kByte, {0, 1, 127, 128, 255});
}

TEST(KeyCodecNumbers, DateZeroSortsFirstAndTimeOrders) {
  std::mt19937 rng(11);
  ExpectOrder<std::uint32_t>(FieldType::kDate,
                             SortedRandom<std::uint32_t>({0, 4, 36524, 2994626}, 300, rng));
  ExpectOrder<std::uint32_t>(FieldType::kTime,
                             SortedRandom<std::uint32_t>({0, 1, 360001, 8640000}, 300, rng));
}

TEST(KeyCodecNumbers, RealsOrderThroughZeroBothWays) {
  std::vector<double> values = {-std::numeric_limits<double>::infinity(),
                                -1e300,
                                -2.5,
                                -1.0,
                                -1e-300,
                                0.0,
                                1e-300,
                                1.2,
                                1.8,
                                3.0,
                                29.0,
                                430.0,
                                1e300,
                                std::numeric_limits<double>::infinity()};
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> dist(-1e6, 1e6);
  for (int i = 0; i < 500; ++i) values.push_back(dist(rng));
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  ExpectOrder<double>(FieldType::kReal, values);

  std::vector<float> floats = {-3.5f, -1.0f, 0.0f, 0.25f, 7.0f, 1e30f};
  ExpectOrder<float>(FieldType::kSReal, floats);
}

// Packed DECIMAL fields of n bytes in ascending value order.
void ExpectDecimalOrder(std::size_t size, std::vector<std::int64_t> values) {
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  KeyCodec codec = DefaultCodec();
  for (bool descending : {false, true}) {
    TableDef t = OneField(FieldType::kDecimal, static_cast<std::uint16_t>(size), descending, 0);
    std::string previous;
    for (std::size_t i = 0; i < values.size(); ++i) {
      std::uint8_t row[16] = {};
      ASSERT_TRUE(WritePackedDecimal(values[i], row, size));
      std::string key = Encode(codec, t, row);
      if (i > 0) {
        if (descending) {
          EXPECT_GT(previous, key) << values[i];
        } else {
          EXPECT_LT(previous, key) << values[i];
        }
      }
      previous = key;
    }
  }
}

TEST(KeyCodecNumbers, DecimalOrdersBySignAndMagnitude) {
  std::vector<std::int64_t> values = {-9999999, -1000, -999, -10, -9,  -1,      0,
                                      1,        9,     10,   99,  100, 1234567, 9999999};
  std::mt19937 rng(5);
  std::uniform_int_distribution<std::int64_t> dist(-9999999, 9999999);
  for (int i = 0; i < 500; ++i) values.push_back(dist(rng));
  ASSERT_NO_FATAL_FAILURE(ExpectDecimalOrder(4, values));
  ASSERT_NO_FATAL_FAILURE(ExpectDecimalOrder(2, {-999, -5, 0, 5, 999}));
}

TEST(KeyCodecNumbers, AnyNonzeroSignNibbleIsNegative) {
  KeyCodec codec = DefaultCodec();
  TableDef t = OneField(FieldType::kDecimal, 2, false, 0);
  const std::uint8_t minus_c[2] = {0xC0, 0x05};
  const std::uint8_t minus_f[2] = {0xF0, 0x05};
  const std::uint8_t zero[2] = {0x00, 0x00};
  EXPECT_EQ(Encode(codec, t, minus_c), Encode(codec, t, minus_f));
  EXPECT_LT(Encode(codec, t, minus_c), Encode(codec, t, zero));
}

std::string Padded(std::string text, std::size_t size) {
  text.resize(size, ' ');
  return text;
}

TEST(KeyCodecText, NocaseFoldsLatinLettersOnly) {
  KeyCodec codec = DefaultCodec();
  TableDef nocase = OneField(FieldType::kString, 12, false, kKeyNocase);
  TableDef exact = OneField(FieldType::kString, 12, false, 0);
  std::string mixed = Padded("Ua3abc", 12);
  std::string upper = Padded("UA3ABC", 12);
  EXPECT_EQ(Encode(codec, nocase, mixed.data()), Encode(codec, nocase, upper.data()));
  EXPECT_NE(Encode(codec, exact, mixed.data()), Encode(codec, exact, upper.data()));
  // Default tables pair no Cyrillic letters: "ПОЛУЧ" and "получ" stay apart.
  std::string cyr_upper = Padded("\xCF\xCE\xCB\xD3\xD7", 12);
  std::string cyr_lower = Padded("\xEF\xEE\xEB\xF3\xF7", 12);
  EXPECT_NE(Encode(codec, nocase, cyr_upper.data()), Encode(codec, nocase, cyr_lower.data()));
}

TEST(KeyCodecText, PaddedTextOrdersByCodePageBothWays) {
  KeyCodec codec = DefaultCodec();
  std::vector<std::string> ascending = {"",  "A",    "AB",       "ABC",  "B",    "UA3AA",   "UA3AB",
                                        "Z", "\xC0", "\xC0\xC0", "\xDF", "\xE0", "\xFF\xFF"};
  for (bool descending : {false, true}) {
    TableDef t = OneField(FieldType::kString, 8, descending, kKeyNocase);
    for (std::size_t i = 1; i < ascending.size(); ++i) {
      std::string a = Padded(ascending[i - 1], 8);
      std::string b = Padded(ascending[i], 8);
      if (descending) {
        EXPECT_GT(Encode(codec, t, a.data()), Encode(codec, t, b.data())) << ascending[i];
      } else {
        EXPECT_LT(Encode(codec, t, a.data()), Encode(codec, t, b.data())) << ascending[i];
      }
    }
  }
}

TEST(KeyCodecText, CollationTableDecidesOrder) {
  CharTables process = CharTables::Defaults();
  // Let B sort before A.
  ASSERT_TRUE(process.SetCollationOrder("BA"));
  KeyCodec codec(KeyCharTables::FromProcess(process, false));
  TableDef t = OneField(FieldType::kString, 4, false, 0);
  std::string a = Padded("A", 4);
  std::string b = Padded("B", 4);
  EXPECT_LT(Encode(codec, t, b.data()), Encode(codec, t, a.data()));
  EXPECT_LT(Encode(DefaultCodec(), t, a.data()), Encode(DefaultCodec(), t, b.data()));
}

TEST(KeyCodecText, CaseTableFromTablesFoldsCyrillic) {
  CharTables process = CharTables::Defaults();
  ASSERT_TRUE(process.AddCasePairs("\xCF\xCE\xCB\xD3\xD7", "\xEF\xEE\xEB\xF3\xF7"));
  KeyCodec codec(KeyCharTables::FromProcess(process, false));
  TableDef t = OneField(FieldType::kString, 5, false, kKeyNocase);
  std::string upper = "\xCF\xCE\xCB\xD3\xD7";
  std::string lower = "\xEF\xEE\xEB\xF3\xF7";
  EXPECT_EQ(Encode(codec, t, upper.data()), Encode(codec, t, lower.data()));
}

TEST(KeyCodecText, OemFileOrdersLikeAnsi) {
  KeyCodec ansi = DefaultCodec();
  KeyCodec oem(KeyCharTables::FromProcess(CharTables::Defaults(), true));
  TableDef t = OneField(FieldType::kString, 3, false, kKeyNocase);
  std::vector<std::string> ascending = {"AAA", "abc", "\xC0\xC1\xC2", "\xE0\xE1\xE2",
                                        "\xFF\xFF\xFF"};
  for (std::size_t i = 1; i < ascending.size(); ++i) {
    EXPECT_LT(Encode(oem, t, ascending[i - 1].data()), Encode(oem, t, ascending[i].data()));
  }
  // Same order, but the OEM weights go through the OEM code page.
  std::string ya = "\xDF\xDF\xDF";
  EXPECT_EQ(Encode(oem, t, ya.data()), Encode(ansi, t, ya.data()));
}

TEST(KeyCodecText, CStringStopsAtZeroAndPStringAtItsLength) {
  KeyCodec codec = DefaultCodec();
  TableDef c = OneField(FieldType::kCString, 5, false, 0);
  const char with_garbage[5] = {'A', 'B', 0, 'X', 'Y'};
  EXPECT_EQ(Encode(codec, c, with_garbage), std::string("AB\0\0\0", 5));

  TableDef p = OneField(FieldType::kPString, 5, false, kKeyNocase);
  const char pstring[5] = {2, 'a', 'b', 'Q', 'Q'};
  EXPECT_EQ(Encode(codec, p, pstring), std::string("ab\0\0\0", 5));
  // A length byte beyond the field is cut to the field.
  const char too_long[5] = {char(200), 'a', 'b', 'c', 'd'};
  EXPECT_EQ(Encode(codec, p, too_long), std::string("abcd\0", 5));
  // A shorter text sorts before a longer one with the same start.
  const char shorter[5] = {1, 'a', 'Q', 'Q', 'Q'};
  EXPECT_LT(Encode(codec, p, shorter), Encode(codec, p, pstring));
}

TEST(KeyCodecText, MultiCharacterRuleContracts) {
  KeyCharTables tables = KeyCharTables::FromProcess(CharTables::Defaults(), false);
  // "CH" sorts as one letter after "H": weigh it as 'I' (both cases listed).
  const char rules[] = "CHIchi";
  std::memcpy(tables.rules1.data(), rules, 6);
  KeyCodec codec(tables);
  TableDef t = OneField(FieldType::kString, 4, false, kKeyNocase);
  std::string ch = Padded("CHA", 4);
  std::string hz = Padded("HZ", 4);
  std::string ia = Padded("IA", 4);
  EXPECT_GT(Encode(codec, t, ch.data()), Encode(codec, t, hz.data()));
  EXPECT_EQ(Encode(codec, t, ch.data()), Encode(codec, t, ia.data()));
  // NOCASE folds before the rules look at the text.
  std::string lower = Padded("cha", 4);
  EXPECT_EQ(Encode(codec, t, lower.data()), Encode(codec, t, ch.data()));
}

TEST(KeyCodecKeys, ComponentsConcatenateInOrderWithTheirDirections) {
  // Country ascending, date descending: like a newest-first order per country.
  TableDef t;
  t.record_length = 24;
  t.fields.push_back(Field("T:PREF", FieldType::kString, 0, 20));
  t.fields.push_back(Field("T:DATA", FieldType::kLong, 20, 4));
  KeyDef k;
  k.name = "T:K";
  k.flags = kKeyNocase | kKeyDup;
  k.components = {{0, 0}, {1, kComponentDescending}};
  t.keys.push_back(k);
  KeyCodec codec = DefaultCodec();
  auto row = [](const char* pref, std::int32_t date) {
    std::string r = Padded(pref, 20);
    r.append(reinterpret_cast<const char*>(&date), 4);
    return r;
  };
  std::string a = row("Ukraine", 80000), b = row("Ukraine", 70000), c = row("russia", 90000);
  std::string ka = Encode(codec, t, a.data()), kb = Encode(codec, t, b.data()),
              kc = Encode(codec, t, c.data());
  EXPECT_EQ(ka.size(), 24u);
  EXPECT_LT(kc, ka);  // russia < ukraine, case folded
  EXPECT_LT(ka, kb);  // newer date first
}

// Random rows over five components of mixed types and directions: the byte
// order of the key values must agree with a plain comparison of the values,
// ties included. Small value ranges make ties and shared prefixes common.
TEST(KeyCodecKeys, ByteOrderAgreesWithValueOrderOnRandomRows) {
  TableDef t;
  t.record_length = 6 + 4 + 8 + 4 + 2;
  t.fields.push_back(Field("T:S", FieldType::kString, 0, 6));
  t.fields.push_back(Field("T:L", FieldType::kLong, 6, 4));
  t.fields.push_back(Field("T:R", FieldType::kReal, 10, 8));
  t.fields.push_back(Field("T:D", FieldType::kDecimal, 18, 4));
  t.fields.push_back(Field("T:U", FieldType::kUShort, 22, 2));
  KeyDef k;
  k.flags = kKeyNocase | kKeyDup;
  k.components = {{0, 0}, {1, kComponentDescending}, {2, 0}, {3, kComponentDescending}, {4, 0}};
  t.keys.push_back(k);
  struct Row {
    std::string s;
    std::int32_t l;
    double r;
    std::int64_t d;
    std::uint16_t u;
    std::string bytes;
  };
  std::mt19937 rng(99);
  const char* texts[] = {"", "a", "A", "ab", "AB", "b", "ua3", "UA3x"};
  std::vector<Row> rows;
  for (int i = 0; i < 300; ++i) {
    Row row{texts[rng() % 8],
            static_cast<std::int32_t>(rng() % 5) - 2,
            (static_cast<int>(rng() % 7) - 3) * 0.5,
            static_cast<std::int64_t>(rng() % 5) - 2,
            static_cast<std::uint16_t>(rng() % 3 * 300),
            std::string(24, ' ')};
    std::memcpy(row.bytes.data(), row.s.data(), row.s.size());
    std::memcpy(row.bytes.data() + 6, &row.l, 4);
    std::memcpy(row.bytes.data() + 10, &row.r, 8);
    ASSERT_TRUE(
        WritePackedDecimal(row.d, reinterpret_cast<std::uint8_t*>(row.bytes.data()) + 18, 4));
    std::memcpy(row.bytes.data() + 22, &row.u, 2);
    rows.push_back(row);
  }
  auto fold = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  auto model = [&](const Row& a, const Row& b) {
    // Blank padding makes "a" and "a " equal and "a" sort before "ab".
    std::string sa = fold(a.s), sb = fold(b.s);
    sa.resize(6, ' ');
    sb.resize(6, ' ');
    if (sa != sb) return sa < sb ? -1 : 1;
    if (a.l != b.l) return a.l > b.l ? -1 : 1;
    if (a.r != b.r) return a.r < b.r ? -1 : 1;
    if (a.d != b.d) return a.d > b.d ? -1 : 1;
    if (a.u != b.u) return a.u < b.u ? -1 : 1;
    return 0;
  };
  KeyCodec codec = DefaultCodec();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t j = 0; j < rows.size(); j += 7) {
      int bytes =
          Encode(codec, t, rows[i].bytes.data()).compare(Encode(codec, t, rows[j].bytes.data()));
      int expected = model(rows[i], rows[j]);
      ASSERT_EQ((bytes > 0) - (bytes < 0), expected) << i << " vs " << j;
    }
  }
}

TEST(KeyCodecKeys, EmptyKeyMeansEveryComponentEmpty) {
  TableDef t;
  t.record_length = 4 + 4 + 8 + 3 + 3;
  t.fields.push_back(Field("T:S", FieldType::kString, 0, 4));
  t.fields.push_back(Field("T:L", FieldType::kLong, 4, 4));
  t.fields.push_back(Field("T:R", FieldType::kReal, 8, 8));
  t.fields.push_back(Field("T:C", FieldType::kCString, 16, 3));
  t.fields.push_back(Field("T:P", FieldType::kPString, 19, 3));
  KeyDef k;
  k.flags = kKeyOpt;
  k.components = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}};
  t.keys.push_back(k);
  std::uint8_t row[22] = {};
  std::memset(row, ' ', 4);
  row[17] = 'x';  // after the CSTRING's terminator: ignored
  row[20] = 'y';  // beyond the PSTRING's length byte 0: ignored
  EXPECT_TRUE(IsKeyEmpty(t, t.keys[0], row));
  for (int field : {0, 1, 2, 3, 4}) {
    std::uint8_t changed[22];
    std::memcpy(changed, row, sizeof row);
    changed[t.fields[field].offset] = 1;
    EXPECT_FALSE(IsKeyEmpty(t, t.keys[0], changed)) << "field " << field;
  }
  // A REAL of -0.0 has a set bit, so it is not empty.
  double minus_zero = -0.0;
  std::memcpy(row + 8, &minus_zero, 8);
  EXPECT_FALSE(IsKeyEmpty(t, t.keys[0], row));
}

TEST(KeyCharTablesRecord, SerializeParseRoundTripAndSize) {
  CharTables process = CharTables::Defaults();
  ASSERT_TRUE(process.SetCollationOrder("ZYX"));
  KeyCharTables t = KeyCharTables::FromProcess(process, true);
  t.rules2[0] = 'Q';
  std::uint8_t bytes[KeyCharTables::kRecordSize];
  t.Serialize(bytes);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1 + 'Z'], process.collation['Z']);
  EXPECT_EQ(bytes[1 + 512 + 'a'], 'A');  // case table: a's partner
  EXPECT_EQ(bytes[1 + 768 + 'a'], kClassLower);
  KeyCharTables back;
  ASSERT_TRUE(KeyCharTables::Parse(bytes, sizeof bytes, &back));
  EXPECT_EQ(back.oem, true);
  EXPECT_EQ(back.collation, t.collation);
  EXPECT_EQ(back.oem_collation, t.oem_collation);
  EXPECT_EQ(back.partner, t.partner);
  EXPECT_EQ(back.klass, t.klass);
  EXPECT_EQ(back.rules2, t.rules2);
  EXPECT_FALSE(KeyCharTables::Parse(bytes, sizeof bytes - 1, &back));
}

TEST(KeyCharTablesRecord, CodePagesArePermutationsWithCyrillicInPlace) {
  const auto& to_oem = AnsiToOem();
  const auto& to_ansi = OemToAnsi();
  for (int b = 0; b < 256; ++b) EXPECT_EQ(to_ansi[to_oem[b]], b);
  EXPECT_EQ(to_oem['A'], 'A');
  EXPECT_EQ(to_oem[0xC0], 0x80);  // А
  EXPECT_EQ(to_oem[0xEF], 0xAF);  // п
  EXPECT_EQ(to_oem[0xF0], 0xE0);  // р
  EXPECT_EQ(to_oem[0xA8], 0xF0);  // Ё
  EXPECT_EQ(to_oem[0xB9], 0xFC);  // №
}

}  // namespace
}  // namespace kavo
