// The character tables a table's keys are built with, in the form the
// character-tables record stores them: the code-page flag, the ANSI and OEM
// collation tables, the case and class tables and the two tables of
// multi-character collation rules.
//
// A table takes these tables once, when it is created (or fully rebuilt),
// from the process's tables, and from then on builds its keys with the stored
// copy, so a change of the process's settings never reorders an existing key.
//
// Multi-character rules: each rule table is a list of 3-byte rules (first
// byte, second byte, replacement byte) ended by a first byte of 0; the second
// table continues the list of the first. A rule makes the two-byte sequence
// sort as the single replacement byte. Empty tables (first byte 0) mean no
// rules, which is what the process's tables always give.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "runtime/chartab.h"

namespace kavo {

struct KeyCharTables {
  static constexpr std::size_t kRecordSize = 1 + 4 * 256 + 2 * 64;  // 1153

  bool oem = false;  // the file keeps its text in the OEM code page
  std::array<std::uint8_t, 256> collation{};
  std::array<std::uint8_t, 256> oem_collation{};
  std::array<std::uint8_t, 256> partner{};
  std::array<std::uint8_t, 256> klass{};
  std::array<std::uint8_t, 64> rules1{};
  std::array<std::uint8_t, 64> rules2{};

  // The process's tables as a new table stores them. The OEM collation
  // weighs each OEM byte as its ANSI counterpart weighs, so OEM and ANSI
  // files order the same text alike.
  static KeyCharTables FromProcess(const CharTables& process, bool oem);

  // The data part of the character-tables record, exactly kRecordSize bytes.
  void Serialize(std::uint8_t* out) const;
  // False when size is not kRecordSize.
  static bool Parse(const std::uint8_t* data, std::size_t size, KeyCharTables* tables);

  bool has_rules() const { return rules1[0] != 0; }
};

// Code page 1251 (ANSI) to code page 866 (OEM) and back. Both are
// permutations of the 256 byte values: characters without a counterpart are
// paired among themselves, so text survives a round trip unchanged.
const std::array<std::uint8_t, 256>& AnsiToOem();
const std::array<std::uint8_t, 256>& OemToAnsi();

}  // namespace kavo
