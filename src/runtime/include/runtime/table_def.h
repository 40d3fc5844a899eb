// The in-memory definition of a table: its fields, memos and keys as the
// table-definition stream stores them, plus the declaration attributes that
// only the program knows (label, prefix, disk name, CREATE, OEM, ...).
//
// One TableDef is shared by the record store (which writes it as the
// definition stream, compares it on open and builds key values from it), the
// data dictionary (which declares the program's tables with it) and
// kavo-tool (which reads it back from a store file to name columns and keys).
//
// Invariants a well-formed definition keeps (Validate() checks them):
//   - every field lies inside the record: offset + size <= record_length;
//   - every key component names an existing field by its position;
//   - type codes are kept exactly as stored, so an unknown code read from a
//     file survives a read/write round trip and can be reported.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavo {

// Field type codes of the definition stream. The enum has a fixed
// underlying type so that a code read from a file that is not listed here is
// still representable.
enum class FieldType : std::uint8_t {
  kByte = 1,
  kShort = 2,
  kUShort = 3,
  kDate = 4,
  kTime = 5,
  kLong = 6,
  kULong = 7,
  kSReal = 8,
  kReal = 9,
  kDecimal = 10,
  kPDecimal = 11,
  kBFloat4 = 13,
  kBFloat8 = 14,
  kString = 18,
  kCString = 19,
  kPString = 20,
  kMemo = 21,
  kGroup = 22,
  kArray = 24,
  kBlob = 27,
};

// True for DECIMAL and PDECIMAL, whose stream entry carries digits and places.
inline bool IsDecimalType(FieldType t) {
  return t == FieldType::kDecimal || t == FieldType::kPDecimal;
}

// True for the string types whose stream entry carries a declared length and
// a display picture.
inline bool HasStringExtras(FieldType t) {
  return t == FieldType::kString || t == FieldType::kCString || t == FieldType::kPString;
}

struct FieldDef {
  std::string name;  // as declared, with the table prefix: "AAA:POZ"
  FieldType type = FieldType::kString;
  std::uint16_t offset = 0;    // byte offset in the row
  std::uint16_t size = 0;      // bytes the field occupies in the row, all elements
  std::uint16_t elements = 1;  // element count; above 1 for a dimensioned field
  // Nonzero flags exempt a text field from OEM conversion (binary text).
  std::uint16_t flags = 0;
  std::uint16_t index = 0;  // position of the field in the declaration
  // DECIMAL and PDECIMAL only: digits in all and digits after the point.
  std::uint8_t digits = 0;
  std::uint8_t places = 0;
  // STRING, CSTRING and PSTRING only: declared length and display picture
  // (an absent picture is stored differently from an empty one).
  std::uint16_t declared_length = 0;
  std::optional<std::string> picture;
};

// Memo flags word.
inline constexpr std::uint16_t kMemoBinary = 2;
inline constexpr std::uint16_t kMemoBlob = 4;

struct MemoDef {
  std::string name;
  std::optional<std::string> external_name;
  std::uint16_t size = 0;
  std::uint16_t flags = 0;

  bool is_blob() const { return (flags & kMemoBlob) != 0; }
  bool is_binary() const { return (flags & kMemoBinary) != 0; }
};

// Key flags byte.
inline constexpr std::uint8_t kKeyDup = 1;
inline constexpr std::uint8_t kKeyOpt = 2;
inline constexpr std::uint8_t kKeyNocase = 4;
inline constexpr std::uint8_t kKeyPrimary = 16;
inline constexpr std::uint8_t kKeyDynamicIndex = 64;

// Component flags word: the component sorts in descending order.
inline constexpr std::uint16_t kComponentDescending = 1;

struct KeyComponent {
  std::uint16_t field = 0;  // position of the field in TableDef::fields
  std::uint16_t flags = 0;

  bool descending() const { return (flags & kComponentDescending) != 0; }
};

struct KeyDef {
  std::string name;  // as declared, with the table prefix: "AAA:BEY_N"
  std::optional<std::string> external_name;
  std::uint8_t flags = 0;
  std::vector<KeyComponent> components;
  // A deferred key is not maintained by adds and changes; it is completed by
  // a later build. The mark belongs to the declaration and is not part of the
  // stored definition, so it never causes a definition mismatch.
  bool deferred = false;

  bool dup() const { return (flags & kKeyDup) != 0; }
  bool unique() const { return !dup(); }
  bool opt() const { return (flags & kKeyOpt) != 0; }
  bool nocase() const { return (flags & kKeyNocase) != 0; }
  bool primary() const { return (flags & kKeyPrimary) != 0; }
  bool dynamic_index() const { return (flags & kKeyDynamicIndex) != 0; }
};

// Table attributes of the declaration.
inline constexpr std::uint32_t kTableCreate = 1;    // may be created when missing
inline constexpr std::uint32_t kTableThread = 2;    // one open instance per thread
inline constexpr std::uint32_t kTableOem = 4;       // text stored in the OEM code page
inline constexpr std::uint32_t kTableOwner = 8;     // opened with an owner password
inline constexpr std::uint32_t kTableEncrypt = 16;  // blocks enciphered with the owner password
inline constexpr std::uint32_t kTableReclaim = 32;

struct TableDef {
  std::string label;      // "AAAA"
  std::string prefix;     // "AAA"
  std::string disk_name;  // the name the store opens: "AAAA", "PRINT.TMP"
  std::uint32_t attributes = 0;
  std::uint16_t version = 1;  // 2 when a memo is a BLOB
  std::uint16_t record_length = 0;
  std::vector<FieldDef> fields;
  std::vector<MemoDef> memos;
  std::vector<KeyDef> keys;

  bool has(std::uint32_t attribute) const { return (attributes & attribute) != 0; }

  // Position of the field or key with this name (ASCII letters compared
  // without regard to case), or -1.
  int FindField(std::string_view field_name) const;
  int FindKey(std::string_view key_name) const;

  // Bytes of a key value of key k: the sum of its components' field sizes.
  std::size_t KeyValueLength(const KeyDef& key) const;

  // Empty when the invariants above hold, else a description of the first
  // violation.
  std::string Validate() const;
};

inline bool NameEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

inline int TableDef::FindField(std::string_view field_name) const {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (NameEquals(fields[i].name, field_name)) return static_cast<int>(i);
  }
  return -1;
}

inline int TableDef::FindKey(std::string_view key_name) const {
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (NameEquals(keys[i].name, key_name)) return static_cast<int>(i);
  }
  return -1;
}

inline std::size_t TableDef::KeyValueLength(const KeyDef& key) const {
  std::size_t n = 0;
  for (const KeyComponent& c : key.components) {
    if (c.field < fields.size()) n += fields[c.field].size;
  }
  return n;
}

inline std::string TableDef::Validate() const {
  for (const FieldDef& f : fields) {
    if (std::size_t{f.offset} + f.size > record_length) {
      return "field " + f.name + " lies outside the record";
    }
  }
  for (const KeyDef& k : keys) {
    if (k.components.empty()) return "key " + k.name + " has no component";
    for (const KeyComponent& c : k.components) {
      if (c.field >= fields.size()) return "key " + k.name + " names a missing field";
    }
  }
  return {};
}

}  // namespace kavo
