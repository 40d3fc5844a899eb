#include <cstddef>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/dict_records.h"
#include "data/dict_tables.h"

namespace kavo::dict {
namespace {

struct Expected {
  const char* label;
  const char* prefix;
  const char* disk_name;
  bool create;
  int record_length;
  std::size_t fields;
  std::size_t keys;
};

TEST(DictTables, LabelsPrefixesDiskNamesAndCounts) {
  const Expected expected[] = {
      {"SETUP", "SET", "SETUP", false, 69, 6, 0},
      {"DXCC", "DXC", "DXCC", true, 22, 2, 2},
      {"NA_IOTA", "NA_", "NA_IOTA", true, 13, 1, 1},
      {"IOTA", "IOT", "IOTA", true, 107, 5, 1},
      {"RAJON", "RAJ", "RAJON", true, 137, 3, 2},
      {"PREFRUS", "PRE", "PREFRUS", true, 22, 2, 2},
      {"AAAAPRINT", "AAP", "PRINT.TMP", true, 107, 13, 11},
      {"AAAA", "AAA", "AAAA", true, 107, 13, 12},
  };
  ASSERT_EQ(AllTables().size(), 8u);
  for (const Expected& e : expected) {
    const TableDef* t = FindTable(e.label);
    ASSERT_NE(t, nullptr) << e.label;
    EXPECT_EQ(t->prefix, e.prefix);
    EXPECT_EQ(t->disk_name, e.disk_name);
    EXPECT_EQ(t->has(kTableCreate), e.create) << e.label;
    EXPECT_TRUE(t->has(kTableThread));
    EXPECT_FALSE(t->has(kTableOem) || t->has(kTableOwner) || t->has(kTableEncrypt) ||
                 t->has(kTableReclaim));
    EXPECT_EQ(t->record_length, e.record_length) << e.label;
    EXPECT_EQ(t->fields.size(), e.fields) << e.label;
    EXPECT_EQ(t->keys.size(), e.keys) << e.label;
    EXPECT_TRUE(t->memos.empty());
    EXPECT_EQ(t->version, 1);
    EXPECT_EQ(t->Validate(), "") << e.label;
  }
  EXPECT_EQ(FindTable("aaaa"), &AAAA());
  EXPECT_EQ(FindTable("LOG"), nullptr);
}

TEST(DictTables, FieldsArePackedWithoutGapsUnderThePrefix) {
  for (const TableDef* t : AllTables()) {
    std::size_t offset = 0;
    for (std::size_t i = 0; i < t->fields.size(); ++i) {
      const FieldDef& f = t->fields[i];
      EXPECT_EQ(f.offset, offset) << f.name;
      EXPECT_EQ(f.index, i) << f.name;
      EXPECT_EQ(f.elements, 1) << f.name;
      EXPECT_EQ(f.flags, 0) << f.name;
      EXPECT_EQ(f.name.rfind(t->prefix + ":", 0), 0u) << f.name;
      switch (f.type) {
        case FieldType::kString:
          EXPECT_EQ(f.declared_length, f.size) << f.name;
          break;
        case FieldType::kLong:
          EXPECT_EQ(f.size, 4) << f.name;
          break;
        case FieldType::kReal:
          EXPECT_EQ(f.size, 8) << f.name;
          break;
        case FieldType::kDecimal:
          EXPECT_EQ(f.size, 4) << f.name;
          EXPECT_EQ(f.digits, 4) << f.name;
          EXPECT_EQ(f.places, 0) << f.name;
          break;
        default:
          ADD_FAILURE() << f.name << " has a type the program does not use";
      }
      offset += f.size;
    }
    EXPECT_EQ(offset, t->record_length) << t->label;
  }
}

TEST(DictTables, LogLayoutFieldByField) {
  struct F {
    const char* name;
    FieldType type;
    int offset;
    int size;
  };
  const F log[] = {
      {"POZ", FieldType::kString, 0, 12},     {"PR", FieldType::kString, 12, 2},
      {"N_QSO", FieldType::kDecimal, 14, 4},  {"PREF", FieldType::kString, 18, 20},
      {"DATA", FieldType::kLong, 38, 4},      {"TIM", FieldType::kLong, 42, 4},
      {"DIAPAZ", FieldType::kReal, 46, 8},    {"MODE", FieldType::kString, 54, 5},
      {"RPT_1", FieldType::kString, 59, 3},   {"RPT_2", FieldType::kString, 62, 3},
      {"QTH", FieldType::kString, 65, 22},    {"QSL", FieldType::kString, 87, 5},
      {"PRIMEC", FieldType::kString, 92, 15},
  };
  for (const TableDef* t : {&AAAA(), &AAAAPRINT()}) {
    for (std::size_t i = 0; i < std::size(log); ++i) {
      const FieldDef& f = t->fields[i];
      EXPECT_EQ(f.name, t->prefix + ":" + log[i].name);
      EXPECT_EQ(f.type, log[i].type) << f.name;
      EXPECT_EQ(f.offset, log[i].offset) << f.name;
      EXPECT_EQ(f.size, log[i].size) << f.name;
    }
  }
}

// Key names and component field names, without the prefix.
std::vector<std::string> KeyShape(const TableDef& t, const KeyDef& k) {
  std::vector<std::string> shape = {k.name.substr(t.prefix.size() + 1)};
  for (const KeyComponent& c : k.components) {
    shape.push_back(t.fields[c.field].name.substr(t.prefix.size() + 1));
    EXPECT_FALSE(c.descending()) << k.name;
  }
  return shape;
}

TEST(DictTables, LogKeysInDeclarationOrder) {
  const std::vector<std::vector<std::string>> aaaa = {
      {"BEY_N", "N_QSO"},
      {"BEY_QSL", "QSL"},
      {"BEY_SS", "PREF", "DATA", "TIM"},
      {"BEY_D", "DATA"},
      {"BEY_DIAP", "DIAPAZ"},
      {"BEY_DD", "DIAPAZ", "DATA", "TIM"},
      {"BEY_P", "POZ", "DATA", "TIM"},
      {"BEY_MODE", "MODE", "DATA", "TIM"},
      {"BEY_SPDT", "PREF", "POZ", "DATA", "TIM"},
      {"BEY_MODEDIA", "MODE", "DIAPAZ", "DATA", "TIM"},
      {"BEY_SDIA", "PREF", "DIAPAZ", "DATA", "TIM"},
      {"BEY_PR", "PR", "POZ", "DATA", "TIM"},
  };
  const TableDef& log = AAAA();
  ASSERT_EQ(log.keys.size(), aaaa.size());
  for (std::size_t i = 0; i < aaaa.size(); ++i) {
    EXPECT_EQ(KeyShape(log, log.keys[i]), aaaa[i]);
  }
  // The print buffer has the same keys less the QSL key.
  const TableDef& print = AAAAPRINT();
  std::vector<std::vector<std::string>> aaap = aaaa;
  aaap.erase(aaap.begin() + 1);
  ASSERT_EQ(print.keys.size(), aaap.size());
  for (std::size_t i = 0; i < aaap.size(); ++i) {
    EXPECT_EQ(KeyShape(print, print.keys[i]), aaap[i]);
  }
  EXPECT_EQ(log.FindKey("AAA:BEY_SS"), 2);
  EXPECT_EQ(print.FindKey("aap:bey_ss"), 1);
  EXPECT_EQ(log.KeyValueLength(log.keys[9]), 5u + 8u + 4u + 4u);
}

TEST(DictTables, KeyAttributes) {
  for (const TableDef* t : AllTables()) {
    for (const KeyDef& k : t->keys) {
      EXPECT_TRUE(k.opt() && k.nocase()) << k.name;
      EXPECT_FALSE(k.dynamic_index() || k.deferred) << k.name;
      EXPECT_FALSE(k.primary() && k.dup()) << k.name;
    }
  }
  auto key = [](const TableDef& t, const char* name) -> const KeyDef& {
    int k = t.FindKey(name);
    EXPECT_GE(k, 0) << name;
    return t.keys[static_cast<std::size_t>(k < 0 ? 0 : k)];
  };
  EXPECT_TRUE(key(AAAA(), "AAA:BEY_N").primary());
  EXPECT_TRUE(key(AAAAPRINT(), "AAP:BEY_N").primary());
  EXPECT_TRUE(key(NA_IOTA(), "NA_:BEY_NA").primary());
  EXPECT_TRUE(key(RAJON(), "RAJ:BEY_POZ").primary());
  const KeyDef& fam = key(RAJON(), "RAJ:BEY_FAM");
  EXPECT_TRUE(fam.unique() && !fam.primary());
  for (const char* name : {"DXC:BEY_S", "DXC:BEY_1"}) EXPECT_TRUE(key(DXCC(), name).dup());
  for (const char* name : {"PRE:BEY_PREFIS", "PRE:BEY_GOROD"}) {
    EXPECT_TRUE(key(PREFRUS(), name).dup());
  }
  EXPECT_TRUE(key(IOTA(), "IOT:BEYNAIM").dup());
  for (std::size_t k = 1; k < AAAA().keys.size(); ++k) EXPECT_TRUE(AAAA().keys[k].dup());
}

template <typename Record>
void ExpectBufferMatches(const TableDef& t, const std::vector<std::size_t>& offsets) {
  EXPECT_EQ(sizeof(Record), t.record_length) << t.label;
  ASSERT_EQ(offsets.size(), t.fields.size()) << t.label;
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    EXPECT_EQ(offsets[i], t.fields[i].offset) << t.fields[i].name;
  }
}

#define OFF(R, f) offsetof(R, f)

TEST(DictRecords, BuffersMatchTheDescriptors) {
  ExpectBufferMatches<SETUPRecord>(
      SETUP(), {OFF(SETUPRecord, CALLSIGN), OFF(SETUPRecord, IMJA), OFF(SETUPRecord, GMT),
                OFF(SETUPRecord, FAM), OFF(SETUPRecord, QTH), OFF(SETUPRecord, LOC)});
  ExpectBufferMatches<DXCCRecord>(DXCC(), {OFF(DXCCRecord, PR), OFF(DXCCRecord, STRANA)});
  ExpectBufferMatches<NA_IOTARecord>(NA_IOTA(), {OFF(NA_IOTARecord, NAIM)});
  ExpectBufferMatches<IOTARecord>(
      IOTA(), {OFF(IOTARecord, FIRSTNAME), OFF(IOTARecord, NAIM), OFF(IOTARecord, TERRIT),
               OFF(IOTARecord, PRIMEC), OFF(IOTARecord, PREFIKS)});
  ExpectBufferMatches<RAJONRecord>(
      RAJON(), {OFF(RAJONRecord, POZ), OFF(RAJONRecord, ADRESS), OFF(RAJONRecord, TELEFON)});
  ExpectBufferMatches<PREFRUSRecord>(PREFRUS(),
                                     {OFF(PREFRUSRecord, PREF), OFF(PREFRUSRecord, GOROD)});
  const std::vector<std::size_t> log = {
      OFF(AAAARecord, POZ),    OFF(AAAARecord, PR),   OFF(AAAARecord, N_QSO),
      OFF(AAAARecord, PREF),   OFF(AAAARecord, DATA), OFF(AAAARecord, TIM),
      OFF(AAAARecord, DIAPAZ), OFF(AAAARecord, MODE), OFF(AAAARecord, RPT_1),
      OFF(AAAARecord, RPT_2),  OFF(AAAARecord, QTH),  OFF(AAAARecord, QSL),
      OFF(AAAARecord, PRIMEC)};
  ExpectBufferMatches<AAAARecord>(AAAA(), log);
  ExpectBufferMatches<AAAAPRINTRecord>(AAAAPRINT(), log);
}

TEST(DictRecords, ClearBlanksTextAndZeroesNumbers) {
  AAAARecord AAA;
  std::memset(&AAA, 0x5A, sizeof AAA);
  AAA.Clear();
  EXPECT_EQ(std::string(AAA.POZ, 12), std::string(12, ' '));
  EXPECT_EQ(std::string(AAA.PRIMEC, 15), std::string(15, ' '));
  EXPECT_EQ(AAA.N_QSO.get(), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(AAA.N_QSO.bytes), 4), std::string(4, '\0'));
  EXPECT_EQ(std::int32_t{AAA.DATA}, 0);
  EXPECT_EQ(std::int32_t{AAA.TIM}, 0);
  EXPECT_EQ(double{AAA.DIAPAZ}, 0.0);
}

