// The engine driven through a scripted list on the DXCC country list (two
// sort orders with incremental locators and string thumb stops, a select
// button for the picker): the edge cases of the engine and of the list.
#include "log/select_dxcc_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

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

using namespace select_dxcc;

struct Country {
  const char* prefix;
  const char* name;
};
// In prefix order.
constexpr Country kCountries[] = {
    {"DL", "GERMANY"}, {"F", "FRANCE"},  {"G", "ENGLAND"},    {"I", "ITALY"},
    {"JA", "JAPAN"},   {"K", "USA"},     {"LY", "LITHUANIA"}, {"OH", "FINLAND"},
    {"SP", "POLAND"},  {"UA", "RUSSIA"}, {"UR", "UKRAINE"},   {"VE", "CANADA"},
};
constexpr int kCountryCount = sizeof kCountries / sizeof kCountries[0];

class SelectDXCCTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    TakeSavedError();
    UseFile(context_.DXCC, 1);
  }
  void TearDown() override {
    engine_.reset();
    ReleaseFile(context_.DXCC);
  }

  void Add(const char* prefix, const char* name) {
    dict::DXCCRecord& r = context_.DXCC.rec();
    r.Clear();
    dict::SetText(r.PR, prefix);
    dict::SetText(r.STRANA, name);
    ASSERT_TRUE(context_.DXCC.file().Add().ok());
  }
  void AddAll() {
    for (const Country& c : kCountries) ASSERT_NO_FATAL_FAILURE(Add(c.prefix, c.name));
  }

  void Open(int32_t tab = kPrefixTab, int32_t request = 0) {
    list_.tab = tab;
    std::string error;
    engine_ =
        testing::OpenBrowse(list_, SelectDXCCList(context_, [this] { Update(); }), &error, request);
    ASSERT_TRUE(engine_) << error;
  }

  // The update procedure of the tests: `answer` decides what it does.
  void Update() {
    requests_.push_back(GlobalRequest);
    seen_.push_back(std::string(dict::TextOf(context_.DXCC.rec().PR)));
    GlobalResponse = kRequestCancelled;
    if (!vcr_.empty()) {
      VCRRequest = vcr_.front();
      vcr_.erase(vcr_.begin());
    }
    if (!complete_) return;
    dict::DXCCRecord& r = context_.DXCC.rec();
    Table& t = context_.DXCC.file();
    switch (GlobalRequest) {
      case kInsertRecord:
        dict::SetText(r.PR, new_prefix_);
        dict::SetText(r.STRANA, new_name_);
        if (t.Add().ok()) GlobalResponse = kRequestCompleted;
        break;
      case kChangeRecord:
        dict::SetText(r.PR, new_prefix_);
        if (t.Put().ok()) GlobalResponse = kRequestCompleted;
        break;
      case kDeleteRecord:
        if (t.Delete().ok()) GlobalResponse = kRequestCompleted;
        break;
    }
  }

  // The prefixes of the page, top to bottom.
  std::vector<std::string> Page() const { return testing::PageColumn(*engine_); }
  std::string Selected() const {
    if (engine_->CurrentChoice == 0) return {};
    return Page()[static_cast<size_t>(engine_->CurrentChoice - 1)];
  }
  static std::vector<std::string> Prefixes(int first, int count) {
    std::vector<std::string> out;
    for (int i = first; i < first + count; ++i) out.push_back(kCountries[i].prefix);
    return out;
  }

  ScratchDir dir_;
  DataContext context_{dir_.path()};
  ScriptedMessageBox boxes_;
  ScopedMessageBox scoped_boxes_{&boxes_};
  ScriptedBrowse list_;
  std::unique_ptr<BrowseEngine> engine_;
  std::vector<int32_t> requests_;
  std::vector<std::string> seen_;
  std::vector<int32_t> vcr_;
  bool complete_ = false;
  const char* new_prefix_ = "ZZ";
  const char* new_name_ = "ZANZIBAR";
};

