// The reference lists and forms driven without a screen: the IOTA group and
// island lists linked through the range copy, the address book's surname
// locator and duplicate keys, the region picker. The forms are the real
// descriptions run by the form logic over a recording view.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/globals.h"
#include "data/procedure_files.h"
#include "data/standard_warning.h"
#include "data_test_util.h"
#include "forms/update_form.h"
#include "reference/address_book.h"
#include "reference/iota.h"
#include "reference/regions.h"
#include "runtime/cp1251.h"
#include "runtime/message_box_scripted.h"
#include "scripted_browse.h"
#include "scripted_form_view.h"

namespace kavo {
namespace {

using testing::ScratchDir;
using testing::ScriptedBrowse;

using RecordingView = testing::ScriptedFormView;

class ReferenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    TakeSavedError();
  }

  // A form as its window would run it: opened with GlobalRequest, OK with
  // `texts` (UTF-8), cancelled when OK did not close it. The texts of the
  // fields as the form showed them after OK are kept in shown_, the field
  // it focused last in selected_.
  void RunForm(const forms::FormDescription& description, std::vector<std::string> texts) {
    RecordingView view;
    forms::UpdateForm form(description, context_, view);
    if (form.Open()) {
      form.WindowOpenedEvent();
      titles_.push_back(Utf8FromCp1251(form.Title()));
      opened_.clear();
      for (int f = 0; f < form.FieldCount(); ++f) opened_.push_back(form.FieldText(f));
      form.OkPressed(texts);
      shown_.clear();
      for (int f = 0; f < form.FieldCount(); ++f) shown_.push_back(form.FieldText(f));
      selected_ = view.selected;
      if (!view.close_posted) form.CancelPressed();
    }
    form.Close();
  }

  std::vector<std::string> Page(const BrowseEngine& engine, size_t column = 0) const {
    std::vector<std::string> out;
    for (const std::string& cell : testing::PageColumn(engine, column))
      out.push_back(Utf8FromCp1251(cell));
    return out;
  }
  std::vector<std::string> Warnings() const {
    std::vector<std::string> out;
    for (const MessageBoxRequest& r : boxes_.shown()) out.push_back(r.text);
    return out;
  }

  ScratchDir dir_;
  DataContext context_{dir_.path()};
  ScriptedMessageBox boxes_;
  ScopedMessageBox scoped_boxes_{&boxes_};
  std::vector<std::string> titles_;
  std::vector<std::string> shown_;
  std::vector<std::string> opened_;  // the fields' texts when the form opened
  int selected_ = -1;
};

// ---- browseiota and f_iot ----

class IotaTest : public ReferenceTest {
 protected:
  void SetUp() override {
    ReferenceTest::SetUp();
    files_.Open();
    for (const char* g : {"AF", "EU", "OC"}) {
      context_.NA_IOTA.rec().Clear();
      dict::SetText(context_.NA_IOTA.rec().NAIM, g);
      ASSERT_TRUE(context_.NA_IOTA.file().Add().ok());
    }
    ASSERT_NO_FATAL_FAILURE(AddIsland("AF", "AF-004"));
    ASSERT_NO_FATAL_FAILURE(AddIsland("EU", "EU-005"));
    ASSERT_NO_FATAL_FAILURE(AddIsland("eu", "EU-001"));  // the group typed in small letters
    ASSERT_NO_FATAL_FAILURE(AddIsland("Eu", "EU-009"));
  }
  void TearDown() override {
    islands_.reset();
    groups_.reset();
    files_.Release();
  }

  void AddIsland(const char* group, const char* name) {
    context_.IOTA.rec().Clear();
    dict::SetText(context_.IOTA.rec().FIRSTNAME, group);
    dict::SetText(context_.IOTA.rec().NAIM, name);
    ASSERT_TRUE(context_.IOTA.file().Add().ok());
  }

