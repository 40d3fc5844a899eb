// The operator's log through its screen-free logic: the log browse (tags,
// display modes, ranged tabs, the count) over a scripted list, and the
// contact entry form (numbering by reservation, the UTC stamp, the region
// code, the stay-open insert loop, cancel, ditto) over a scripted view,
// clock and message boxes.
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/dict_records.h"
#include "data/globals.h"
#include "data/procedure_files.h"
#include "data_test_util.h"
#include "forms/update_form.h"
#include "log/browse_aaaa.h"
#include "log/update_aaaa_form.h"
#include "runtime/cp1251.h"
#include "runtime/datetime.h"
#include "runtime/message_box_scripted.h"
#include "scripted_browse.h"
#include "scripted_form_view.h"
#include "store/table.h"

namespace kavo {
namespace {

using namespace browse_aaaa;
using testing::ScratchDir;
using testing::ScriptedBrowse;

struct Contact {
  const char* call;
  int number;
  double band;
  const char* mode;
  const char* qsl;  // UTF-8
  const char* region;
};

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    TAG_AAAA.Free();
    services_.Today = [this] { return today_; };
    services_.Clock = [this] { return clock_; };
    services_.UpdateDXCC = [](DataContext&) { return kRequestCancelled; };
    SetUpdateAAAAServices(&services_);
    ASSERT_TRUE(Table::Create(dir_.File("SETUP"), dict::SETUP()).ok());
    UseFile(context_.SETUP, 0);
    context_.SETUP.rec().Clear();
    context_.SETUP.rec().GMT = 3;
    ASSERT_TRUE(context_.SETUP.file().Add().ok());
    ReleaseFile(context_.SETUP);
  }
  void TearDown() override {
    SetUpdateAAAAServices(nullptr);
    TAG_AAAA.Free();
  }

  void AddContacts(std::initializer_list<Contact> contacts) {
    UseFile(context_.AAAA, 1);
    for (const Contact& c : contacts) {
      dict::AAAARecord& r = context_.AAAA.rec();
      r.Clear();
      dict::SetText(r.POZ, c.call);
      r.N_QSO.set(c.number);
      r.DIAPAZ = c.band;
      dict::SetText(r.MODE, c.mode);
      dict::SetText(r.QSL, Cp1251FromUtf8(c.qsl));
      dict::SetText(r.PR, c.region);
      dict::SetText(r.PREF, "RUSSIA");
      ASSERT_TRUE(context_.AAAA.file().Add().ok());
    }
    ReleaseFile(context_.AAAA);
  }
  void AddCountry(const char* prefix, const char* name) {
    UseFile(context_.DXCC, 1);
    context_.DXCC.rec().Clear();
    dict::SetText(context_.DXCC.rec().PR, prefix);
    dict::SetText(context_.DXCC.rec().STRANA, name);
    ASSERT_TRUE(context_.DXCC.file().Add().ok());
    ReleaseFile(context_.DXCC);
  }

  // A contact as the file holds it; N_QSO 0 when there is none of that
  // number.
  dict::AAAARecord Stored(int number) {
    DataContext reader(dir_.path());
    UseFile(reader.AAAA, 1);
    dict::AAAARecord found;
    std::memset(&found, 0, sizeof found);
    Table& t = reader.AAAA.file();
    (void)t.Set();
    while (t.Next().ok()) {
      if (reader.AAAA.rec().N_QSO.get() == number) found = reader.AAAA.rec();
    }
    ReleaseFile(reader.AAAA);
    return found;
  }
  // Reads a contact into the context's buffer the way the browse leaves it
  // for the form; the file stays in use until ReleaseFile.
  static void Hold(DataContext& context, int number) {
    UseFile(context.AAAA, 1);
    Table& t = context.AAAA.file();
    context.AAAA.rec().N_QSO.set(number);
    ASSERT_TRUE(t.Get(t.def().FindKey("AAA:BEY_N")).ok());
  }
  static std::vector<std::string> Texts(forms::UpdateForm& form) {
    std::vector<std::string> out;
    for (int i = 0; i < form.FieldCount(); ++i) out.push_back(Utf8FromCp1251(form.FieldText(i)));
    return out;
  }
  std::vector<std::string> BoxTitles() const {
    std::vector<std::string> titles;
    for (const MessageBoxRequest& r : boxes_.shown()) titles.push_back(r.title);
    return titles;
  }

