// A ranged sort order: the islands of one IOTA group, the range primed from
// a live variable and checked by a filter on its Reset copy, as the island
// list beside the group list does.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browse/browse_engine.h"
#include "data/globals.h"
#include "data/procedure_files.h"
#include "data/standard_warning.h"
#include "data_test_util.h"
#include "runtime/cp1251.h"
#include "runtime/message_box_scripted.h"
#include "scripted_browse.h"

namespace kavo {
namespace {

using testing::ScratchDir;
using testing::ScriptedBrowse;

constexpr int32_t kList = 4;
constexpr int32_t kInsert = 7;
constexpr int32_t kChange = 8;
constexpr int32_t kDelete = 9;

class BrowseRangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    TakeSavedError();
    UseFile(context_.IOTA, 1);
    Table& t = context_.IOTA.file();
    ASSERT_TRUE(t.Stream().ok());
    for (const char* name : {"AF-001", "AF-002", "AF-003"})
      ASSERT_NO_FATAL_FAILURE(Add("AF", name));
    for (int i = 1; i <= 8; ++i) {
      ASSERT_NO_FATAL_FAILURE(Add("EU", ("EU-00" + std::to_string(i)).c_str()));
    }
    ASSERT_NO_FATAL_FAILURE(Add("eu", "EU-009"));  // another letter case, same group
    ASSERT_NO_FATAL_FAILURE(Add("NA", "NA-001"));
    ASSERT_NO_FATAL_FAILURE(Add("NA", "NA-002"));
    ASSERT_TRUE(t.Flush().ok());
    SetGroup("EU");
  }
  void TearDown() override {
    engine_.reset();
    ReleaseFile(context_.IOTA);
  }

  void Add(const char* group, const char* name) {
    dict::IOTARecord& r = context_.IOTA.rec();
    r.Clear();
    dict::SetText(r.FIRSTNAME, group);
    dict::SetText(r.NAIM, name);
    ASSERT_TRUE(context_.IOTA.file().Add().ok());
  }
  void SetGroup(const char* name) { dict::SetText(group_, name); }

  void Open() {
    BrowseDescription d;
    d.table = &context_.IOTA;
    d.table_name = "IOTA";
    d.prefix = "BRW2";
    BrowseSortOrder s;
    s.key = "IOT:BEYNAIM";
    s.filter = "UPPER(IOT:FIRSTNAME) = UPPER(BRW2::Sort1:Reset:NA_:Naim)";
    s.ranges = {{"NA_:Naim", expr::VarRef::String(group_, sizeof group_), "IOT:FIRSTNAME"}};
    d.sorts = {s};
    d.format = Cp1251FromUtf8("34L~Наименование~@s6@37L~Префикс~@s8@160L~Территория~@s60@");
    d.column_fields = {"IOT:NAIM", "IOT:PREFIKS", "IOT:TERRIT"};
    d.buttons = {kList, kInsert, kChange, kDelete, 0};
    d.update_name = "f_iot";
    d.update = [this] {
      inserted_group_ = std::string(dict::TextOf(context_.IOTA.rec().FIRSTNAME));
      GlobalResponse = kRequestCancelled;
      if (insert_name_ == nullptr) return;
      dict::SetText(context_.IOTA.rec().NAIM, insert_name_);
      if (context_.IOTA.file().Add().ok()) GlobalResponse = kRequestCompleted;
    };
    std::string error;
    engine_ = testing::OpenBrowse(list_, std::move(d), &error);
    ASSERT_TRUE(engine_) << error;
  }

  std::vector<std::string> Page() const { return testing::PageColumn(*engine_); }
  void Refresh() {
    engine_->RefreshWindow();
    list_.Pump(*engine_);
  }

  ScratchDir dir_;
  DataContext context_{dir_.path()};
  ScriptedMessageBox boxes_;
  ScopedMessageBox scoped_boxes_{&boxes_};
  ScriptedBrowse list_;
  std::unique_ptr<BrowseEngine> engine_;
  char group_[13];
  std::string inserted_group_;
  const char* insert_name_ = nullptr;  // the update form adds this island
};

