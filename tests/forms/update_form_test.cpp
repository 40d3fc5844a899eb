#include "forms/update_form.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/globals.h"
#include "data/ri_routines.h"
#include "data/standard_warning.h"
#include "data_test_util.h"
#include "runtime/halt.h"
#include "runtime/message_box_scripted.h"
#include "scripted_form_view.h"
#include "store/transaction.h"

namespace kavo::forms {
namespace {

using kavo::testing::ScratchDir;

using ScriptedView = kavo::testing::ScriptedFormView;

HistoryRecord test_history_dxcc;
HistoryRecord test_history_setup;

const FormDescription& CountryForm() {
  static const FormDescription d = [] {
    FormDescription d;
    d.procedure = "UpdateDXCC";
    d.file = FileId::DXCC;
    d.files = procedure_files::UpdateDXCC;
    d.design_title = Ru("Ввод и обновление DXCC");
    d.insert_title = "Adding a DXCC Record";
    d.change_title = "Changing a DXCC Record";
    d.fields = {{"DXC:PR", Ru("Префикс"), "@s2"}, {"DXC:STRANA", Ru("Страна"), "@s20"}};
    d.history = &test_history_dxcc;
    d.RISnap = RISnap_DXCC;
    d.RIUpdate = RIUpdate_DXCC;
    d.RIDelete = RIDelete_DXCC;
    return d;
  }();
  return d;
}

// A station form whose update fails as often as `failures_left` says.
int failures_left = 0;
int32_t FailingUpdate(DataContext& context, uint8_t FromForm) {
  if (failures_left > 0) {
    --failures_left;
    return 1;
  }
  return RIUpdate_SETUP(context, FromForm);
}

const FormDescription& StationForm() {
  static const FormDescription d = [] {
    FormDescription d;
    d.procedure = "fSETUP";
    d.file = FileId::SETUP;
    d.files = procedure_files::fSETUP;
    d.change_title = Ru("Запись будет изменена");
    d.change_suffix_field = "SET:CALLSIGN";
    d.fields = {
        {"SET:CALLSIGN", "Callsign:", "@s8"},
        FieldDescription("SET:GMT", "+-GMT", "@n4.1", FieldKind::kSpin).Range(-12, 14, 0.5)};
    d.history = &test_history_setup;
    d.read_first_record = true;
    d.insert_refused_warning = 19;
    d.delete_refused_warning = 21;
    d.RIUpdate = FailingUpdate;
    return d;
  }();
  return d;
}

class UpdateFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TakeSavedError();
    previous_control_file_ = SetControlFileName(dir_.File("vantor.tcf"));
    GlobalRequest = 0;
    GlobalResponse = 0;
    VCRRequest = 0;
    failures_left = 0;
  }
  void TearDown() override { SetControlFileName(previous_control_file_); }

  void AddCountry(const char* prefix, const char* name) {
    UseFile(context_.DXCC, 1);
    context_.DXCC.rec().Clear();
    dict::SetText(context_.DXCC.rec().PR, prefix);
    dict::SetText(context_.DXCC.rec().STRANA, name);
    ASSERT_TRUE(context_.DXCC.file().Add().ok());
    ReleaseFile(context_.DXCC);
  }

  void AddContact(int number, const char* country) {
    UseFile(context_.AAAA, 1);
    context_.AAAA.rec().Clear();
    context_.AAAA.rec().N_QSO.set(number);
    dict::SetText(context_.AAAA.rec().POZ, "UA1ABC");
    dict::SetText(context_.AAAA.rec().PREF, country);
    context_.AAAA.rec().DATA = 70000;
    ASSERT_TRUE(context_.AAAA.file().Add().ok());
    ReleaseFile(context_.AAAA);
  }

  void MakeSetup(const char* callsign, double gmt) {
    ASSERT_TRUE(Table::Create(dir_.File("SETUP"), dict::SETUP()).ok());
    UseFile(context_.SETUP, 0);
    context_.SETUP.rec().Clear();
    dict::SetText(context_.SETUP.rec().CALLSIGN, callsign);
    context_.SETUP.rec().GMT = gmt;
    ASSERT_TRUE(context_.SETUP.file().Add().ok());
    ReleaseFile(context_.SETUP);
  }

  // Rows of a table as "field|field", read through a context of its own.
  std::vector<std::string> TableRows(FileId id) {
    DataContext reader(dir_.path());
    DataFile& file = FileOf(reader, id);
    UseFile(file, id == FileId::SETUP ? std::optional<uint8_t>(0) : std::optional<uint8_t>(1));
    std::vector<std::string> rows;
    Table& table = file.file();
    (void)table.Set();
    while (table.Next().ok()) {
      std::string row;
      for (const FieldDef& f : table.def().fields) {
        if (!row.empty()) row += "|";
        if (f.type == FieldType::kString) {
          std::string_view v(reinterpret_cast<const char*>(table.record()) + f.offset, f.size);
          row += std::string(v.substr(0, v.find_last_not_of(' ') + 1));
        }
      }
      rows.push_back(row);
    }
    ReleaseFile(file);
    return rows;
  }