TEST_F(SelectDXCCTest, OpensOnTheFirstPageWithRowOneSelected) {
  AddAll();
  Open();
  EXPECT_EQ(engine_->SortOrder, 2);
  EXPECT_EQ(Page(), Prefixes(0, 5));
  EXPECT_EQ(engine_->CurrentChoice, 1);
  EXPECT_EQ(list_.selection, 1);
  EXPECT_EQ(list_.focus, kList);
  EXPECT_TRUE(list_.enabled[kChange]);
  EXPECT_TRUE(list_.enabled[kPrefixEntry]);
  EXPECT_TRUE(list_.scroll_bar);
  EXPECT_EQ(list_.thumb, 0);
  EXPECT_EQ(engine_->sorts[1].string_stops.size(), 100u);
  EXPECT_EQ(engine_->sorts[1].string_stops.front(), "DL");
  EXPECT_EQ(engine_->sorts[1].string_stops.back(), "VE");
  // The buffer holds the selected row.
  EXPECT_EQ(dict::TextOf(context_.DXCC.rec().STRANA), "GERMANY");
}

TEST_F(SelectDXCCTest, CountryTabSortsByName) {
  AddAll();
  Open(kCountryTab);
  EXPECT_EQ(engine_->SortOrder, 1);
  EXPECT_EQ(Page(), (std::vector<std::string>{"VE", "G", "OH", "F", "DL"}));
}

TEST_F(SelectDXCCTest, ScrollingDownOnTheLastRowDropsTheFirst) {
  AddAll();
  Open();
  for (int i = 0; i < 4; ++i) list_.Event(*engine_, browse_event::kScrollDown);
  EXPECT_EQ(engine_->CurrentChoice, 5);
  EXPECT_EQ(Page(), Prefixes(0, 5));
  uint64_t reads = engine_->RecordsRead();
  list_.Event(*engine_, browse_event::kScrollDown);
  EXPECT_EQ(Page(), Prefixes(1, 5));
  EXPECT_EQ(engine_->CurrentChoice, 5);
  EXPECT_EQ(Selected(), "K");
  EXPECT_LE(engine_->RecordsRead() - reads, 2u);
  // A second step continues where the first stopped: one record read.
  reads = engine_->RecordsRead();
  list_.Event(*engine_, browse_event::kScrollDown);
  EXPECT_EQ(engine_->RecordsRead() - reads, 1u);
  EXPECT_EQ(Page(), Prefixes(2, 5));
}

TEST_F(SelectDXCCTest, ScrollingPastTheLastRecordChangesNothing) {
  AddAll();
  Open();
  list_.Event(*engine_, browse_event::kScrollBottom);
  EXPECT_EQ(Page(), Prefixes(kCountryCount - 5, 5));
  EXPECT_EQ(engine_->CurrentChoice, 5);
  list_.Event(*engine_, browse_event::kScrollDown);
  EXPECT_EQ(Page(), Prefixes(kCountryCount - 5, 5));
  EXPECT_EQ(engine_->CurrentChoice, 5);
  EXPECT_EQ(Selected(), "VE");
  list_.Event(*engine_, browse_event::kScrollTop);
  list_.Event(*engine_, browse_event::kScrollUp);
  EXPECT_EQ(Page(), Prefixes(0, 5));
  EXPECT_EQ(engine_->CurrentChoice, 1);
}

TEST_F(SelectDXCCTest, PageDownNearTheEndMovesTheSelectionByWhatWasNotRead) {
  AddAll();
  Open();
  list_.Click(*engine_, 2);
  list_.Event(*engine_, browse_event::kPageDown);  // rows 6..10
  EXPECT_EQ(Page(), Prefixes(5, 5));
  EXPECT_EQ(engine_->CurrentChoice, 2);
  list_.Event(*engine_, browse_event::kPageDown);  // two more records only
  EXPECT_EQ(Page(), Prefixes(7, 5));
  EXPECT_EQ(engine_->CurrentChoice, 5);  // 2 + 3 not read, clamped to the last row
  list_.Event(*engine_, browse_event::kPageUp);
  EXPECT_EQ(Page(), Prefixes(2, 5));
  list_.Event(*engine_, browse_event::kPageUp);
  EXPECT_EQ(Page(), Prefixes(0, 5));
  EXPECT_EQ(engine_->CurrentChoice, 2);  // 5 - 3 rows not read
}

