// The operator's log through its screen-free logic: the log browse (tags,
// display modes, ranged tabs, the count) over a scripted list, and the
// contact entry form (numbering by reservation, the UTC stamp, the region
// code, the stay-open insert loop, cancel, ditto) over a scripted view,
// clock and message boxes.
#include <cstring>
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
  void Open(int32_t tab = kNumberTab) {
    files_ = std::make_unique<ProcedureFiles>(context_, procedure_files::BrowseAAAA);
    files_->Open();
    logic_ = std::make_unique<BrowseAAAA>(context_);
    list_.tab = tab;
    list_.rows = 10;
    std::string error;
    engine_ = testing::OpenBrowse(list_, logic_->Describe({}), &error);
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

class ScriptedFormView : public forms::FormView {
 public:
  void SetTitle(const std::string& t) override { title = t; }
  void DisplayAll() override {}
  void DisplayField(int) override {}
  void DisplayChoices(int) override {}
  void SelectField(int field) override { selected = field; }
  void Beep() override {}
  void SetWaitCursor(bool) override {}
  void PostClose() override { close_posted = true; }
  std::string title;
  int selected = -1;
  bool close_posted = false;
};

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
  static std::vector<std::string> Texts(forms::UpdateForm& form) {
    std::vector<std::string> out;
    for (int i = 0; i < form.FieldCount(); ++i) out.push_back(Utf8FromCp1251(form.FieldText(i)));
    return out;
  }
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

}  // namespace
}  // namespace kavo