  // Contacts of the log as "number callsign", in record order.
  std::vector<std::string> Log() {
    DataContext reader(dir_.path());
    UseFile(reader.AAAA, 1);
    std::vector<std::string> rows;
    Table& t = reader.AAAA.file();
    (void)t.Set();
    while (t.Next().ok()) {
      rows.push_back(std::to_string(reader.AAAA.rec().N_QSO.get()) + " " +
                     std::string(dict::TextOf(reader.AAAA.rec().POZ)));
    }
    ReleaseFile(reader.AAAA);
    return rows;
  }

  ScratchDir dir_;
  DataContext context_{dir_.path()};
  ScriptedMessageBox boxes_;
  ScopedMessageBox scoped_boxes_{&boxes_};
  UpdateAAAAServices services_;
  int32_t today_ = 80000;
  int32_t clock_ = 12 * 360000 + 1;  // clock times count from 1 at midnight
};

// ---- The browse ----

class LogBrowseTest : public LogTest {
 protected:
  void Open(int32_t tab = kNumberTab, std::function<void()> update = {}) {
    files_ = std::make_unique<ProcedureFiles>(context_, procedure_files::BrowseAAAA);
    files_->Open();
    logic_ = std::make_unique<BrowseAAAA>(context_);
    list_.tab = tab;
    list_.rows = 10;
    std::string error;
    engine_ = testing::OpenBrowse(list_, logic_->Describe(std::move(update)), &error);
    ASSERT_TRUE(engine_) << error;
    logic_->Attach(engine_.get(), &list_, &list_);
  }
  void Close() {
    engine_->Close();
    engine_.reset();
    logic_.reset();
    files_->Release();
    files_.reset();
  }
  std::vector<std::string> Calls() {
    std::vector<std::string> out;
    for (const PageEntry& e : engine_->page()) {
      out.emplace_back(
          dict::TextOf(reinterpret_cast<const dict::AAAARecord*>(e.record.data())->POZ));
    }
    return out;
  }
  std::vector<int32_t> Icons() {
    std::vector<int32_t> out;
    for (const PageEntry& e : engine_->page()) out.push_back(e.icon);
    return out;
  }

  ScriptedBrowse list_;
  std::unique_ptr<ProcedureFiles> files_;
  std::unique_ptr<BrowseAAAA> logic_;
  std::unique_ptr<BrowseEngine> engine_;
};

TEST_F(LogBrowseTest, RangedTabsShowOnlyTheirRange) {
  AddContacts({{"UA1A", 1, 14.0, "SSB", "ПОЛУЧ", "1A"},
               {"UA3B", 2, 7.0, "CW", "НЕТ", ""},
               {"UA9C", 3, 14.0, "CW", "ПОЛУЧ", "9C"}});
  ASSERT_NO_FATAL_FAILURE(Open(kQSLTab));
  // The QSL tab starts on "ПОЛУЧ".
  EXPECT_EQ(Calls(), (std::vector<std::string>{"UA1A", "UA9C"}));
  Close();
  ASSERT_NO_FATAL_FAILURE(Open(kRegionTab));
  logic_->SetRegion("");
  list_.Pump(*engine_);
  // An empty region never shows, even when the region chosen is empty.
  EXPECT_TRUE(Calls().empty());
  logic_->SetRegion("9c");
  list_.Pump(*engine_);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"UA9C"}));
  Close();
  ASSERT_NO_FATAL_FAILURE(Open(kBandTab));
  logic_->SetBand(7.0);
  list_.Pump(*engine_);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"UA3B"}));
  EXPECT_EQ(DIAPAZ.load(), 7.0);
  Close();
  ASSERT_NO_FATAL_FAILURE(Open(kCountryTab));
  // No country chosen yet: nothing matches the empty country.
  EXPECT_TRUE(Calls().empty());
}

