#include "runtime/chartab.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

namespace kavo {
namespace {

// cp1251: А..Я are C0..DF, а..я E0..FF, Ё A8, ё B8.
std::string CyrillicUpper() {
  std::string s;
  for (int c = 0xC0; c <= 0xDF; ++c) s.push_back(static_cast<char>(c));
  return s + "\xA8";
}
std::string CyrillicLower() {
  std::string s;
  for (int c = 0xE0; c <= 0xFF; ++c) s.push_back(static_cast<char>(c));
  return s + "\xB8";
}

const char kPoluchUpper[] = "\xCF\xCE\xCB\xD3\xD7";  // ПОЛУЧ
const char kPoluchLower[] = "\xEF\xEE\xEB\xF3\xF7";  // получ

// Installs tables for one test and puts the process's tables back after it.
class ScopedTables {
 public:
  explicit ScopedTables(const CharTables& tables) : saved_(ProcessCharTables()) {
    SetProcessCharTables(tables);
  }
  ~ScopedTables() { SetProcessCharTables(saved_); }

 private:
  CharTables saved_;
};

TEST(CharTablesDefaults, OnlyLatinLettersFold) {
  ScopedTables scope(CharTables::Defaults());
  EXPECT_EQ(Upper("abc"), "ABC");
  EXPECT_EQ(Lower("ABC xyz 123"), "abc xyz 123");
  EXPECT_EQ(Upper(kPoluchUpper), kPoluchUpper);
  EXPECT_EQ(Lower(kPoluchUpper), kPoluchUpper);
  EXPECT_EQ(Upper(kPoluchLower), kPoluchLower);
  EXPECT_EQ(Upper("r3d-\xB8"), "R3D-\xB8");
  EXPECT_TRUE(IsUpperChar('Q'));
  EXPECT_TRUE(IsLowerChar('q'));
  EXPECT_TRUE(IsDigitChar('7'));
  EXPECT_FALSE(IsUpperChar('\xC0'));
  EXPECT_FALSE(IsLowerChar('\xE0'));
  EXPECT_FALSE(IsDigitChar('a'));
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(CollationWeight(static_cast<char>(c)), c);
  }
}

TEST(CharTablesDefaults, CodePageOrderAndNoCaseComparison) {
  ScopedTables scope(CharTables::Defaults());
  EXPECT_LT(CompareCollated("Z", "a"), 0);     // upper case before lower
  EXPECT_LT(CompareCollated("z", "\xC0"), 0);  // Latin before Cyrillic
  EXPECT_LT(CompareCollated("AB", "ABC"), 0);  // a prefix first
  EXPECT_EQ(CompareCollated("UA3", "UA3"), 0);
  EXPECT_GT(CompareCollated("\xFF", "\x01"), 0);  // bytes compare unsigned
  EXPECT_EQ(CompareCollatedNoCase("ua3aa", "UA3AA"), 0);
  EXPECT_NE(CompareCollatedNoCase(kPoluchLower, kPoluchUpper), 0);  // Cyrillic keeps its case
}

TEST(CharTables, CyrillicPairsFoldCodePage1251) {
  CharTables t = CharTables::Defaults();
  ASSERT_TRUE(t.AddCasePairs(CyrillicUpper(), CyrillicLower()));
  ScopedTables scope(t);
  EXPECT_EQ(Upper(kPoluchLower), kPoluchUpper);
  EXPECT_EQ(Lower(kPoluchUpper), kPoluchLower);
  EXPECT_EQ(Upper("\xB8lka"), "\xA8LKA");
  EXPECT_EQ(CompareCollatedNoCase(kPoluchLower, kPoluchUpper), 0);
  EXPECT_EQ(Upper("abc"), "ABC");  // the Latin pairs stay
  for (int c = 0; c < 256; ++c) {  // partners are mutual
    uint8_t p = t.partner[c];
    EXPECT_EQ(t.partner[p], c);
  }
}

TEST(CharTables, ConflictingPairsAreRefusedWhole) {
  CharTables t = CharTables::Defaults();
  CharTables before = t;
  EXPECT_FALSE(t.AddCasePairs("AB", "a"));  // unequal lengths
  EXPECT_FALSE(
      t.AddCasePairs("\xC0"
                     "A",
                     "\xE0"
                     "b"));                      // A already paired with a
  EXPECT_FALSE(t.AddCasePairs("\xC0", "\xC0"));  // a byte with itself
  EXPECT_EQ(t.partner, before.partner);
  EXPECT_EQ(t.klass, before.klass);
  EXPECT_TRUE(t.AddCasePairs("A", "a"));  // the same pair again is harmless
}

TEST(CharTables, CollationOrderStaysAPermutation) {
  CharTables t = CharTables::Defaults();
  ASSERT_TRUE(t.SetCollationOrder("AaBb"));  // the block takes the place of "A"
  ScopedTables scope(t);
  EXPECT_LT(CompareCollated("A", "a"), 0);
  EXPECT_LT(CompareCollated("a", "B"), 0);
  EXPECT_LT(CompareCollated("b", "C"), 0);
  EXPECT_LT(CompareCollated("@", "A"), 0);
  EXPECT_LT(CompareCollated("Z", "c"), 0);
  std::set<int> weights(t.collation.begin(), t.collation.end());
  EXPECT_EQ(weights.size(), 256u);
  CharTables copy = t;
  EXPECT_FALSE(copy.SetCollationOrder("abca"));  // repeated byte
  EXPECT_EQ(copy.collation, t.collation);
}

TEST(CharTables, CyrillicAlphabeticalOrderPlacesYoAfterYe) {
  CharTables t = CharTables::Defaults();
  std::string order;
  for (int c = 0xC0; c <= 0xC5; ++c) order.push_back(static_cast<char>(c));  // А..Е
  order.push_back('\xA8');                                                   // Ё
  for (int c = 0xC6; c <= 0xDF; ++c) order.push_back(static_cast<char>(c));  // Ж..Я
  ASSERT_TRUE(t.SetCollationOrder(order));
  ScopedTables scope(t);
  EXPECT_LT(CompareCollated("\xC5", "\xA8"), 0);  // Е < Ё
  EXPECT_LT(CompareCollated("\xA8", "\xC6"), 0);  // Ё < Ж
  EXPECT_LT(CompareCollated("Z", "\xA8"), 0);
}

}  // namespace
}  // namespace kavo
