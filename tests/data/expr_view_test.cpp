// View filters: the application's filters on records that pass and records
// that do not, compile once / test many, and join conditions.
#include <gtest/gtest.h>

#include <cstring>

#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "data_test_util.h"
#include "expr/expr_view.h"
#include "runtime/datetime.h"
#include "runtime/errors.h"
#include "store/table.h"

namespace kavo::expr {
namespace {

using dict::AAAARecord;
using dict::SetText;

template <size_t N>
VarRef Text(char (&field)[N]) {
  return VarRef::String(field, N);
}

class ViewFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    aaa.Clear();
    dxc.Clear();
    iot.Clear();
    scopes.Push(0);
  }
  void TearDown() override { scopes.Pop(); }

  // Compiles the filter into the view and tests the current buffers.
  bool Passes(std::string_view filter) {
    Status s = view.SetFilter(filter, scopes);
    EXPECT_TRUE(s.ok()) << filter << ": " << s.detail();
    return view.Test();
  }

  BindScopes scopes;
  ViewConditions view;
  AAAARecord aaa;
  dict::DXCCRecord dxc;
  dict::IOTARecord iot;
};

TEST_F(ViewFilterTest, CountryFilterIgnoresCase) {
  char reset_strana[20];
  SetText(reset_strana, "European Russia");
  scopes.Bind("BRW1::Sort1:Reset:DXC:STRANA", Text(reset_strana));
  BindTable(scopes, dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa));
  const char* f = "UPPER(AAA:PREF) = UPPER(BRW1::Sort1:Reset:DXC:STRANA)";
  SetText(aaa.PREF, "EUROPEAN RUSSIA");
  EXPECT_TRUE(Passes(f));
  SetText(aaa.PREF, "European Russia  ");
  EXPECT_TRUE(view.Test());
  SetText(aaa.PREF, "Asiatic Russia");
  EXPECT_FALSE(view.Test());
  SetText(aaa.PREF, "");
  EXPECT_FALSE(view.Test());
}

TEST_F(ViewFilterTest, BandFilterComparesReals) {
  double diapaz = 14.0;
  scopes.Bind("diapaz", VarRef::Real(&diapaz));
  BindTable(scopes, dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa));
  aaa.DIAPAZ = 14.0;
  EXPECT_TRUE(Passes("AAA:DIAPAZ = diapaz"));
  aaa.DIAPAZ = 0.1 * 140;  // not bit-identical to 14.0, equal within tolerance
  EXPECT_TRUE(view.Test());
  aaa.DIAPAZ = 1.8;
  EXPECT_FALSE(view.Test());
  diapaz = 1.8;  // read at every test, no recompiling
  EXPECT_TRUE(view.Test());
}

TEST_F(ViewFilterTest, ModeFilterKeepsTheProcedureVariable) {
  // The record is bound before the procedure's MODE here; the other order is
  // covered by the scope tests.
  BindTable(scopes, dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa));
  char mode[5];
  SetText(mode, "cw");
  scopes.Bind("MODE", Text(mode));
  const char* f = "UPPER(AAA:MODE) = UPPER(MODE)";
  SetText(aaa.MODE, "CW");
  EXPECT_TRUE(Passes(f));
  SetText(aaa.MODE, "SSB");
  EXPECT_FALSE(view.Test());
  SetText(mode, "ssb");
  EXPECT_TRUE(view.Test());
}

TEST_F(ViewFilterTest, RegionFilterRejectsBlankRegions) {
  char po[2];
  SetText(po, "ua");
  scopes.Bind("po", Text(po));
  BindTable(scopes, dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa));
  const char* f = "UPPER(AAA:pr) = UPPER(po) AND (aaa:pr<>'')";
  SetText(aaa.PR, "UA");
  EXPECT_TRUE(Passes(f));
  SetText(aaa.PR, "RA");
  EXPECT_FALSE(view.Test());
  SetText(po, "");
  SetText(aaa.PR, "");
  EXPECT_FALSE(view.Test());  // blank equals blank, but the second part rejects it
  EXPECT_TRUE(Passes("UPPER(AAA:pr) = UPPER(po)"));
}

TEST_F(ViewFilterTest, QslFilterFoldsOnlyLatinLetters) {
  char qsl[5];
  SetText(qsl, "\xCF\xCE\xCB\xD3\xD7");  // ПОЛУЧ
  scopes.Bind("qsl", Text(qsl));
  BindTable(scopes, dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa));
  const char* f = "UPPER(AAA:QSL) = UPPER(qsl)";
  SetText(aaa.QSL, "\xCF\xCE\xCB\xD3\xD7");
  EXPECT_TRUE(Passes(f));
  SetText(aaa.QSL, "\xEF\xEE\xEB\xF3\xF7");  // получ: Cyrillic is not folded
  EXPECT_FALSE(view.Test());
  SetText(aaa.QSL, "\xCD\xC5\xD2");  // НЕТ
  EXPECT_FALSE(view.Test());
}