TEST_F(LogBrowseTest, TagsToggleMoveDownAndSurviveReopening) {
  AddContacts({{"UA1A", 1, 14.0, "SSB", "НЕТ", ""},
               {"UA3B", 2, 7.0, "CW", "НЕТ", ""},
               {"UA9C", 3, 14.0, "CW", "НЕТ", ""}});
  ASSERT_NO_FATAL_FAILURE(Open());
  list_.Click(*engine_, 1);
  logic_->C3_Tag();
  EXPECT_EQ(Icons(), (std::vector<int32_t>{1, 0, 0}));
  list_.Pump(*engine_);
  EXPECT_EQ(list_.selection, 2);
  Close();
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(Icons(), (std::vector<int32_t>{1, 0, 0}));
  // Space on the tagged contact untags it.
  list_.Click(*engine_, 1);
  logic_->C3_Tag();
  EXPECT_EQ(Icons(), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(TAG_AAAA.Records(), 0u);
}

TEST_F(LogBrowseTest, MassOperationsWorkWithTheCountOffAndDisplayModesFilter) {
  AddContacts({{"UA1A", 1, 14.0, "SSB", "НЕТ", ""},
               {"UA3B", 2, 7.0, "CW", "НЕТ", ""},
               {"UA9C", 3, 14.0, "CW", "НЕТ", ""}});
  ASSERT_NO_FATAL_FAILURE(Open());
  ASSERT_FALSE(logic_->AutoCount());
  list_.Click(*engine_, 2);
  logic_->C3_Tag();
  list_.Pump(*engine_);
  logic_->C3_TagAll(kReverseTags);
  EXPECT_EQ(Icons(), (std::vector<int32_t>{1, 0, 1}));
  EXPECT_EQ(logic_->KOLQSO(), 0);
  logic_->C3_ShowTag();
  EXPECT_EQ(logic_->C3TAG_DISPLAY, kShowTagged);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"UA1A", "UA9C"}));
  logic_->C3_ShowTag();
  EXPECT_EQ(Calls(), (std::vector<std::string>{"UA3B"}));
  logic_->SetAutoCount(true);
  list_.Pump(*engine_);
  EXPECT_EQ(logic_->KOLQSO(), 1);
  logic_->C3_ShowTag();
  logic_->C3_TagAll(kTagAll);
  EXPECT_EQ(TAG_AAAA.Records(), 3u);
  EXPECT_EQ(logic_->KOLQSO(), 3);
  logic_->C3_TagAll(kUntagAll);
  EXPECT_EQ(TAG_AAAA.Records(), 0u);
  // Tagged only, with no tags: an empty page, change disabled.
  logic_->C3_ShowTag();
  EXPECT_TRUE(Calls().empty());
  EXPECT_FALSE(list_.enabled[kChange]);
}

// ---- The entry form ----

using testing::ScriptedFormView;

class EntryFormTest : public LogTest {
 protected:
  std::unique_ptr<forms::UpdateForm> OpenForm(DataContext& context, ScriptedFormView& view,
                                              int32_t request = kInsertRecord) {
    GlobalRequest = request;
    auto form = std::make_unique<forms::UpdateForm>(UpdateAAAAForm(), context, view);
    if (!form->Open()) return nullptr;
    form->WindowOpenedEvent();
    return form;
  }
  static int Field(forms::UpdateForm& form, const char* use) { return form.FieldIndex(use); }
  // Types a callsign as the user does: the field is entered, then left.
  static void TypeCallsign(forms::UpdateForm& form, const char* call) {
    const int f = Field(form, "AAA:POZ");
    form.FieldSelectedEvent(f);
    ASSERT_TRUE(form.AcceptField(f, call));
  }
  ScriptedFormView view_;
};

TEST_F(EntryFormTest, NumbersAnEmptyLogFromOneAndCancelLeavesNothing) {
  auto form = OpenForm(context_, view_);
  ASSERT_TRUE(form);
  EXPECT_EQ(context_.AAAA.rec().N_QSO.get(), 1);
  // The number is taken at once: the reservation is in the file.
  EXPECT_EQ(Log(), (std::vector<std::string>{"1 "}));
  form->CancelPressed();
  form->Close();
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  EXPECT_TRUE(Log().empty());
}

TEST_F(EntryFormTest, InsertLoopStaysOpenAndAnswersOneWithTheLastContact) {
  AddCountry("UA", "RUSSIA");
  auto form = OpenForm(context_, view_);
  ASSERT_TRUE(form);
  ASSERT_NO_FATAL_FAILURE(TypeCallsign(*form, "UA1B"));
  EXPECT_EQ(std::string(dict::TextOf(context_.AAAA.rec().PREF)), "RUSSIA");
  form->OkPressed(Texts(*form));
  EXPECT_FALSE(view_.close_posted);
  ASSERT_NO_FATAL_FAILURE(TypeCallsign(*form, "UA3XYZ"));
  form->OkPressed(Texts(*form));
  EXPECT_EQ(Log(), (std::vector<std::string>{"1 UA1B", "2 UA3XYZ", "3 "}));
  form->CancelPressed();
  form->Close();
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  EXPECT_EQ(std::string(dict::TextOf(context_.AAAA.rec().POZ)), "UA3XYZ");
  EXPECT_EQ(Log(), (std::vector<std::string>{"1 UA1B", "2 UA3XYZ"}));
}