TEST(DictRecords, TextIsCutOrPaddedAndReadWithoutTrailingBlanks) {
  AAAARecord AAA;
  AAA.Clear();
  SetText(AAA.POZ, "UA3ABC/QRP/MM");  // 13 characters into 12
  EXPECT_EQ(std::string(AAA.POZ, 12), "UA3ABC/QRP/M");
  SetText(AAA.MODE, "CW");
  EXPECT_EQ(std::string(AAA.MODE, 5), "CW   ");
  EXPECT_EQ(TextOf(AAA.MODE), "CW");
  SetText(AAA.QSL, "\xCD\xC5\xD2");  // "НЕТ" in code page 1251
  EXPECT_EQ(TextOf(AAA.QSL), "\xCD\xC5\xD2");
  SetText(AAA.QTH, "  inner  blanks  ");
  EXPECT_EQ(TextOf(AAA.QTH), "  inner  blanks");
  SetText(AAA.QTH, "");
  EXPECT_EQ(TextOf(AAA.QTH), "");
}

TEST(DictRecords, SerialNumberIsPackedDecimal) {
  AAAARecord AAA;
  AAA.Clear();
  EXPECT_TRUE(AAA.N_QSO.set(1234567));
  EXPECT_EQ(AAA.N_QSO.bytes[0], 0x01);
  EXPECT_EQ(AAA.N_QSO.bytes[1], 0x23);
  EXPECT_EQ(AAA.N_QSO.bytes[3], 0x67);
  EXPECT_EQ(AAA.N_QSO.get(), 1234567);
  EXPECT_FALSE(AAA.N_QSO.set(10000000));  // eight digits do not fit
  EXPECT_EQ(AAA.N_QSO.get(), 1234567);
  EXPECT_TRUE(AAA.N_QSO.set(-42));
  EXPECT_EQ(AAA.N_QSO.get(), -42);
}

}  // namespace
}  // namespace kavo::dict