TEST_F(SelectDXCCTest, ThumbDragsToTheEndsAndToAStop) {
  AddAll();
  Open();
  list_.Event(*engine_, browse_event::kScrollBottom);
  list_.thumb = 1;
  list_.Event(*engine_, browse_event::kScrollDrag);
  EXPECT_EQ(Page(), Prefixes(0, 5));
  EXPECT_EQ(engine_->CurrentChoice, 1);
  list_.thumb = 100;
  list_.Event(*engine_, browse_event::kScrollDrag);
  EXPECT_EQ(Page(), Prefixes(kCountryCount - 5, 5));
  EXPECT_EQ(engine_->CurrentChoice, 5);
  // Stop 50 lies between "DL" and "VE"; the selection is the first prefix
  // not below it, and the thumb shows the stop of that prefix.
  list_.thumb = 50;
  list_.Event(*engine_, browse_event::kScrollDrag);
  const std::string stop = engine_->sorts[1].string_stops[49].substr(0, 2);
  std::string expected;
  for (const Country& c : kCountries) {
    std::string p = c.prefix;
    p.resize(2, ' ');
    if (p >= stop) {
      expected = c.prefix;
      break;
    }
  }
  EXPECT_EQ(Selected(), expected);
  EXPECT_GE(list_.thumb, 50);
  EXPECT_LE(list_.thumb, 100);
}

TEST_F(SelectDXCCTest, TypedLocatorFindsTheFirstPrefixNotBelow) {
  AddAll();
  Open();
  list_.Type(*engine_, 'U');
  EXPECT_EQ(Selected(), "UA");
  list_.Type(*engine_, 'R');
  EXPECT_EQ(Selected(), "UR");
  EXPECT_EQ(engine_->CurrentLocatorText(), "UR");
  list_.Key(*engine_, browse_key::kBSKey);
  EXPECT_EQ(engine_->CurrentLocatorText(), "U");
  EXPECT_EQ(Selected(), "UA");
  // The page starts at the found record and is topped up backward.
  EXPECT_EQ(Page(), Prefixes(kCountryCount - 5, 5));
  // Scrolling empties the locator.
  list_.Event(*engine_, browse_event::kScrollUp);
  EXPECT_EQ(engine_->CurrentLocatorText(), "");
}

TEST_F(SelectDXCCTest, LocatorBeyondEveryKeyShowsTheLastPage) {
  AddAll();
  Open();
  list_.Type(*engine_, 'Z');
  EXPECT_EQ(Page(), Prefixes(kCountryCount - 5, 5));
  EXPECT_EQ(engine_->CurrentChoice, 5);
  list_.Key(*engine_, browse_key::kBSKey);
  list_.Event(*engine_, browse_event::kScrollTop);
  // Backspace on an empty locator does nothing.
  uint64_t reads = engine_->RecordsRead();
  list_.Key(*engine_, browse_key::kBSKey);
  EXPECT_EQ(engine_->RecordsRead(), reads);
  EXPECT_EQ(Selected(), "DL");
}

TEST_F(SelectDXCCTest, RightClickMenuOnAnEmptyListOffersOnlyInsert) {
  Open();
  EXPECT_EQ(engine_->RecordCount, 0);
  EXPECT_EQ(engine_->CurrentChoice, 0);
  EXPECT_FALSE(list_.enabled[kChange]);
  EXPECT_FALSE(list_.enabled[kDelete]);
  EXPECT_FALSE(list_.enabled[kPrefixEntry]);
  EXPECT_FALSE(list_.commands[browse_toolbar::kChange]);
  EXPECT_TRUE(list_.commands[browse_toolbar::kInsert]);
  list_.menu_answers = {2};
  list_.Event(*engine_, browse_event::kNewSelection, browse_key::kMouseRight);
  ASSERT_EQ(list_.menus.size(), 1u);
  EXPECT_EQ(Utf8FromCp1251(list_.menus[0]), "&Добавить|~&Изменить|~&Удалить");
  EXPECT_TRUE(list_.accepted.empty());
  // The Insert key still works on an empty list.
  list_.Key(*engine_, browse_key::kInsertKey);
  EXPECT_EQ(list_.accepted, std::vector<int32_t>{kInsert});
}