TEST_F(EntryFormTest, StampsUtcFromTheStationOffsetRollingBackTheDate) {
  // 01:00 local at +3 is 22:00 UTC the day before.
  clock_ = 1 * 360000 + 1;
  auto form = OpenForm(context_, view_);
  ASSERT_TRUE(form);
  form->FieldSelectedEvent(Field(*form, "AAA:POZ"));
  EXPECT_EQ(context_.AAAA.rec().DATA, today_ - 1);
  EXPECT_EQ(context_.AAAA.rec().TIM, 22 * 360000 + 1);
  // A second visit keeps the stamp.
  clock_ = 5 * 360000;
  form->FieldSelectedEvent(Field(*form, "AAA:POZ"));
  EXPECT_EQ(context_.AAAA.rec().TIM, 22 * 360000 + 1);
  form->CancelPressed();
  form->Close();

  const UtcStamp west = UtcStampOf(100, 23 * 360000, -5);
  EXPECT_EQ(west.DATA, 101);
  EXPECT_EQ(west.TIM, 4 * 360000);
}

TEST_F(EntryFormTest, RegionCodeFollowsTheCallsignShapeForRussiaOnly) {
  AddCountry("UA", "RUSSIA");
  AddCountry("R3", "RUSSIA");
  AddCountry("RA", "RUSSIA");
  struct Case {
    const char* call;
    const char* region;
  } cases[] = {{"UA1B", "1A"}, {"RA3BXX", "3A"}, {"R3AA", "3A"}};
  for (const Case& c : cases) {
    auto form = OpenForm(context_, view_);
    ASSERT_TRUE(form);
    ASSERT_NO_FATAL_FAILURE(TypeCallsign(*form, c.call));
    form->FieldSelectedEvent(Field(*form, "AAA:PR"));
    EXPECT_EQ(std::string(dict::TextOf(context_.AAAA.rec().PR)), c.region) << c.call;
    form->CancelPressed();
    form->Close();
  }
  AddCountry("DL", "GERMANY");
  auto form = OpenForm(context_, view_);
  ASSERT_NO_FATAL_FAILURE(TypeCallsign(*form, "DL1BC"));
  form->FieldSelectedEvent(Field(*form, "AAA:PR"));
  EXPECT_EQ(std::string(dict::TextOf(context_.AAAA.rec().PR)), "");
  form->CancelPressed();
  form->Close();
}

TEST_F(EntryFormTest, UnknownCountryIsOfferedForAddingAndRefusedOnNo) {
  AddCountry("UA", "RUSSIA");
  auto form = OpenForm(context_, view_);
  ASSERT_NO_FATAL_FAILURE(TypeCallsign(*form, "UA1B"));
  boxes_.Answer(button::kNo);
  EXPECT_FALSE(form->AcceptField(Field(*form, "AAA:PREF"), "ATLANTIS"));
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, Cp1251FromUtf8("Страна не найдена"));
  EXPECT_EQ(boxes_.shown()[0].text, Cp1251FromUtf8("Добавить новую?"));
  form->CancelPressed();
  form->Close();
}

TEST_F(EntryFormTest, DittoRestoresTheBandOfTheLastContactSaved) {
  auto form = OpenForm(context_, view_);
  ASSERT_TRUE(form);
  ASSERT_NO_FATAL_FAILURE(TypeCallsign(*form, "DL1AA"));
  const int band = Field(*form, "AAA:DIAPAZ");
  ASSERT_TRUE(form->AcceptField(band, "7.0"));
  form->OkPressed(Texts(*form));
  EXPECT_EQ(context_.AAAA.rec().DIAPAZ, 14.0);
  form->DittoEvent(band);
  EXPECT_EQ(context_.AAAA.rec().DIAPAZ, 7.0);
  form->CancelPressed();
  form->Close();
}