  // The window's open: the group list first, then the island list, which
  // takes the group the first list left in NA_:NAIM.
  void Open() {
    std::string error;
    groups_ = testing::OpenBrowse(group_list_, IotaGroupList(context_), &error);
    ASSERT_TRUE(groups_) << error;
    islands_ = testing::OpenBrowse(
        island_list_, IotaIslandList(context_, [this] { RunForm(f_iotForm(), island_texts_); }),
        &error);
    ASSERT_TRUE(islands_) << error;
  }
  // A click on a group, then the window's refresh: both lists run
  // SelectSort, groups first.
  void SelectGroup(int32_t row) {
    group_list_.Click(*groups_, row);
    groups_->RefreshWindow();
    islands_->RefreshWindow();
    island_list_.Pump(*islands_);
  }

  ProcedureFiles files_{context_, procedure_files::browseiota};
  ScriptedBrowse group_list_;
  ScriptedBrowse island_list_;
  std::unique_ptr<BrowseEngine> groups_;
  std::unique_ptr<BrowseEngine> islands_;
  std::vector<std::string> island_texts_;
};

TEST_F(IotaTest, TheIslandListFollowsTheSelectedGroupIgnoringCase) {
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(Page(*groups_), (std::vector<std::string>{"AF", "EU", "OC"}));
  EXPECT_EQ(Page(*islands_), std::vector<std::string>{"AF-004"});
  SelectGroup(2);
  EXPECT_EQ(dict::TextOf(context_.NA_IOTA.rec().NAIM), "EU");
  std::vector<std::string> islands = Page(*islands_);
  std::sort(islands.begin(), islands.end());
  EXPECT_EQ(islands, (std::vector<std::string>{"EU-001", "EU-005", "EU-009"}));
  EXPECT_TRUE(island_list_.enabled[browseiota::kChange2]);
  // Groups are not edited: the group list has no buttons of its own.
  EXPECT_FALSE(group_list_.enabled[browseiota::kInsert2]);
}

TEST_F(IotaTest, AGroupWithoutIslandsStillTakesANewIslandTiedToIt) {
  ASSERT_NO_FATAL_FAILURE(Open());
  SelectGroup(3);
  EXPECT_EQ(dict::TextOf(context_.NA_IOTA.rec().NAIM), "OC");
  EXPECT_EQ(Page(*islands_), std::vector<std::string>{});
  EXPECT_FALSE(island_list_.enabled[browseiota::kChange2]);
  EXPECT_FALSE(island_list_.enabled[browseiota::kDelete2]);
  EXPECT_TRUE(island_list_.enabled[browseiota::kInsert2]);

  // The form is primed with the group; the user leaves it and fills the rest.
  island_texts_ = {"OC", "OC-001", "VK9", "Австралия", "редкий"};
  islands_->Accepted(browseiota::kInsert2);
  island_list_.Pump(*islands_);
  ASSERT_EQ(titles_.size(), 1u);
  EXPECT_EQ(titles_[0], "Запись будет добавлена  (New)");
  EXPECT_EQ(shown_[0], "OC");
  EXPECT_EQ(Page(*islands_), std::vector<std::string>{"OC-001"});
  EXPECT_EQ(Page(*islands_, 2), std::vector<std::string>{"Австралия"});
  // The remark shown under the lists is the selected island's.
  EXPECT_EQ(Utf8FromCp1251(std::string(dict::TextOf(context_.IOTA.rec().PRIMEC))), "редкий");

  // A change names the group in the title and reaches the file.
  island_texts_ = {"OC", "OC-001", "VK9X", "Австралия", "редкий"};
  islands_->Accepted(browseiota::kChange2);
  island_list_.Pump(*islands_);
  ASSERT_EQ(titles_.size(), 2u);
  EXPECT_EQ(titles_[1], "Запись будет изменена  (OC)");
  EXPECT_EQ(Page(*islands_, 1), std::vector<std::string>{"VK9X"});

  // Delete asks standard warning 32 first.
  boxes_.Answer(button::kOk);
  islands_->Accepted(browseiota::kDelete2);
  island_list_.Pump(*islands_);
  EXPECT_TRUE(Page(*islands_).empty());
  EXPECT_EQ(Warnings().size(), 1u);
}

// ---- BROWSEADRESS and F_ADRESS ----