TEST_F(SelectDXCCTest, RightClickMenuChoicesReachTheButtons) {
  AddAll();
  Open();
  list_.menu_answers = {2};
  list_.Event(*engine_, browse_event::kNewSelection, browse_key::kMouseRight);
  EXPECT_EQ(Utf8FromCp1251(list_.menus[0]), "&Добавить|&Изменить|&Удалить");
  EXPECT_EQ(list_.accepted, std::vector<int32_t>{kChange});
  EXPECT_EQ(requests_, std::vector<int32_t>{kChangeRecord});
}

TEST_F(SelectDXCCTest, CancelledInsertKeepsThePageAndTheSelection) {
  AddAll();
  Open();
  list_.Event(*engine_, browse_event::kPageDown);
  list_.Click(*engine_, 3);
  const std::vector<std::string> page = Page();
  list_.Key(*engine_, browse_key::kInsertKey);
  EXPECT_EQ(requests_, std::vector<int32_t>{kInsertRecord});
  EXPECT_EQ(Page(), page);
  EXPECT_EQ(engine_->CurrentChoice, 3);
  EXPECT_EQ(engine_->LocalResponse(), kRequestCancelled);
}

TEST_F(SelectDXCCTest, CompletedInsertSelectsTheNewRecord) {
  AddAll();
  Open();
  complete_ = true;
  new_prefix_ = "OA";
  new_name_ = "PERU";
  list_.Key(*engine_, browse_key::kInsertKey);
  EXPECT_EQ(Selected(), "OA");
  EXPECT_EQ(Page()[0], "OA");
}

TEST_F(SelectDXCCTest, CompletedChangeFollowsTheRecordToItsNewPlace) {
  AddAll();
  Open();
  complete_ = true;
  new_prefix_ = "UX";
  list_.Click(*engine_, 2);  // F
  list_.Key(*engine_, browse_key::kCtrlEnter);
  EXPECT_EQ(seen_, std::vector<std::string>{"F"});
  EXPECT_EQ(Selected(), "UX");
}

TEST_F(SelectDXCCTest, CompletedDeleteRemovesTheRowAndSelectsTheNext) {
  AddAll();
  Open();
  complete_ = true;
  list_.Click(*engine_, 2);
  list_.Key(*engine_, browse_key::kDeleteKey);
  EXPECT_EQ(Page(), (std::vector<std::string>{"DL", "G", "I", "JA", "K"}));
  EXPECT_EQ(Selected(), "G");
}

TEST_F(SelectDXCCTest, UpdateFormNavigatesFromRecordToRecord) {
  AddAll();
  Open();
  vcr_ = {2008, 2008, 2009};
  list_.Key(*engine_, browse_key::kCtrlEnter);
  EXPECT_EQ(seen_, (std::vector<std::string>{"DL", "F", "G", "F"}));
  EXPECT_EQ(requests_, (std::vector<int32_t>(4, kChangeRecord)));
  EXPECT_EQ(Selected(), "F");
}

TEST_F(SelectDXCCTest, UndefinedUpdateProcedureIsAnnounced) {
  AddAll();
  list_.tab = kPrefixTab;
  std::string error;
  engine_ = testing::OpenBrowse(list_, SelectDXCCList(context_, nullptr), &error);
  ASSERT_TRUE(engine_) << error;
  list_.Key(*engine_, browse_key::kInsertKey);
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(Utf8FromCp1251(boxes_.shown()[0].text), "Процедура UpdateDXCC еще не определена.");
  EXPECT_EQ(engine_->RecordCount, 5);
}

TEST_F(SelectDXCCTest, PickerSelectsTheCountryInTheBuffer) {
  AddAll();
  dict::SetText(context_.DXCC.rec().PR, "SP");
  dict::SetText(context_.DXCC.rec().STRANA, "POLAND");
  Open(kPrefixTab, kSelectRecord);
  EXPECT_EQ(engine_->LocalRequest(), kSelectRecord);
  EXPECT_EQ(Selected(), "SP");
  // Double click chooses in a picker.
  list_.Click(*engine_, engine_->CurrentChoice + 1);
  list_.Key(*engine_, browse_key::kMouseLeft2);
  EXPECT_TRUE(list_.closed);
  engine_->Close();
  EXPECT_EQ(GlobalResponse, kRequestCompleted);
  EXPECT_EQ(dict::TextOf(context_.DXCC.rec().PR), "UA");
  EXPECT_EQ(dict::TextOf(context_.DXCC.rec().STRANA), "RUSSIA");
}