TEST_F(EntryFormTest, TwoStationsInsertingAtOnceGetDifferentNumbers) {
  DataContext other(dir_.path());
  ScriptedFormView other_view;
  auto first = OpenForm(context_, view_);
  auto second = OpenForm(other, other_view);
  ASSERT_TRUE(first && second);
  EXPECT_NE(context_.AAAA.rec().N_QSO.get(), other.AAAA.rec().N_QSO.get());
  ASSERT_NO_FATAL_FAILURE(TypeCallsign(*first, "UA1A"));
  ASSERT_NO_FATAL_FAILURE(TypeCallsign(*second, "UA1B"));
  second->OkPressed(Texts(*second));
  first->OkPressed(Texts(*first));
  first->CancelPressed();
  first->Close();
  second->CancelPressed();
  second->Close();
  EXPECT_EQ(Log(), (std::vector<std::string>{"1 UA1A", "2 UA1B"}));
}

TEST_F(EntryFormTest, EnterRightAfterTheCallsignFillsInTheCountryAndStamps) {
  AddCountry("UA", "RUSSIA");
  auto form = OpenForm(context_, view_);
  ASSERT_TRUE(form);
  const int call = Field(*form, "AAA:POZ");
  form->FieldSelectedEvent(call);
  // Enter in the callsign field: OK with every field as the window showed
  // it, the country still empty; taking the callsign fills it in.
  std::vector<std::string> shown = Texts(*form);
  shown[static_cast<std::size_t>(call)] = "UA1ABC";
  form->OkPressed(shown);
  // The focus stays in the callsign for the next contact: it is stamped
  // all the same.
  shown = Texts(*form);
  shown[static_cast<std::size_t>(call)] = "UA3ABC";
  form->OkPressed(shown);
  form->CancelPressed();
  form->Close();
  const dict::AAAARecord saved = Stored(1);
  EXPECT_EQ(std::string(dict::TextOf(saved.POZ)), "UA1ABC");
  EXPECT_EQ(std::string(dict::TextOf(saved.PREF)), "RUSSIA");
  EXPECT_EQ(saved.DATA, today_);
  EXPECT_EQ(std::string(dict::TextOf(Stored(2).PREF)), "RUSSIA");
  EXPECT_EQ(Stored(2).DATA, today_);
}

TEST_F(EntryFormTest, ChangeWritesOnlyAChangedRecordAndOffersToSaveAgain) {
  AddContacts({{"UA1A", 1, 14.0, "SSB", "НЕТ", ""}, {"UA3B", 2, 7.0, "CW", "НЕТ", ""}});
  ASSERT_NO_FATAL_FAILURE(Hold(context_, 1));
  auto form = OpenForm(context_, view_, kChangeRecord);
  ASSERT_TRUE(form);
  EXPECT_EQ(view_.title, Cp1251FromUtf8("Изменение записи"));
  // Nothing changed and no navigation asked for: done, nothing written.
  form->OkPressed(Texts(*form));
  EXPECT_TRUE(view_.close_posted);
  form->Close();
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  EXPECT_TRUE(boxes_.shown().empty());

  // The number of another contact cannot be written: warning 16 after each
  // failed write. Yes writes again, Cancel returns to the form, No closes it
  // with nothing saved.
  view_ = ScriptedFormView();
  form = OpenForm(context_, view_, kChangeRecord);
  std::vector<std::string> texts = Texts(*form);
  texts[static_cast<std::size_t>(Field(*form, "AAA:N_QSO"))] = "2";
  texts[static_cast<std::size_t>(Field(*form, "AAA:QTH"))] = "MOSCOW";
  for (int answer : {button::kOk, button::kYes, button::kOk, button::kCancel})
    boxes_.Answer(answer);
  form->OkPressed(texts);
  EXPECT_EQ(BoxTitles(),
            (std::vector<std::string>{"Update Operation Error", "Record Update Error",
                                      "Update Operation Error", "Record Update Error"}));
  EXPECT_FALSE(view_.close_posted);
  EXPECT_EQ(view_.selected, 0);
  boxes_.Answer(button::kOk);
  boxes_.Answer(button::kNo);
  form->OkPressed(texts);
  EXPECT_TRUE(view_.close_posted);
  form->Close();
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  EXPECT_EQ(std::string(dict::TextOf(Stored(1).QTH)), "");
  EXPECT_EQ(std::string(dict::TextOf(Stored(2).POZ)), "UA3B");
  ReleaseFile(context_.AAAA);
}