TEST_F(ViewFilterTest, PeriodFilterFollowsTheBoundVariables) {
  int32_t d1 = DateFromParts(2024, 1, 1), d2 = DateFromParts(2024, 12, 31);
  scopes.Bind("d1", VarRef::Long(&d1));
  scopes.Bind("d2", VarRef::Long(&d2));
  BindTable(scopes, dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa));
  for (const char* f : {"aaa:data>=d1 and aaa:data<=d2", "AAA:DATA >= d1 AND AAA:DATA <= d2"}) {
    aaa.DATA = DateFromParts(2024, 6, 1);
    EXPECT_TRUE(Passes(f)) << f;
    aaa.DATA = d1;
    EXPECT_TRUE(view.Test());
    aaa.DATA = d2;
    EXPECT_TRUE(view.Test());
    aaa.DATA = d2 + 1;
    EXPECT_FALSE(view.Test());
    aaa.DATA = d1 - 1;
    EXPECT_FALSE(view.Test());
    aaa.DATA = 0;
    EXPECT_FALSE(view.Test());
    d1 = 0;  // the next test sees the new period without recompiling
    EXPECT_TRUE(view.Test());
    d1 = DateFromParts(2024, 1, 1);
  }
}

TEST_F(ViewFilterTest, RegionAndPeriodReportFilter) {
  char save_pr[2];
  int32_t d1 = 100, d2 = 200;
  SetText(save_pr, "ua");
  scopes.Bind("d1", VarRef::Long(&d1));
  scopes.Bind("d2", VarRef::Long(&d2));
  scopes.Bind("Report:Save::AAA:pr", Text(save_pr));
  BindTable(scopes, dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa));
  const char* f = "UPPER(AAA:pr) = UPPER(Report:Save::AAA:pr) AND (aaa:data>=d1 and aaa:data<=d2)";
  SetText(aaa.PR, "UA");
  aaa.DATA = 150;
  EXPECT_TRUE(Passes(f));
  aaa.DATA = 250;
  EXPECT_FALSE(view.Test());
  aaa.DATA = 150;
  SetText(aaa.PR, "UB");
  EXPECT_FALSE(view.Test());
}

TEST_F(ViewFilterTest, PrefixFilterOnTheCountryTable) {
  char pr[2];
  SetText(pr, "ua");
  scopes.Bind("pr", Text(pr));
  BindTable(scopes, dict::DXCC(), reinterpret_cast<uint8_t*>(&dxc));
  const char* f = "UPPER(DXC:PR) = UPPER(pr)";
  SetText(dxc.PR, "UA");
  EXPECT_TRUE(Passes(f));
  SetText(dxc.PR, "Ua");
  EXPECT_TRUE(view.Test());
  SetText(dxc.PR, "UR");
  EXPECT_FALSE(view.Test());
}

TEST_F(ViewFilterTest, IslandGroupFilter) {
  char reset_naim[13];
  SetText(reset_naim, "Europe");
  scopes.Bind("BRW2::Sort1:Reset:NA_:Naim", Text(reset_naim));
  BindTable(scopes, dict::IOTA(), reinterpret_cast<uint8_t*>(&iot));
  const char* f = "UPPER(IOT:FIRSTNAME) = UPPER(BRW2::Sort1:Reset:NA_:Naim)";
  SetText(iot.FIRSTNAME, "EUROPE");
  EXPECT_TRUE(Passes(f));
  SetText(iot.FIRSTNAME, "Asia");
  EXPECT_FALSE(view.Test());
}

TEST_F(ViewFilterTest, SerialNumberFilterReadsThePackedDecimal) {
  int32_t qso = 1234;
  scopes.Bind("qso", VarRef::Long(&qso));
  BindTable(scopes, dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa));
  ASSERT_TRUE(aaa.N_QSO.set(1234));
  EXPECT_TRUE(Passes("AAA:N_QSO = qso"));
  ASSERT_TRUE(aaa.N_QSO.set(1235));
  EXPECT_FALSE(view.Test());
  ASSERT_TRUE(aaa.N_QSO.set(9999999));
  qso = 9999999;
  EXPECT_TRUE(view.Test());
  ASSERT_TRUE(aaa.N_QSO.set(-5));
  qso = -5;
  EXPECT_TRUE(view.Test());
}

TEST_F(ViewFilterTest, UnboundNameLeavesTheViewWithoutFilter) {
  BindTable(scopes, dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa));
  Status s = view.SetFilter("aaa:data>=d1", scopes);
  EXPECT_EQ(s.code(), err::kNoBind);
  EXPECT_EQ(ERRORCODE(), err::kNoBind);
  EXPECT_EQ(ERROR(), "No BIND on variable");
  EXPECT_FALSE(view.has_filter());
  EXPECT_TRUE(view.Test());
  EXPECT_EQ(view.SetFilter("aaa:data >=", scopes).code(), err::kInvalidExpression);
  EXPECT_TRUE(view.SetFilter("  ", scopes).ok());
  EXPECT_FALSE(view.has_filter());
}

TEST_F(ViewFilterTest, FieldsAreBoundUnderBothNames) {
  BindTable(scopes, dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa));
  SetText(aaa.POZ, "UA3ABC");
  aaa.TIM = 12345;
  EXPECT_TRUE(Passes("POZ = 'UA3ABC' AND aaa:poz = 'UA3ABC' AND TIM = AAA:TIM"));
}