class AddressTest : public ReferenceTest {
 protected:
  void SetUp() override {
    ReferenceTest::SetUp();
    files_.Open();
    ASSERT_NO_FATAL_FAILURE(Add("UA1AAA", "Сидоров, Санкт-Петербург"));
    ASSERT_NO_FATAL_FAILURE(Add("UA1BBB", "Павлов, Псков"));
    ASSERT_NO_FATAL_FAILURE(Add("RA1CCC", "Петров, Выборг"));
    ASSERT_NO_FATAL_FAILURE(Add("RV1DDD", "Иванов, Гатчина"));
  }
  void TearDown() override {
    engine_.reset();
    files_.Release();
  }
  void Add(const char* call, const char* address) {
    context_.RAJON.rec().Clear();
    dict::SetText(context_.RAJON.rec().POZ, call);
    dict::SetText(context_.RAJON.rec().ADRESS, Cp1251FromUtf8(address));
    ASSERT_TRUE(context_.RAJON.file().Add().ok());
  }
  void Open(int32_t tab) {
    list_.tab = tab;
    std::string error;
    engine_ = testing::OpenBrowse(list_,
                                  AddressBookList(context_,
                                                  [this] {
                                                    // The window's event loop runs on while
                                                    // the form is open.
                                                    list_.Pump(*engine_);
                                                    RunForm(F_ADRESSForm(), texts_);
                                                  }),
                                  &error);
    ASSERT_TRUE(engine_) << error;
  }
  std::string Selected() const { return Page(*engine_, 2)[engine_->CurrentChoice - 1]; }

  ProcedureFiles files_{context_, procedure_files::BROWSEADRESS};
  ScriptedBrowse list_;
  std::unique_ptr<BrowseEngine> engine_;
  std::vector<std::string> texts_;
};

TEST_F(AddressTest, TypedSurnameLettersLocateOnTheFirstAddressNotBelowThem) {
  ASSERT_NO_FATAL_FAILURE(Open(browseadress::kSurnameTab));
  EXPECT_EQ(engine_->SortOrder, 1);
  EXPECT_EQ(Selected(), "Иванов, Гатчина");
  const std::string letters = Cp1251FromUtf8("Пе");
  list_.Type(*engine_, letters[0]);
  EXPECT_EQ(Selected(), "Павлов, Псков");
  list_.Type(*engine_, letters[1]);
  EXPECT_EQ(Selected(), "Петров, Выборг");
  EXPECT_EQ(engine_->CurrentLocatorText(), letters);

  // The other tab is the callsign order.
  ASSERT_NO_FATAL_FAILURE(Open(browseadress::kCallsignTab));
  EXPECT_EQ(Page(*engine_), (std::vector<std::string>{"RA1CCC", "RV1DDD", "UA1AAA", "UA1BBB"}));
}

TEST_F(AddressTest, DuplicatesAreNamedAndTheTypedValuesStay) {
  ASSERT_NO_FATAL_FAILURE(Open(browseadress::kCallsignTab));
  texts_ = {"UA1AAA", "1234567", "Смирнов, Луга"};
  engine_->Accepted(browseadress::kInsert);
  list_.Pump(*engine_);
  EXPECT_EQ(titles_.back(), "Добавение записи");
  EXPECT_EQ(selected_, 0);
  // The callsign key ignores letter case.
  texts_ = {"ua1bbb", "1234567", "Смирнов, Луга"};
  engine_->Accepted(browseadress::kInsert);
  list_.Pump(*engine_);
  texts_ = {"UA1ZZZ", "7654321", "Павлов, Псков"};
  engine_->Accepted(browseadress::kInsert);
  list_.Pump(*engine_);
  const std::string by_callsign =
      "Adding this record creates a duplicate entry for the key:RAj:BEY_POZ";
  EXPECT_EQ(Warnings(),
            (std::vector<std::string>{
                by_callsign, by_callsign,
                "Adding this record creates a duplicate entry for the key:RAj:BEY_FAM"}));
  // The form kept what was typed when the warning came, with the focus on
  // its first field.
  EXPECT_EQ(shown_[0], "UA1ZZZ");
  EXPECT_EQ(selected_, 0);
  EXPECT_EQ(Page(*engine_).size(), 4u);
}