TEST_F(EntryFormTest, ContactChangedByAnotherCopyIsShownAndNotOverwritten) {
  AddContacts({{"UA1A", 1, 14.0, "SSB", "НЕТ", ""}});
  ASSERT_NO_FATAL_FAILURE(Hold(context_, 1));
  auto form = OpenForm(context_, view_, kChangeRecord);
  ASSERT_TRUE(form);
  {
    DataContext other(dir_.path());
    ASSERT_NO_FATAL_FAILURE(Hold(other, 1));
    dict::SetText(other.AAAA.rec().QTH, "OTHER");
    ASSERT_TRUE(other.AAAA.file().Put().ok());
    ReleaseFile(other.AAAA);
  }
  const int remark = Field(*form, "AAA:PRIMEC");
  std::vector<std::string> texts = Texts(*form);
  texts[static_cast<std::size_t>(remark)] = "MINE";
  form->OkPressed(texts);
  // Warning 38; the form stays open on the other copy's version.
  EXPECT_EQ(BoxTitles(), (std::vector<std::string>{"Record Was Not Updated"}));
  EXPECT_FALSE(view_.close_posted);
  EXPECT_EQ(std::string(dict::TextOf(context_.AAAA.rec().QTH)), "OTHER");
  EXPECT_EQ(std::string(dict::TextOf(context_.AAAA.rec().PRIMEC)), "");
  EXPECT_EQ(std::string(dict::TextOf(Stored(1).QTH)), "OTHER");
  EXPECT_EQ(std::string(dict::TextOf(Stored(1).PRIMEC)), "");
  // The ditto key brings the remark back; saving again keeps both changes.
  form->DittoEvent(remark);
  form->OkPressed(Texts(*form));
  EXPECT_TRUE(view_.close_posted);
  form->Close();
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  EXPECT_EQ(std::string(dict::TextOf(Stored(1).QTH)), "OTHER");
  EXPECT_EQ(std::string(dict::TextOf(Stored(1).PRIMEC)), "MINE");
  ReleaseFile(context_.AAAA);
}

TEST_F(EntryFormTest, DeleteAsksFirstAndOffersToTryAgain) {
  AddContacts({{"UA1A", 1, 14.0, "SSB", "НЕТ", ""}, {"UA3B", 2, 7.0, "CW", "НЕТ", ""}});
  ASSERT_NO_FATAL_FAILURE(Hold(context_, 1));
  // Not confirmed: nothing deleted, no window.
  boxes_.Answer(button::kCancel);
  EXPECT_FALSE(OpenForm(context_, view_, kDeleteRecord));
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  EXPECT_EQ(Log().size(), 2u);

  // Another copy deleted it first: warning 18 after each failure; Yes tries
  // again, No gives up.
  {
    DataContext other(dir_.path());
    ASSERT_NO_FATAL_FAILURE(Hold(other, 1));
    ASSERT_TRUE(other.AAAA.file().Delete().ok());
    ReleaseFile(other.AAAA);
  }
  boxes_.Clear();
  for (int answer : {button::kOk, button::kOk, button::kYes, button::kOk, button::kNo}) {
    boxes_.Answer(answer);
  }
  EXPECT_FALSE(OpenForm(context_, view_, kDeleteRecord));
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  EXPECT_EQ(BoxTitles(), (std::vector<std::string>{"Confirm Delete", "Delete Operation Error",
                                                   "Record Update Error", "Delete Operation Error",
                                                   "Record Update Error"}));
  ReleaseFile(context_.AAAA);

  ASSERT_NO_FATAL_FAILURE(Hold(context_, 2));
  boxes_.Answer(button::kOk);
  EXPECT_FALSE(OpenForm(context_, view_, kDeleteRecord));
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  EXPECT_TRUE(Log().empty());
  ReleaseFile(context_.AAAA);
}

