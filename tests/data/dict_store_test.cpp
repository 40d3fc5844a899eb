// The dictionary's layouts against the record store: each table creates,
// its stored definition compares equal with the declaration on open, and
// the keys behave as the layouts promise.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "runtime/errors.h"
#include "store/table.h"

namespace kavo::dict {
namespace {

namespace fs = std::filesystem;

class DictStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kavo-dict-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Name(const TableDef& t) const { return (dir_ / t.disk_name).string(); }

  fs::path dir_;
};

TEST_F(DictStoreTest, EveryLayoutCreatesAndReopensWithItsDeclaration) {
  for (const TableDef* t : AllTables()) {
    ASSERT_TRUE(Table::Create(Name(*t), *t).ok()) << t->label;
    Table stored;
    ASSERT_TRUE(stored.Open(Name(*t), nullptr).ok()) << t->label;
    EXPECT_EQ(stored.def().record_length, t->record_length);
    ASSERT_EQ(stored.def().fields.size(), t->fields.size());
    for (std::size_t i = 0; i < t->fields.size(); ++i) {
      EXPECT_EQ(stored.def().fields[i].name, t->fields[i].name);
      // No layout stores a picture for a field.
      EXPECT_FALSE(stored.def().fields[i].picture.has_value()) << stored.def().fields[i].name;
    }
    ASSERT_EQ(stored.def().keys.size(), t->keys.size());
    for (std::size_t i = 0; i < t->keys.size(); ++i) {
      EXPECT_EQ(stored.def().keys[i].name, t->keys[i].name);
    }
    Table declared;
    EXPECT_TRUE(declared.Open(Name(*t), t).ok()) << t->label;
  }
  EXPECT_TRUE(fs::exists(dir_ / "PRINT.TMP"));
  EXPECT_TRUE(fs::exists(dir_ / "AAAA.VTF"));
  // A layout other than the stored one is refused.
  Table wrong;
  EXPECT_EQ(wrong.Open(Name(AAAA()), &AAAAPRINT()).code(), err::kInvalidRecordDeclaration);
}

TEST_F(DictStoreTest, LogKeysFollowTheLayoutAttributes) {
  ASSERT_TRUE(Table::Create(Name(AAAA()), AAAA()).ok());
  Table t;
  ASSERT_TRUE(t.Open(Name(AAAA()), &AAAA()).ok());
  auto* AAA = reinterpret_cast<AAAARecord*>(t.record());
  auto add = [&](const char* call, std::int64_t serial, const char* qsl) {
    AAA->Clear();
    SetText(AAA->POZ, call);
    AAA->N_QSO.set(serial);
    SetText(AAA->PREF, "Germany");
    AAA->DATA = 80000;
    AAA->TIM = 100;
    SetText(AAA->QSL, qsl);
    return t.Add();
  };
  ASSERT_TRUE(add("dl1abc", 1, "").ok());
  ASSERT_TRUE(add("DL1ABC", 2, "\xCD\xC5\xD2").ok());
  EXPECT_EQ(add("DL2XYZ", 2, "").code(), err::kDuplicateKey);

  // The blank QSL state keeps the first row out of AAA:BEY_QSL.
  std::uint32_t count = 0;
  ASSERT_TRUE(t.Records(AAAA().FindKey("AAA:BEY_QSL"), &count).ok());
  EXPECT_EQ(count, 1u);
  ASSERT_TRUE(t.Records(&count).ok());
  EXPECT_EQ(count, 2u);

  // Both spellings of the callsign are one value of AAA:BEY_P.
  AAA->Clear();
  SetText(AAA->POZ, "Dl1AbC");
  AAA->DATA = 80000;
  AAA->TIM = 100;
  ASSERT_TRUE(t.SetKeyValue(AAAA().FindKey("AAA:BEY_P")).ok());
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(AAA->N_QSO.get(), 1);
  ASSERT_TRUE(t.Next().ok());
  EXPECT_EQ(AAA->N_QSO.get(), 2);
  EXPECT_EQ(t.Next().code(), err::kRecordNotAvailable);

  // The serial number finds its row through the primary key.
  AAA->Clear();
  AAA->N_QSO.set(2);
  ASSERT_TRUE(t.Get(AAAA().FindKey("AAA:BEY_N")).ok());
  EXPECT_EQ(TextOf(AAA->POZ), "DL1ABC");
}

TEST_F(DictStoreTest, AddressTextIsUniqueWithoutRegardToCase) {
  ASSERT_TRUE(Table::Create(Name(RAJON()), RAJON()).ok());
  Table t;
  ASSERT_TRUE(t.Open(Name(RAJON()), &RAJON()).ok());
  auto* RAJ = reinterpret_cast<RAJONRecord*>(t.record());
  RAJ->Clear();
  SetText(RAJ->POZ, "UA3AAA");
  SetText(RAJ->ADRESS, "Ivanov, Lenina 1");
  ASSERT_TRUE(t.Add().ok());
  RAJ->Clear();
  SetText(RAJ->POZ, "UA3AAB");
  SetText(RAJ->ADRESS, "IVANOV, lenina 1");
  EXPECT_EQ(t.Add().code(), err::kDuplicateKey);
  std::uint32_t count = 0;
  ASSERT_TRUE(t.Records(&count).ok());
  EXPECT_EQ(count, 1u);
}

}  // namespace
}  // namespace kavo::dict
