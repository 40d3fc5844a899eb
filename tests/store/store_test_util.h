// Shared pieces of the record-store tests: a table definition with a field
// of every kind and keys of every kind, and row builders.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/table_def.h"

namespace kavo::testing {

inline FieldDef Field(const char* name, FieldType type, uint16_t offset, uint16_t size,
                      uint16_t index) {
  FieldDef f;
  f.name = name;
  f.type = type;
  f.offset = offset;
  f.size = size;
  f.index = index;
  if (HasStringExtras(type)) f.declared_length = size;
  if (IsDecimalType(type)) {
    f.digits = 9;
    f.places = 2;
  }
  return f;
}

inline KeyDef Key(const char* name, uint8_t flags, std::vector<KeyComponent> comps) {
  KeyDef k;
  k.name = name;
  k.flags = flags;
  k.components = std::move(comps);
  return k;
}

// Offsets of the test table's fields.
struct T {
  static constexpr uint16_t kId = 0;     // LONG
  static constexpr uint16_t kName = 4;   // STRING 12
  static constexpr uint16_t kCall = 16;  // CSTRING 8
  static constexpr uint16_t kDay = 24;   // DATE
  static constexpr uint16_t kVal = 28;   // REAL
  static constexpr uint16_t kAmt = 36;   // DECIMAL 5
  static constexpr uint16_t kSh = 41;    // SHORT
  static constexpr uint16_t kUs = 43;    // USHORT
  static constexpr uint16_t kB = 45;     // BYTE
  static constexpr uint16_t kPs = 46;    // PSTRING 6
  static constexpr uint16_t kTime = 52;  // TIME
  static constexpr uint16_t kUl = 56;    // ULONG
  static constexpr uint16_t kSr = 60;    // SREAL
  static constexpr uint16_t kGrp = 64;   // GROUP 4
  static constexpr uint16_t kPad = 68;   // STRING, the rest of the record
};

// A table with fields of every accepted type and keys of every kind: unique,
// DUP, OPT, NOCASE, descending components, multi-component.
inline TableDef TestTable(uint16_t record_length = 120) {
  TableDef d;
  d.label = "TEST";
  d.prefix = "TST";
  d.record_length = record_length;
  uint16_t i = 0;
  d.fields = {Field("TST:ID", FieldType::kLong, T::kId, 4, i++),
              Field("TST:NAME", FieldType::kString, T::kName, 12, i++),
              Field("TST:CALL", FieldType::kCString, T::kCall, 8, i++),
              Field("TST:DAY", FieldType::kDate, T::kDay, 4, i++),
              Field("TST:VAL", FieldType::kReal, T::kVal, 8, i++),
              Field("TST:AMT", FieldType::kDecimal, T::kAmt, 5, i++),
              Field("TST:SH", FieldType::kShort, T::kSh, 2, i++),
              Field("TST:US", FieldType::kUShort, T::kUs, 2, i++),
              Field("TST:B", FieldType::kByte, T::kB, 1, i++),
              Field("TST:PS", FieldType::kPString, T::kPs, 6, i++),
              Field("TST:TIME", FieldType::kTime, T::kTime, 4, i++),
              Field("TST:UL", FieldType::kULong, T::kUl, 4, i++),
              Field("TST:SR", FieldType::kSReal, T::kSr, 4, i++),
              Field("TST:GRP", FieldType::kGroup, T::kGrp, 4, i++),
              Field("TST:PAD", FieldType::kString, T::kPad,
                    static_cast<uint16_t>(record_length - T::kPad), i++)};
  d.keys = {Key("TST:BEY_ID", kKeyPrimary, {{0, 0}}),
            Key("TST:BEY_NAME", kKeyDup | kKeyNocase, {{1, 0}}),
            Key("TST:BEY_CALL", kKeyDup | kKeyOpt, {{2, 0}}),
            Key("TST:BEY_DAY", 0, {{3, kComponentDescending}, {0, 0}}),
            Key("TST:BEY_VAL", kKeyDup, {{4, kComponentDescending}}),
            Key("TST:BEY_MIX", kKeyDup, {{5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}}),
            Key("TST:BEY_REST", kKeyDup | kKeyOpt,
                {{10, 0}, {11, kComponentDescending}, {12, 0}, {13, 0}}),
            Key("TST:BEY_PAD", kKeyDup, {{14, 0}})};
  return d;
}

inline void PutLong(uint8_t* row, uint16_t off, int32_t v) {
  std::memcpy(row + off, &v, 4);
}
inline void PutText(uint8_t* row, uint16_t off, uint16_t size, const std::string& s) {
  std::memset(row + off, ' ', size);
  std::memcpy(row + off, s.data(), std::min<size_t>(size, s.size()));
}
inline int32_t GetLong(const uint8_t* row, uint16_t off) {
  int32_t v;
  std::memcpy(&v, row + off, 4);
  return v;
}

}  // namespace kavo::testing
