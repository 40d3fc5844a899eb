// The process's character tables: collation weights, case partners and
// character classes over the 256 bytes of code page 1251.
//
// The record store orders key text by collation weight and folds NOCASE keys
// through the case table; the filter functions UPPER and LOWER use the case
// and class tables. By default the weight of a byte is its code, and only
// the Latin letters are paired and classed, so Cyrillic text is left as it
// is by case folding. The environment file (environment.h) may install other
// tables once at start-up; after that the tables do not change, so readers on
// any thread need no lock.
//
// Invariant of valid tables: a byte's case partner is either the byte itself
// or a byte whose partner is the first byte again.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavo {

inline constexpr uint8_t kClassUpper = 1;
inline constexpr uint8_t kClassLower = 2;
inline constexpr uint8_t kClassDigit = 4;

struct CharTables {
  std::array<uint8_t, 256> collation;  // weight of each byte
  std::array<uint8_t, 256> partner;    // the other case of each letter, else itself
  std::array<uint8_t, 256> klass;      // kClassUpper | kClassLower | kClassDigit bits

  // Identity weights, Latin letters paired and classed, digits classed.
  static CharTables Defaults();

  // Pairs upper[i] with lower[i] (same length) and sets their class bits.
  // Fails, leaving the tables unchanged, on unequal lengths or a byte that
  // would end up in two pairs.
  bool AddCasePairs(std::string_view upper, std::string_view lower);

  // Gives the listed bytes consecutive weights, in the listed order, in the
  // place of the first of them; every other byte keeps its relative order, so
  // the weights stay a permutation. Fails on a repeated byte.
  bool SetCollationOrder(std::string_view order);
};

// The process's tables: loaded with the environment at first use.
const CharTables& ProcessCharTables();

// Replaces the process's tables. For start-up and tests: call it before any
// other thread uses the tables.
void SetProcessCharTables(const CharTables& tables);

// Case folding through the process's tables: UPPER turns every byte of class
// lower into its partner, LOWER every byte of class upper.
char UpperChar(char c);
char LowerChar(char c);
std::string Upper(std::string_view text);
std::string Lower(std::string_view text);

bool IsUpperChar(char c);
bool IsLowerChar(char c);
bool IsDigitChar(char c);

uint8_t CollationWeight(char c);

// Compares by collation weight, byte by byte; a proper prefix sorts first.
// Returns <0, 0 or >0.
int CompareCollated(std::string_view a, std::string_view b);

// The same after folding both sides to upper case (NOCASE keys).
int CompareCollatedNoCase(std::string_view a, std::string_view b);

}  // namespace kavo