TEST_F(SelectDXCCTest, ClosingWithoutChoosingAnswersCancelled) {
  AddAll();
  Open(kPrefixTab, kSelectRecord);
  engine_->Close();
  EXPECT_EQ(GlobalResponse, kRequestCancelled);
}

TEST_F(SelectDXCCTest, ChangingTheTabKeepsTheSelectedRecord) {
  AddAll();
  Open();
  list_.Click(*engine_, 4);  // I, ITALY
  list_.tab = kCountryTab;
  engine_->RefreshWindow();
  list_.Pump(*engine_);
  EXPECT_EQ(engine_->SortOrder, 1);
  EXPECT_EQ(Selected(), "I");
  EXPECT_EQ(engine_->CurrentLocatorText(), "");
}

TEST_F(SelectDXCCTest, ToolbarCommandsBecomeListEventsAndButtons) {
  AddAll();
  Open();
  EXPECT_TRUE(list_.commands[browse_toolbar::kPageDown]);
  EXPECT_FALSE(list_.commands[browse_toolbar::kHistory]);
  EXPECT_EQ(list_.tips[browse_toolbar::kBottom], "Go to the Last Page");
  engine_->ToolbarCommand(browse_toolbar::kBottom);
  list_.Pump(*engine_);
  EXPECT_EQ(Selected(), "VE");
  engine_->ToolbarCommand(browse_toolbar::kUp);
  list_.Pump(*engine_);
  EXPECT_EQ(Selected(), "UR");
  engine_->ToolbarCommand(browse_toolbar::kHelp);
  EXPECT_EQ(list_.help, 1);
  engine_->ToolbarCommand(browse_toolbar::kChange);
  list_.Pump(*engine_);
  EXPECT_EQ(requests_, std::vector<int32_t>{kChangeRecord});
}

TEST_F(SelectDXCCTest, AnotherContextsChangesShowAtTheNextRefresh) {
  AddAll();
  Open();
  DataContext other(dir_.path());
  UseFile(other.DXCC, 1);
  other.DXCC.rec().Clear();
  dict::SetText(other.DXCC.rec().PR, "EA");
  dict::SetText(other.DXCC.rec().STRANA, "SPAIN");
  ASSERT_TRUE(other.DXCC.file().Add().ok());
  ReleaseFile(other.DXCC);
  engine_->GainFocus();
  list_.Pump(*engine_);
  EXPECT_EQ(Page(), (std::vector<std::string>{"DL", "EA", "F", "G", "I"}));
  EXPECT_EQ(Selected(), "DL");
}

TEST_F(SelectDXCCTest, ResizingChangesThePageSize) {
  AddAll();
  Open();
  list_.rows = 8;
  engine_->Resized();
  list_.Pump(*engine_);
  EXPECT_EQ(engine_->RecordCount, 8);
  list_.rows = 3;
  engine_->Resized();
  list_.Pump(*engine_);
  EXPECT_EQ(engine_->RecordCount, 3);
  EXPECT_EQ(Selected(), "DL");
}

TEST_F(SelectDXCCTest, BadDescriptionsAreRefused) {
  std::string error;
  BrowseDescription d = SelectDXCCList(context_, nullptr);
  d.format = "43L@s2@";
  EXPECT_FALSE(BrowseEngine::Create(d, &list_, &list_, &error));
  EXPECT_NE(error.find("columns"), std::string::npos);
  d = SelectDXCCList(context_, nullptr);
  d.sorts[0].key = "DXC:NOKEY";
  EXPECT_FALSE(BrowseEngine::Create(d, &list_, &list_, &error));
  d = SelectDXCCList(context_, nullptr);
  d.column_fields[1] = "DXC:NOFIELD";
  EXPECT_FALSE(BrowseEngine::Create(d, &list_, &list_, &error));
}

}  // namespace
}  // namespace kavo