  // The caller's part of a change or delete: the file held open and the
  // record read, as the browse leaves them.
  void ReadCountry(ProcedureFiles& caller, const char* prefix) {
    caller.Open();
    context_.DXCC.rec().Clear();
    dict::SetText(context_.DXCC.rec().PR, prefix);
    ASSERT_TRUE(context_.DXCC.file().Get(context_.DXCC.def().FindKey("DXC:BEY_S")).ok());
  }

  ScratchDir dir_;
  std::string previous_control_file_;
  DataContext context_{dir_.path()};
  ScriptedMessageBox boxes_;
  ScopedMessageBox install_boxes_{&boxes_};
  ThrowingHaltService halt_;
  ScopedHaltService install_halt_{&halt_};
  ScriptedView view_;
};

using Rows = std::vector<std::string>;

TEST_F(UpdateFormTest, InsertAddsTheRecordAndAnswersCompleted) {
  GlobalRequest = kInsertRecord;
  UpdateForm form(CountryForm(), context_, view_);
  ASSERT_TRUE(form.Open());
  EXPECT_EQ(GlobalRequest.load(), 0);
  EXPECT_EQ(form.LocalRequest, kInsertRecord);
  EXPECT_EQ(view_.title, "Adding a DXCC Record");
  form.WindowOpenedEvent();
  EXPECT_EQ(view_.selected, 0);
  form.OkPressed({"UA", "RUSSIA"});
  EXPECT_TRUE(view_.close_posted);
  form.Close();
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  EXPECT_EQ(TableRows(FileId::DXCC), Rows({"UA|RUSSIA"}));
  EXPECT_EQ(context_.DXCC.USED, 0);
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(UpdateFormTest, TextThatDoesNotFitOrLeavesTheCodePageIsRefusedNeverCut) {
  GlobalRequest = kInsertRecord;
  UpdateForm form(CountryForm(), context_, view_);
  ASSERT_TRUE(form.Open());
  form.OkPressed({"UA", "Union of Soviet Socialist Republics"});
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, Ru("Недопустимое значение"));
  EXPECT_NE(boxes_.shown()[0].text.find(Ru("не более 20 знаков, а введено 35")), std::string::npos);
  EXPECT_EQ(view_.selected, 1);
  EXPECT_FALSE(view_.close_posted);
  // Coming back to the window shows the fields again, but not over the
  // refused text.
  form.GainFocusEvent();
  EXPECT_EQ(view_.displayed, std::vector<int>{0});

  form.OkPressed({"UA", "Россия ✓"});
  ASSERT_EQ(boxes_.shown().size(), 2u);
  EXPECT_NE(boxes_.shown()[1].text.find(Ru("знак номер 8 не входит")), std::string::npos);
  EXPECT_FALSE(view_.close_posted);

  // Cyrillic text of exactly the field's width fits.
  form.OkPressed({"UA", "Российская Федерация"});
  EXPECT_TRUE(view_.close_posted);
  form.Close();
  EXPECT_EQ(TableRows(FileId::DXCC), Rows({Ru("UA|Российская Федерация")}));
}

TEST_F(UpdateFormTest, UnchangedChangeWritesNothingAndAnswersByNavigation) {
  AddCountry("DL", "Germany");
  ProcedureFiles caller(context_, procedure_files::SelectDXCC);
  ASSERT_NO_FATAL_FAILURE(ReadCountry(caller, "DL"));
  for (int32_t vcr : {kVCRNone, int32_t{2008}}) {
    GlobalRequest = kChangeRecord;
    view_.close_posted = false;
    UpdateForm form(CountryForm(), context_, view_);
    ASSERT_TRUE(form.Open());
    EXPECT_EQ(view_.title, "Changing a DXCC Record");
    form.NavigatePressed(vcr, {"DL", "Germany"});
    EXPECT_EQ(form.RecordChanged, 0);
    EXPECT_TRUE(view_.close_posted);
    form.Close();
    EXPECT_EQ(GlobalResponse.load(), vcr == kVCRNone ? kRequestCompleted : kRequestCancelled);
    EXPECT_EQ(VCRRequest.load(), vcr);
  }
  caller.Release();
  EXPECT_EQ(TableRows(FileId::DXCC), Rows({"DL|Germany"}));
}

