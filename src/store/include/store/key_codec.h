// Key values: each component of a key encoded so that comparing whole key
// values byte by byte, as unsigned bytes, gives the key's order.
//
// Per component (field bytes f of size s, complement flag = descending):
//   STRING, GROUP       the s bytes, then the text steps
//   CSTRING             bytes up to the first zero, zero-filled; text steps
//   PSTRING             the bytes after the length byte, zero-filled; text steps
//   USHORT ULONG DATE TIME   bytes reversed (most significant first)
//   SHORT LONG          bytes reversed, top bit inverted
//   SREAL REAL          bytes reversed; negative: complement flag switched,
//                       else top bit set
//   DECIMAL             packed bytes; a nonzero sign nibble is cleared and
//                       switches the complement flag; top bit inverted
//   anything else       bytes unchanged
// Text steps: NOCASE folds every upper-case byte to its case partner; then
// the multi-character rules, conversion to OEM for OEM files, and the
// collation weights. Last, a set complement flag turns every byte b into
// 255 - b. Every component takes exactly its field's size, so a key value's
// length is fixed by the key.
//
// A codec is bound to one table's stored character tables; it keeps no other
// state and may be shared by every open instance of the table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/table_def.h"
#include "store/key_codec_tables.h"

namespace kavo {

class KeyCodec {
 public:
  explicit KeyCodec(const KeyCharTables& tables);

  // Writes field.size bytes of the encoded component to out.
  void EncodeComponent(const FieldDef& field, bool descending, bool nocase, const std::uint8_t* row,
                       std::uint8_t* out) const;

  // Appends the key value of key (components in order) built from row, which
  // must hold at least table.record_length bytes.
  void AppendKeyValue(const TableDef& table, const KeyDef& key, const std::uint8_t* row,
                      std::string* out) const;

  const KeyCharTables& tables() const { return tables_; }

 private:
  void TextSteps(bool nocase, std::uint8_t* bytes, std::size_t n) const;
  void ApplyRules(std::uint8_t* bytes, std::size_t n) const;

  KeyCharTables tables_;
  // Folding, OEM conversion and weighting combined, without and with NOCASE;
  // used as they stand when there are no multi-character rules.
  std::array<std::uint8_t, 256> map_case_{};
  std::array<std::uint8_t, 256> map_nocase_{};
  // Weighting alone (after OEM conversion), for the path with rules.
  std::array<std::uint8_t, 256> weigh_{};
};

// True when every component of key is empty in row, so that an OPT key keeps
// no entry for the row: a STRING or GROUP of blanks, a CSTRING or PSTRING
// whose first byte is 0, any other field of zero bytes.
bool IsKeyEmpty(const TableDef& table, const KeyDef& key, const std::uint8_t* row);

}  // namespace kavo