TEST_F(ViewFilterTest, JoinConditionsFollowTheKeysCaseRule) {
  // DXCC rows joined to the contact through DXC:BEY_1 (country name, NOCASE).
  const TableDef& def = dict::DXCC();
  int key = def.FindKey("DXC:BEY_1");
  ASSERT_GE(key, 0);
  VarRef parent[] = {Text(aaa.PREF)};
  ASSERT_TRUE(view.AddJoin(def, reinterpret_cast<uint8_t*>(&dxc), key, parent).ok());
  SetText(aaa.PREF, "Ukraine");
  SetText(dxc.STRANA, "UKRAINE");
  EXPECT_TRUE(view.Test());
  SetText(dxc.STRANA, "Uganda");
  EXPECT_FALSE(view.Test());

  // The same join through a key without NOCASE compares exactly.
  TableDef exact = def;
  exact.keys[static_cast<size_t>(key)].flags &= static_cast<uint8_t>(~kKeyNocase);
  ViewConditions strict;
  ASSERT_TRUE(strict.AddJoin(exact, reinterpret_cast<uint8_t*>(&dxc), key, parent).ok());
  SetText(dxc.STRANA, "UKRAINE");
  EXPECT_FALSE(strict.Test());
  SetText(dxc.STRANA, "Ukraine");
  EXPECT_TRUE(strict.Test());

  // The filter and the joins must all hold.
  char pr[2];
  SetText(pr, "UR");
  scopes.Bind("pr", Text(pr));
  BindTable(scopes, def, reinterpret_cast<uint8_t*>(&dxc));
  ASSERT_TRUE(strict.SetFilter("DXC:PR = pr", scopes).ok());
  SetText(dxc.PR, "UR");
  EXPECT_TRUE(strict.Test());
  SetText(dxc.STRANA, "Uganda");
  EXPECT_FALSE(strict.Test());

  EXPECT_EQ(view.AddJoin(def, reinterpret_cast<uint8_t*>(&dxc), 99, parent).code(),
            err::kInvalidParameterCount);
  EXPECT_EQ(view.AddJoin(def, reinterpret_cast<uint8_t*>(&dxc), key, {}).code(),
            err::kInvalidParameterCount);
}

// The filter is bound to the table's own record buffer: every row read into
// it is tested as it stands, and a new period applies at the next scan.
TEST_F(ViewFilterTest, ScanOfAStoredLogThroughTheFilter) {
  testing::ScratchDir dir;
  const std::string name = dir.File("expr_view_scan");
  ASSERT_TRUE(Table::Create(name, dict::AAAA()).ok());
  Table t;
  ASSERT_TRUE(t.Open(name, &dict::AAAA()).ok());
  auto* row = reinterpret_cast<AAAARecord*>(t.record());
  for (int i = 1; i <= 40; ++i) {
    row->Clear();
    ASSERT_TRUE(row->N_QSO.set(i));
    row->DATA = 1000 + i;
    SetText(row->PREF, i % 2 ? "Ukraine" : "Japan");
    ASSERT_TRUE(t.Add().ok());
  }
  int32_t d1 = 1011, d2 = 1020;
  scopes.Bind("d1", VarRef::Long(&d1));
  scopes.Bind("d2", VarRef::Long(&d2));
  BindTable(scopes, dict::AAAA(), t.record());
  ASSERT_TRUE(
      view.SetFilter("aaa:data>=d1 and aaa:data<=d2 and UPPER(AAA:PREF) = 'UKRAINE'", scopes).ok());
  auto passed = [&] {
    std::vector<int32_t> dates;
    EXPECT_TRUE(t.Set().ok());
    while (t.Next().ok()) {
      if (view.Test()) dates.push_back(row->DATA);
    }
    return dates;
  };
  EXPECT_EQ(passed(), (std::vector<int32_t>{1011, 1013, 1015, 1017, 1019}));
  d1 = 1035;
  d2 = 2000;
  EXPECT_EQ(passed(), (std::vector<int32_t>{1035, 1037, 1039}));
  ASSERT_TRUE(t.Close().ok());
}

TEST_F(ViewFilterTest, RecordFilterBindsTheTableOnItsOwn) {
  std::unique_ptr<RecordFilter> filter;
  ASSERT_TRUE(RecordFilter::Compile(dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa),
                                    "AAA:DIAPAZ > 7 AND UPPER(mode) = 'CW'", &filter)
                  .ok());
  aaa.DIAPAZ = 14.0;
  SetText(aaa.MODE, "cw");
  EXPECT_TRUE(filter->Matches());
  aaa.DIAPAZ = 3.5;
  EXPECT_FALSE(filter->Matches());
  EXPECT_EQ(RecordFilter::Compile(dict::AAAA(), reinterpret_cast<uint8_t*>(&aaa), "d1 > 0", &filter)
                .code(),
            err::kNoBind);
  EXPECT_EQ(filter, nullptr);
}

}  // namespace
}  // namespace kavo::expr