TEST_F(UpdateFormTest, RenamingACountryCascadesIntoTheLog) {
  AddCountry("DL", "Germany");
  AddContact(1, "Germany");
  AddContact(2, "Italy");
  ProcedureFiles caller(context_, procedure_files::SelectDXCC);
  ASSERT_NO_FATAL_FAILURE(ReadCountry(caller, "DL"));
  GlobalRequest = kChangeRecord;
  UpdateForm form(CountryForm(), context_, view_);
  ASSERT_TRUE(form.Open());
  form.OkPressed({"DL", "Fed. Rep. of Germany"});
  EXPECT_EQ(form.RecordChanged, 1);
  form.Close();
  caller.Release();
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  EXPECT_EQ(TableRows(FileId::DXCC), Rows({"DL|Fed. Rep. of Germany"}));
  const Rows log = TableRows(FileId::AAAA);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0].find("Fed. Rep. of Germany"), std::string::npos);
  EXPECT_NE(log[1].find("Italy"), std::string::npos);
  EXPECT_EQ(context_.AAAA.USED, 0);
}

TEST_F(UpdateFormTest, DeleteConfirmsAndIsRefusedWhileTheLogUsesTheCountry) {
  AddCountry("DL", "Germany");
  AddCountry("I", "Italy");
  AddContact(1, "Germany");
  ProcedureFiles caller(context_, procedure_files::SelectDXCC);

  // Refused by the integrity rule: warning 13, then 18 offers a retry; No.
  ASSERT_NO_FATAL_FAILURE(ReadCountry(caller, "DL"));
  GlobalRequest = kDeleteRecord;
  boxes_.Answer(button::kOk);
  boxes_.Answer(button::kOk);
  boxes_.Answer(button::kNo);
  {
    UpdateForm form(CountryForm(), context_, view_);
    EXPECT_FALSE(form.Open());
    EXPECT_TRUE(form.closed());
  }
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  ASSERT_EQ(boxes_.shown().size(), 3u);
  EXPECT_EQ(boxes_.shown()[0].title, "Confirm Delete");
  EXPECT_EQ(boxes_.shown()[1].title, "Referential Integrity Delete Error");
  EXPECT_EQ(boxes_.shown()[2].title, "Record Update Error");

  // Not confirmed: nothing happens.
  caller.Release();
  ASSERT_NO_FATAL_FAILURE(ReadCountry(caller, "I"));
  GlobalRequest = kDeleteRecord;
  boxes_.Answer(button::kCancel);
  {
    UpdateForm form(CountryForm(), context_, view_);
    EXPECT_FALSE(form.Open());
  }
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);

  // Confirmed and unused: deleted.
  GlobalRequest = kDeleteRecord;
  boxes_.Answer(button::kOk);
  {
    UpdateForm form(CountryForm(), context_, view_);
    EXPECT_FALSE(form.Open());
  }
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  caller.Release();
  EXPECT_EQ(TableRows(FileId::DXCC), Rows({"DL|Germany"}));
  EXPECT_EQ(context_.DXCC.USED, 0);
}

TEST_F(UpdateFormTest, DittoCopiesTheFocusedFieldFromTheLastConfirmedRecord) {
  GlobalRequest = kInsertRecord;
  {
    UpdateForm form(CountryForm(), context_, view_);
    ASSERT_TRUE(form.Open());
    form.OkPressed({"EA", "Spain"});
    form.Close();
  }
  GlobalRequest = kInsertRecord;
  UpdateForm form(CountryForm(), context_, view_);
  ASSERT_TRUE(form.Open());
  form.DittoEvent(1);
  EXPECT_EQ(view_.displayed, std::vector<int>{1});
  EXPECT_EQ(form.FieldText(1), "Spain");
  EXPECT_EQ(form.FieldText(0), "");
  form.CancelPressed();
  form.Close();
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  EXPECT_EQ(TableRows(FileId::DXCC), Rows({"EA|Spain"}));
}

TEST_F(UpdateFormTest, ARecordChangedByAnotherStationIsShownAndBecomesTheBase) {
  AddCountry("DL", "Germany");
  ProcedureFiles caller(context_, procedure_files::SelectDXCC);
  ASSERT_NO_FATAL_FAILURE(ReadCountry(caller, "DL"));
  GlobalRequest = kChangeRecord;
  UpdateForm form(CountryForm(), context_, view_);
  ASSERT_TRUE(form.Open());

  // Another copy of the program renames the country meanwhile.
  {
    DataContext other(dir_.path());
    UseFile(other.DXCC, 1);
    other.DXCC.rec().Clear();
    dict::SetText(other.DXCC.rec().PR, "DL");
    ASSERT_TRUE(other.DXCC.file().Get(other.DXCC.def().FindKey("DXC:BEY_S")).ok());
    dict::SetText(other.DXCC.rec().STRANA, "Deutschland");
    ASSERT_TRUE(other.DXCC.file().Put().ok());
    ReleaseFile(other.DXCC);
  }
  form.OkPressed({"DL", "Germania"});
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, "Record Was Not Updated");
  EXPECT_FALSE(view_.close_posted);
  EXPECT_EQ(form.FieldText(1), "Deutschland");
  EXPECT_EQ(std::string(context_.SAV_DXC_STRANA, 11), "Deutschland");
  EXPECT_EQ(view_.selected, 0);
  form.CancelPressed();
  form.Close();
  caller.Release();
  EXPECT_EQ(TableRows(FileId::DXCC), Rows({"DL|Deutschland"}));
}