// The form's navigation requests, served by the browse: the form saves, the
// browse moves and calls it again on the next contact; "insert" turns the
// change into the insert loop.
TEST_F(LogBrowseTest, FormNavigationWalksTheLogSavingOnTheWay) {
  AddContacts({{"UA1A", 1, 14.0, "SSB", "НЕТ", ""},
               {"UA3B", 2, 7.0, "CW", "НЕТ", ""},
               {"UA9C", 3, 14.0, "CW", "НЕТ", ""}});
  std::vector<int64_t> seen;
  std::vector<int32_t> requests;
  int step = 0;
  auto update = [&] {
    ScriptedFormView view;
    requests.push_back(GlobalRequest);
    forms::UpdateForm form(UpdateAAAAForm(), context_, view);
    if (!form.Open()) return;
    form.WindowOpenedEvent();
    seen.push_back(context_.AAAA.rec().N_QSO.get());
    std::vector<std::string> texts = Texts(form);
    switch (step++) {
      case 0:
        texts[static_cast<std::size_t>(form.FieldIndex("AAA:QTH"))] = "MOSCOW";
        form.NavigatePressed(browse_toolbar::kDown, texts);
        break;
      case 1:
        form.NavigatePressed(browse_toolbar::kDown, texts);
        break;
      case 2:
        form.NavigatePressed(browse_toolbar::kUp, texts);
        break;
      case 3:
        form.NavigatePressed(browse_toolbar::kInsert, texts);
        break;
      default:
        form.FieldSelectedEvent(form.FieldIndex("AAA:POZ"));
        texts = Texts(form);
        texts[static_cast<std::size_t>(form.FieldIndex("AAA:POZ"))] = "DL1AA";
        form.OkPressed(texts);
        form.CancelPressed();
        break;
    }
    form.Close();
  };
  ASSERT_NO_FATAL_FAILURE(Open(kNumberTab, update));
  list_.Click(*engine_, 1);
  engine_->Accepted(kChange);
  list_.Pump(*engine_);
  EXPECT_EQ(seen, (std::vector<int64_t>{1, 2, 3, 2, 4}));
  EXPECT_EQ(requests, (std::vector<int32_t>{kChangeRecord, kChangeRecord, kChangeRecord,
                                            kChangeRecord, kInsertRecord}));
  EXPECT_EQ(std::string(dict::TextOf(Stored(1).QTH)), "MOSCOW");
  EXPECT_EQ(Log(), (std::vector<std::string>{"1 UA1A", "2 UA3B", "3 UA9C", "4 DL1AA"}));
  // The browse follows the contact added last.
  EXPECT_EQ(Calls()[static_cast<std::size_t>(list_.selection - 1)], "DL1AA");
}

// The entry form looks countries up in the DXCC buffer, which is the range
// of the country order; under any other order that must not refill the log
// from its top: the contact added last stays highlighted.
TEST_F(LogBrowseTest, ContactAddedLastStaysHighlightedAfterCountryLookups) {
  AddCountry("UA", "RUSSIA");
  AddCountry("DL", "GERMANY");
  AddContacts({{"UA1A", 1, 14.0, "SSB", "НЕТ", ""},
               {"UA3B", 2, 7.0, "CW", "НЕТ", ""},
               {"UA9C", 3, 14.0, "CW", "НЕТ", ""}});
  auto update = [&] {
    ScriptedFormView view;
    forms::UpdateForm form(UpdateAAAAForm(), context_, view);
    if (!form.Open()) return;
    form.WindowOpenedEvent();
    const int call = form.FieldIndex("AAA:POZ");
    for (const char* typed : {"DL1AA", "UA3AA"}) {
      form.FieldSelectedEvent(call);
      ASSERT_TRUE(form.AcceptField(call, typed));
      form.OkPressed(Texts(form));
    }
    form.CancelPressed();
    form.Close();
  };
  ASSERT_NO_FATAL_FAILURE(Open(kNumberTab, update));
  engine_->Accepted(kInsert);
  list_.Pump(*engine_);
  ASSERT_EQ(std::string(dict::TextOf(context_.DXCC.rec().STRANA)), "RUSSIA");
  // The window refreshes when it gets the focus back from the form.
  engine_->RefreshWindow();
  list_.Pump(*engine_);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"UA1A", "UA3B", "UA9C", "DL1AA", "UA3AA"}));
  EXPECT_EQ(list_.selection, 5);
  EXPECT_EQ(engine_->CurrentChoice, 5);
  Close();

  // Under the country order the same buffer is the range: a new country
  // rebuilds the page from its first contact.
  ASSERT_NO_FATAL_FAILURE(Open(kCountryTab));
  EXPECT_TRUE(Calls().empty());
  dict::SetText(context_.DXCC.rec().STRANA, "GERMANY");
  engine_->RefreshWindow();
  list_.Pump(*engine_);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"DL1AA"}));
  dict::SetText(context_.DXCC.rec().STRANA, "RUSSIA");
  engine_->RefreshWindow();
  list_.Pump(*engine_);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"UA1A", "UA3B", "UA9C", "UA3AA"}));
  EXPECT_EQ(engine_->CurrentChoice, 1);
}

}  // namespace
}  // namespace kavo
