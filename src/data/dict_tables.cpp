#include "data/dict_tables.h"

#include <array>
#include <initializer_list>
#include <string>
#include <utility>

namespace kavo::dict {
namespace {

// Every key of the program is a kept, case-insensitive, optional key.
constexpr std::uint8_t kDupKey = kKeyDup | kKeyOpt | kKeyNocase;
constexpr std::uint8_t kUniqueKey = kKeyOpt | kKeyNocase;
constexpr std::uint8_t kPrimaryKey = kKeyPrimary | kKeyOpt | kKeyNocase;

struct FieldLayout {
  const char* name;  // without the prefix
  FieldType type;
  std::uint16_t offset;
  std::uint16_t size;
};

struct KeyLayout {
  const char* name;  // without the prefix
  std::uint8_t flags;
  std::initializer_list<const char*> components;  // field names without the prefix
};

FieldDef MakeField(const std::string& prefix, const FieldLayout& layout, std::uint16_t index) {
  FieldDef f;
  f.name = prefix + ":" + layout.name;
  f.type = layout.type;
  f.offset = layout.offset;
  f.size = layout.size;
  f.index = index;
  if (layout.type == FieldType::kDecimal) {
    // A 4-byte DECIMAL with no places: the stream carries the bytes 4 and 0.
    f.digits = 4;
    f.places = 0;
  }
  // No field stores a picture: the windows and reports bring their own.
  if (layout.type == FieldType::kString) f.declared_length = layout.size;
  return f;
}

TableDef MakeTable(const char* label, const char* prefix, const char* disk_name,
                   std::uint32_t attributes, std::uint16_t record_length,
                   std::initializer_list<FieldLayout> fields,
                   std::initializer_list<KeyLayout> keys) {
  TableDef t;
  t.label = label;
  t.prefix = prefix;
  t.disk_name = disk_name;
  t.attributes = attributes;
  t.record_length = record_length;
  std::uint16_t index = 0;
  for (const FieldLayout& f : fields) t.fields.push_back(MakeField(t.prefix, f, index++));
  for (const KeyLayout& k : keys) {
    KeyDef key;
    key.name = t.prefix + ":" + k.name;
    key.flags = k.flags;
    for (const char* component : k.components) {
      int field = t.FindField(t.prefix + ":" + component);
      // The layouts below name only declared fields; a slip shows in the tests.
      key.components.push_back({static_cast<std::uint16_t>(field < 0 ? 0xFFFF : field), 0});
    }
    t.keys.push_back(std::move(key));
  }
  return t;
}

constexpr std::uint32_t kCreateThread = kTableCreate | kTableThread;

// AAAA and AAAAPRINT share the record layout under their own prefixes.
const std::initializer_list<FieldLayout>& LogFields() {
  static const std::initializer_list<FieldLayout> fields = {
      {"POZ", FieldType::kString, 0, 12},     {"PR", FieldType::kString, 12, 2},
      {"N_QSO", FieldType::kDecimal, 14, 4},  {"PREF", FieldType::kString, 18, 20},
      {"DATA", FieldType::kLong, 38, 4},      {"TIM", FieldType::kLong, 42, 4},
      {"DIAPAZ", FieldType::kReal, 46, 8},    {"MODE", FieldType::kString, 54, 5},
      {"RPT_1", FieldType::kString, 59, 3},   {"RPT_2", FieldType::kString, 62, 3},
      {"QTH", FieldType::kString, 65, 22},    {"QSL", FieldType::kString, 87, 5},
      {"PRIMEC", FieldType::kString, 92, 15},
  };
  return fields;
}

}  // namespace

const TableDef& SETUP() {
  static const TableDef t = MakeTable("SETUP", "SET", "SETUP", kTableThread, 69,
                                      {
                                          {"CALLSIGN", FieldType::kString, 0, 8},
                                          {"IMJA", FieldType::kString, 8, 12},
                                          {"GMT", FieldType::kReal, 20, 8},
                                          {"FAM", FieldType::kString, 28, 15},
                                          {"QTH", FieldType::kString, 43, 20},
                                          {"LOC", FieldType::kString, 63, 6},
                                      },
                                      {});
  return t;
}

const TableDef& DXCC() {
  static const TableDef t = MakeTable("DXCC", "DXC", "DXCC", kCreateThread, 22,
                                      {
                                          {"PR", FieldType::kString, 0, 2},
                                          {"STRANA", FieldType::kString, 2, 20},
                                      },
                                      {
                                          {"BEY_S", kDupKey, {"PR"}},
                                          {"BEY_1", kDupKey, {"STRANA"}},
                                      });
  return t;
}

const TableDef& NA_IOTA() {
  static const TableDef t = MakeTable("NA_IOTA", "NA_", "NA_IOTA", kCreateThread, 13,
                                      {
                                          {"NAIM", FieldType::kString, 0, 13},
                                      },
                                      {
                                          {"BEY_NA", kPrimaryKey, {"NAIM"}},
                                      });
  return t;
}

const TableDef& IOTA() {
  static const TableDef t = MakeTable("IOTA", "IOT", "IOTA", kCreateThread, 107,
                                      {
                                          {"FIRSTNAME", FieldType::kString, 0, 13},
                                          {"NAIM", FieldType::kString, 13, 6},
                                          {"TERRIT", FieldType::kString, 19, 60},
                                          {"PRIMEC", FieldType::kString, 79, 20},
                                          {"PREFIKS", FieldType::kString, 99, 8},
                                      },
                                      {
                                          {"BEYNAIM", kDupKey, {"FIRSTNAME", "NAIM"}},
                                      });
  return t;
}

const TableDef& RAJON() {
  static const TableDef t = MakeTable("RAJON", "RAJ", "RAJON", kCreateThread, 137,
                                      {
                                          {"POZ", FieldType::kString, 0, 8},
                                          {"ADRESS", FieldType::kString, 8, 120},
                                          {"TELEFON", FieldType::kString, 128, 9},
                                      },
                                      {
                                          {"BEY_POZ", kPrimaryKey, {"POZ"}},
                                          {"BEY_FAM", kUniqueKey, {"ADRESS"}},
                                      });
  return t;
}

const TableDef& PREFRUS() {
  static const TableDef t = MakeTable("PREFRUS", "PRE", "PREFRUS", kCreateThread, 22,
                                      {
                                          {"PREF", FieldType::kString, 0, 2},
                                          {"GOROD", FieldType::kString, 2, 20},
                                      },
                                      {
                                          {"BEY_PREFIS", kDupKey, {"PREF"}},
                                          {"BEY_GOROD", kDupKey, {"GOROD"}},
                                      });
  return t;
}

const TableDef& AAAAPRINT() {
  static const TableDef t =
      MakeTable("AAAAPRINT", "AAP", "PRINT.TMP", kCreateThread, 107, LogFields(),
                {
                    {"BEY_N", kPrimaryKey, {"N_QSO"}},
                    {"BEY_SS", kDupKey, {"PREF", "DATA", "TIM"}},
                    {"BEY_D", kDupKey, {"DATA"}},
                    {"BEY_DIAP", kDupKey, {"DIAPAZ"}},
                    {"BEY_DD", kDupKey, {"DIAPAZ", "DATA", "TIM"}},
                    {"BEY_P", kDupKey, {"POZ", "DATA", "TIM"}},
                    {"BEY_MODE", kDupKey, {"MODE", "DATA", "TIM"}},
                    {"BEY_SPDT", kDupKey, {"PREF", "POZ", "DATA", "TIM"}},
                    {"BEY_MODEDIA", kDupKey, {"MODE", "DIAPAZ", "DATA", "TIM"}},
                    {"BEY_SDIA", kDupKey, {"PREF", "DIAPAZ", "DATA", "TIM"}},
                    {"BEY_PR", kDupKey, {"PR", "POZ", "DATA", "TIM"}},
                });
  return t;
}

const TableDef& AAAA() {
  static const TableDef t =
      MakeTable("AAAA", "AAA", "AAAA", kCreateThread, 107, LogFields(),
                {
                    {"BEY_N", kPrimaryKey, {"N_QSO"}},
                    {"BEY_QSL", kDupKey, {"QSL"}},
                    {"BEY_SS", kDupKey, {"PREF", "DATA", "TIM"}},
                    {"BEY_D", kDupKey, {"DATA"}},
                    {"BEY_DIAP", kDupKey, {"DIAPAZ"}},
                    {"BEY_DD", kDupKey, {"DIAPAZ", "DATA", "TIM"}},
                    {"BEY_P", kDupKey, {"POZ", "DATA", "TIM"}},
                    {"BEY_MODE", kDupKey, {"MODE", "DATA", "TIM"}},
                    {"BEY_SPDT", kDupKey, {"PREF", "POZ", "DATA", "TIM"}},
                    {"BEY_MODEDIA", kDupKey, {"MODE", "DIAPAZ", "DATA", "TIM"}},
                    {"BEY_SDIA", kDupKey, {"PREF", "DIAPAZ", "DATA", "TIM"}},
                    {"BEY_PR", kDupKey, {"PR", "POZ", "DATA", "TIM"}},
                });
  return t;
}

std::span<const TableDef* const> AllTables() {
  static const std::array<const TableDef*, 8> tables = {
      &SETUP(), &DXCC(), &NA_IOTA(), &IOTA(), &RAJON(), &PREFRUS(), &AAAAPRINT(), &AAAA()};
  return tables;
}

const TableDef* FindTable(std::string_view label) {
  for (const TableDef* t : AllTables()) {
    if (NameEquals(t->label, label)) return t;
  }
  return nullptr;
}

LongMeaning MeaningOfLong(std::string_view field_name) {
  // The date and the time of the contact in the log's layout.
  for (const TableDef* t : {&AAAA(), &AAAAPRINT()}) {
    if (field_name == t->prefix + ":DATA") return LongMeaning::kDate;
    if (field_name == t->prefix + ":TIM") return LongMeaning::kTime;
  }
  return LongMeaning::kNumber;
}

}  // namespace kavo::dict