TEST_F(UpdateFormTest, RefusedRequestsEndBeforeTheWindow) {
  ASSERT_NO_FATAL_FAILURE(MakeSetup("UA1ZZZ", 3));
  for (int32_t request : {kInsertRecord, kDeleteRecord}) {
    GlobalRequest = request;
    UpdateForm form(StationForm(), context_, view_);
    EXPECT_FALSE(form.Open());
    EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  }
  ASSERT_EQ(boxes_.shown().size(), 2u);
  EXPECT_EQ(boxes_.shown()[0].text,
            Ru("Вставка новой записи запрещена.   Нажмите OK для возврата"));
  EXPECT_EQ(boxes_.shown()[1].text, Ru("Удаление записи запрещено.   Нажмите OK для возврата"));
  EXPECT_EQ(TableRows(FileId::SETUP), Rows({"UA1ZZZ|||||"}));
  EXPECT_EQ(context_.SETUP.USED, 0);
}

TEST_F(UpdateFormTest, AFailedGuardedChangeOffersToSaveAgain) {
  ASSERT_NO_FATAL_FAILURE(MakeSetup("UA1ZZZ", 3));
  GlobalRequest = kChangeRecord;
  UpdateForm form(StationForm(), context_, view_);
  ASSERT_TRUE(form.Open());
  EXPECT_EQ(view_.title, Ru("Запись будет изменена  (UA1ZZZ)"));

  // Out of range: warning 10, the record keeps its value.
  form.OkPressed({"UA1ZZZ", "15"});
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text, Ru("Значение +-GMT должно быть между -12 и 14."));
  EXPECT_EQ(form.FieldText(1), "3.0");

  // Two failures: Yes saves again, Cancel returns to the first field; the
  // third attempt goes through.
  failures_left = 2;
  boxes_.Answer(button::kYes);
  boxes_.Answer(button::kCancel);
  view_.selected = -1;
  form.OkPressed({"UA1ZZZ", "4"});
  ASSERT_EQ(boxes_.shown().size(), 3u);
  EXPECT_EQ(boxes_.shown()[2].title, "Record Update Error");
  EXPECT_EQ(view_.selected, 0);
  EXPECT_FALSE(view_.close_posted);
  // A value finer than the picture is kept as given, never rounded.
  form.OkPressed({"UA1ZZZ", "5.75"});
  EXPECT_TRUE(view_.close_posted);
  form.Close();
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  DataContext reader(dir_.path());
  UseFile(reader.SETUP, 0);
  ASSERT_TRUE(reader.SETUP.file().Set().ok());
  ASSERT_TRUE(reader.SETUP.file().Next().ok());
  EXPECT_EQ(double{reader.SETUP.rec().GMT}, 5.75);
  ReleaseFile(reader.SETUP);
}

TEST_F(UpdateFormTest, HooksPrimeAndKeepTheFormOpen) {
  static int primed = 0;
  static FormDescription d = CountryForm();
  d.defaults = {{"DXC:STRANA", "RUSSIA"}};
  d.hooks.PrimeFields = [](UpdateForm& form) {
    ++primed;
    EXPECT_EQ(form.FieldText(1), "RUSSIA");
    return primed < 3;
  };
  d.hooks.InsertRecord = [](UpdateForm& form) {
    if (!form.file().file().Add().ok()) return InsertOutcome::kFailed;
    form.ApplyDefaults();
    return form.description().hooks.PrimeFields(form) ? InsertOutcome::kSavedStayOpen
                                                      : InsertOutcome::kFailed;
  };
  GlobalRequest = kInsertRecord;
  UpdateForm form(d, context_, view_);
  ASSERT_TRUE(form.Open());
  form.OkPressed({"UA", "RUSSIA"});
  EXPECT_FALSE(view_.close_posted);
  EXPECT_EQ(view_.selected, 0);
  EXPECT_EQ(primed, 2);
  form.CancelPressed();
  form.Close();
  EXPECT_EQ(TableRows(FileId::DXCC), Rows({"UA|RUSSIA"}));

  // A priming that gives up ends the procedure before its window.
  GlobalRequest = kInsertRecord;
  UpdateForm again(d, context_, view_);
  EXPECT_FALSE(again.Open());
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
}

}  // namespace
}  // namespace kavo::forms