// The list's own events, queued behind the change, reach it while the form
// is open; the form must still show the entry as stored.
TEST_F(AddressTest, ChangeByKeyOrDoubleClickOpensTheHighlightedEntry) {
  ASSERT_NO_FATAL_FAILURE(Open(browseadress::kCallsignTab));
  list_.Click(*engine_, 2);
  texts_ = {"RV1DDD", "5550101", "Иванов, Гатчина"};
  list_.Key(*engine_, browse_key::kCtrlEnter);
  ASSERT_EQ(opened_.size(), 3u);
  EXPECT_EQ(opened_[0], "RV1DDD");
  list_.Click(*engine_, 3);
  list_.Key(*engine_, browse_key::kMouseLeft2);
  EXPECT_EQ(opened_[0], "UA1AAA");
}

TEST_F(AddressTest, TextThatDoesNotFitIsRefusedNotCut) {
  ASSERT_NO_FATAL_FAILURE(Open(browseadress::kCallsignTab));
  texts_ = {"UA1ABCDEF", "1", "Кузнецов"};
  engine_->Accepted(browseadress::kInsert);
  list_.Pump(*engine_);
  EXPECT_EQ(Warnings().size(), 1u);
  EXPECT_EQ(Page(*engine_).size(), 4u);
  // A change that fits reaches the file.
  list_.Click(*engine_, 1);
  texts_ = {"RA1CCC", "5550101", "Петров, Выборг"};
  engine_->Accepted(browseadress::kChange);
  list_.Pump(*engine_);
  EXPECT_EQ(titles_.back(), "Изменение записи");
  EXPECT_EQ(Page(*engine_, 1)[0], "5550101");
}

// ---- BROWSEOBL and f_gorod ----

class RegionTest : public ReferenceTest {
 protected:
  void SetUp() override {
    ReferenceTest::SetUp();
    files_.Open();
    for (auto [pref, city] : {std::pair{"1A", "Санкт-Петербург"}, std::pair{"3A", "Москва"},
                              std::pair{"1C", "Ленинградская"}}) {
      context_.PREFRUS.rec().Clear();
      dict::SetText(context_.PREFRUS.rec().PREF, pref);
      dict::SetText(context_.PREFRUS.rec().GOROD, Cp1251FromUtf8(city));
      ASSERT_TRUE(context_.PREFRUS.file().Add().ok());
    }
  }
  void TearDown() override {
    engine_.reset();
    files_.Release();
  }
  void Open(int32_t tab, int32_t request) {
    list_.tab = tab;
    std::string error;
    engine_ = testing::OpenBrowse(
        list_, RegionList(context_, [this] { RunForm(f_gorodForm(), texts_); }), &error, request);
    ASSERT_TRUE(engine_) << error;
  }

  ProcedureFiles files_{context_, procedure_files::BROWSEOBL};
  ScriptedBrowse list_;
  std::unique_ptr<BrowseEngine> engine_;
  std::vector<std::string> texts_;
};

TEST_F(RegionTest, APickerSelectsTheEntryInTheBufferAndLeavesTheChoiceThere) {
  context_.PREFRUS.rec().Clear();
  dict::SetText(context_.PREFRUS.rec().PREF, "1C");
  ASSERT_NO_FATAL_FAILURE(Open(browseobl::kPrefixTab, kSelectRecord));
  EXPECT_EQ(Page(*engine_), (std::vector<std::string>{"1A", "1C", "3A"}));
  EXPECT_EQ(engine_->CurrentChoice, 2);
  // A double click on a picker posts to the select button.
  list_.Click(*engine_, 3);
  list_.Key(*engine_, browse_key::kMouseLeft2);
  EXPECT_TRUE(list_.closed);
  engine_->Close();
  EXPECT_EQ(GlobalResponse, kRequestCompleted);
  EXPECT_EQ(dict::TextOf(context_.PREFRUS.rec().PREF), "3A");
}

TEST_F(RegionTest, MaintenanceAddsARegionInCityOrder) {
  ASSERT_NO_FATAL_FAILURE(Open(browseobl::kCityTab, 0));
  texts_ = {"4A", "Волгоград"};
  engine_->Accepted(browseobl::kInsert);
  list_.Pump(*engine_);
  EXPECT_EQ(titles_.back(), "Добавление новой записии");
  EXPECT_EQ(Page(*engine_, 1),
            (std::vector<std::string>{"Волгоград", "Ленинградская", "Москва", "Санкт-Петербург"}));
}

}  // namespace
}  // namespace kavo