TEST_F(BrowseRangeTest, ShowsOnlyTheRangeIgnoringLetterCase) {
  Open();
  EXPECT_EQ(Page(), (std::vector<std::string>{"EU-001", "EU-002", "EU-003", "EU-004", "EU-005"}));
  list_.Event(*engine_, browse_event::kScrollBottom);
  EXPECT_EQ(Page(), (std::vector<std::string>{"EU-005", "EU-006", "EU-007", "EU-008", "EU-009"}));
  EXPECT_EQ(engine_->CurrentChoice, 5);
  // The end of the range is the end of the list.
  list_.Event(*engine_, browse_event::kScrollDown);
  list_.Event(*engine_, browse_event::kPageDown);
  EXPECT_EQ(Page().back(), "EU-009");
  list_.Event(*engine_, browse_event::kPageUp);
  list_.Event(*engine_, browse_event::kPageUp);
  EXPECT_EQ(Page().front(), "EU-001");
  // The fixed thumb rule: full page, fill ended early, one row up.
  list_.Event(*engine_, browse_event::kScrollUp);
  EXPECT_EQ(list_.thumb, 0);
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(BrowseRangeTest, ANewRangeValueRebuildsFromItsFirstRecord) {
  Open();
  list_.Event(*engine_, browse_event::kPageDown);
  SetGroup("NA");
  Refresh();
  EXPECT_EQ(Page(), (std::vector<std::string>{"NA-001", "NA-002"}));
  EXPECT_EQ(engine_->CurrentChoice, 1);
  // A page that is not full puts the thumb at the top.
  list_.Event(*engine_, browse_event::kScrollDown);
  EXPECT_EQ(list_.thumb, 0);
  SetGroup("AF");
  Refresh();
  EXPECT_EQ(Page(), (std::vector<std::string>{"AF-001", "AF-002", "AF-003"}));
  list_.Event(*engine_, browse_event::kScrollBottom);
  EXPECT_EQ(Page(), (std::vector<std::string>{"AF-001", "AF-002", "AF-003"}));
  EXPECT_EQ(engine_->CurrentChoice, 3);
}

TEST_F(BrowseRangeTest, AnEmptyRangeOffersOnlyInsertWithTheRangeValue) {
  SetGroup("OC");
  Open();
  EXPECT_EQ(engine_->RecordCount, 0);
  EXPECT_FALSE(list_.enabled[kChange]);
  EXPECT_FALSE(list_.enabled[kDelete]);
  list_.Key(*engine_, browse_key::kInsertKey);
  EXPECT_EQ(inserted_group_, "OC");
  // Past the last group and before the first one.
  SetGroup("ZZ");
  Refresh();
  EXPECT_EQ(engine_->RecordCount, 0);
  SetGroup("A");
  Refresh();
  EXPECT_EQ(engine_->RecordCount, 0);
  EXPECT_TRUE(boxes_.shown().empty());
}

// The list refits its columns to what it is told the page holds: the first
// record of an empty range must reach it.
TEST_F(BrowseRangeTest, TheListIsToldOfTheFirstRecordOfAnEmptyRange) {
  SetGroup("OC");
  Open();
  EXPECT_EQ(list_.rows_shown, 0);
  insert_name_ = "OC-001";
  list_.Key(*engine_, browse_key::kInsertKey);
  EXPECT_EQ(Page(), (std::vector<std::string>{"OC-001"}));
  EXPECT_EQ(list_.rows_shown, 1);
  EXPECT_EQ(list_.selection, 1);
  // And of the second, which the fill reads after it.
  insert_name_ = "OC-002";
  list_.Key(*engine_, browse_key::kInsertKey);
  EXPECT_EQ(Page(), (std::vector<std::string>{"OC-001", "OC-002"}));
  EXPECT_EQ(list_.rows_shown, 2);
  EXPECT_TRUE(boxes_.shown().empty());
}

}  // namespace
}  // namespace kavo
