#include "store/key_codec_tables.h"

#include <cstring>

namespace kavo {
namespace {

struct CodePagePair {
  std::array<std::uint8_t, 256> to_oem;
  std::array<std::uint8_t, 256> to_ansi;
};

// Builds the 1251 <-> 866 permutation: ASCII maps to itself, the Cyrillic
// letters and the few shared symbols map to their 866 codes, and the rest of
// the upper half is paired in ascending order of the unused codes.
CodePagePair MakeCodePagePair() {
  CodePagePair p;
  std::array<bool, 256> ansi_used{};
  std::array<bool, 256> oem_used{};
  auto pair = [&](int ansi, int oem) {
    p.to_oem[ansi] = static_cast<std::uint8_t>(oem);
    p.to_ansi[oem] = static_cast<std::uint8_t>(ansi);
    ansi_used[ansi] = true;
    oem_used[oem] = true;
  };
  for (int c = 0; c < 0x80; ++c) pair(c, c);
  for (int i = 0; i < 32; ++i) pair(0xC0 + i, 0x80 + i);  // А..Я
  for (int i = 0; i < 16; ++i) pair(0xE0 + i, 0xA0 + i);  // а..п
  for (int i = 0; i < 16; ++i) pair(0xF0 + i, 0xE0 + i);  // р..я
  const int symbols[][2] = {
      {0xA8, 0xF0}, {0xB8, 0xF1},  // Ё ё
      {0xAA, 0xF2}, {0xBA, 0xF3},  // Є є
      {0xAF, 0xF4}, {0xBF, 0xF5},  // Ї ї
      {0xA1, 0xF6}, {0xA2, 0xF7},  // Ў ў
      {0xB0, 0xF8}, {0xB7, 0xFA},  // degree, middle dot
      {0xB9, 0xFC}, {0xA4, 0xFD},  // numero, currency
      {0xA0, 0xFF},                // no-break space
  };
  for (const auto& s : symbols) pair(s[0], s[1]);
  int oem = 0x80;
  for (int ansi = 0x80; ansi < 0x100; ++ansi) {
    if (ansi_used[ansi]) continue;
    while (oem_used[oem]) ++oem;
    pair(ansi, oem);
  }
  return p;
}

const CodePagePair& CodePages() {
  static const CodePagePair pair = MakeCodePagePair();
  return pair;
}

}  // namespace

const std::array<std::uint8_t, 256>& AnsiToOem() {
  return CodePages().to_oem;
}
const std::array<std::uint8_t, 256>& OemToAnsi() {
  return CodePages().to_ansi;
}

KeyCharTables KeyCharTables::FromProcess(const CharTables& process, bool oem) {
  KeyCharTables t;
  t.oem = oem;
  t.collation = process.collation;
  t.partner = process.partner;
  t.klass = process.klass;
  const auto& to_ansi = OemToAnsi();
  for (int b = 0; b < 256; ++b) t.oem_collation[b] = process.collation[to_ansi[b]];
  return t;
}

void KeyCharTables::Serialize(std::uint8_t* out) const {
  out[0] = oem ? 1 : 0;
  std::uint8_t* p = out + 1;
  for (const auto* table : {&collation, &oem_collation, &partner, &klass}) {
    std::memcpy(p, table->data(), 256);
    p += 256;
  }
  std::memcpy(p, rules1.data(), 64);
  std::memcpy(p + 64, rules2.data(), 64);
}

bool KeyCharTables::Parse(const std::uint8_t* data, std::size_t size, KeyCharTables* tables) {
  if (size != kRecordSize) return false;
  KeyCharTables t;
  t.oem = data[0] != 0;
  const std::uint8_t* p = data + 1;
  for (auto* table : {&t.collation, &t.oem_collation, &t.partner, &t.klass}) {
    std::memcpy(table->data(), p, 256);
    p += 256;
  }
  std::memcpy(t.rules1.data(), p, 64);
  std::memcpy(t.rules2.data(), p + 64, 64);
  *tables = t;
  return true;
}

}  // namespace kavo
