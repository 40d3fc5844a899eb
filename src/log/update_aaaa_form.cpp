#include "log/update_aaaa_form.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "data/dict_records.h"
#include "data/globals.h"
#include "data/procedure_files.h"
#include "data/ri_routines.h"
#include "data/standard_warning.h"
#include "forms/update_form.h"
#include "log/country_lookup.h"
#include "log/qso_number.h"
#include "log/region_code.h"
#include "runtime/chartab.h"
#include "runtime/errors.h"
#include "runtime/message_box.h"

namespace kavo {

forms::HistoryRecord HISTORY_AAA_RECORD;

namespace {

using forms::Ru;
using forms::UpdateForm;

const UpdateAAAAServices* services = nullptr;

constexpr int32_t kDayHundredths = 8640000;
constexpr int32_t kHourHundredths = 360000;
// A series of reservations gives up after this many failed adds.
constexpr int kReserveAttempts = 3;

// What one running form keeps beyond the pattern's state.
struct FormState {
  std::vector<uint8_t> primed;       // the record as primed, before its number
  std::string reserved;              // position of the reservation not yet saved
  std::string LastInsertedPosition;  // SAVE:LastInsertedPosition
  int64_t AUTO_SAVE_N_QSO = 0;
  int32_t AUTO_ATTEMPTS = 0;
  std::string PR;  // the callsign's first two characters
};
std::map<const UpdateForm*, FormState> states;

dict::AAAARecord& Contact(UpdateForm& form) {
  return *reinterpret_cast<dict::AAAARecord*>(form.record());
}

// Defaults fill only what the browse left empty: a contact inserted on the
// band tab keeps the band in use.
void ApplyEmptyDefaults(dict::AAAARecord& r) {
  if (r.DIAPAZ == 0) r.DIAPAZ = 14.0;
  if (dict::TextOf(r.MODE).empty()) dict::SetText(r.MODE, "SSB");
  if (dict::TextOf(r.RPT_1).empty()) dict::SetText(r.RPT_1, "59");
  if (dict::TextOf(r.RPT_2).empty()) dict::SetText(r.RPT_2, "59");
  if (dict::TextOf(r.QSL).empty()) dict::SetText(r.QSL, Ru("НЕТ"));
}

// Adds the primed record under the next free number, in series of three
// attempts. False: the procedure ends (warning shown, response 2).
bool Reserve(UpdateForm& form) {
  FormState& st = states[&form];
  Table& log = form.file().file();
  for (;;) {
    for (st.AUTO_ATTEMPTS = 0; st.AUTO_ATTEMPTS < kReserveAttempts; ++st.AUTO_ATTEMPTS) {
      const Status read = log::NextQsoNumber(log, &st.AUTO_SAVE_N_QSO);
      if (!read.ok()) {
        StandardWarning(warning::kRecordRetrievalError, "AAAA");
        form.LocalResponse = kRequestCancelled;
        return false;
      }
      std::memcpy(form.record(), st.primed.data(), st.primed.size());
      Contact(form).N_QSO.set(st.AUTO_SAVE_N_QSO);
      form.SAV_RECORD.assign(form.record(), form.record() + form.record_length());
      if (log.Add().ok()) {
        st.reserved = log.Position();
        return true;
      }
    }
    if (StandardWarning(warning::kAutoIncrementError) != button::kRetry) {
      form.LocalResponse = kRequestCancelled;
      return false;
    }
  }
}

bool PrimeFields(UpdateForm& form) {
  FormState& st = states[&form];
  ApplyEmptyDefaults(Contact(form));
  st.primed.assign(form.record(), form.record() + form.record_length());
  return Reserve(form);
}

double StationOffset(UpdateForm& form) {
  Table& setup = form.context().SETUP.file();
  if (setup.Set().ok() && setup.Next().ok()) return form.context().SETUP.rec().GMT;
  return 0;
}

void StampTime(UpdateForm& form) {
  dict::AAAARecord& r = Contact(form);
  if (form.LocalRequest != kInsertRecord || r.DATA != 0 || services == nullptr) return;
  const UtcStamp stamp = UtcStampOf(services->Today(), services->Clock(), StationOffset(form));
  r.DATA = stamp.DATA;
  r.TIM = stamp.TIM;
  std::memset(r.PR, ' ', sizeof r.PR);
  form.view().DisplayAll();
}

void FillRegion(UpdateForm& form) {
  dict::AAAARecord& r = Contact(form);
  const std::string_view pref(r.PREF, sizeof r.PREF);
  if (!log::RegionRuleApplies(pref, std::string_view(r.PR, sizeof r.PR))) return;
  dict::SetText(r.PR, log::RegionCodeOfCallsign(std::string(dict::TextOf(r.POZ))));
  form.view().DisplayField(form.FieldIndex("AAA:PR"));
}

// FLD5::FillList: the countries of the callsign's prefix. False after a read
// error (warning shown, the form closes).
bool FillCountries(UpdateForm& form) {
  dict::AAAARecord& r = Contact(form);
  const std::string callsign = std::string(dict::TextOf(r.POZ));
  states[&form].PR = log::CallsignPrefix(callsign);
  std::vector<std::string> countries;
  if (!log::CountriesOfCallsign(form.context().DXCC.file(), callsign, &countries).ok()) {
    StandardWarning(warning::kRecordRetrievalError, "DXCC");
    form.CancelPressed();
    return false;
  }
  const int field = form.FieldIndex("AAA:PREF");
  if (countries.empty()) std::memset(r.PREF, ' ', sizeof r.PREF);
  if (dict::TextOf(r.PREF).empty() && !countries.empty()) dict::SetText(r.PREF, countries.front());
  form.SetChoices(field, std::move(countries));
  form.view().DisplayField(field);
  return true;
}

bool AcceptCountry(UpdateForm& form) {
  dict::AAAARecord& r = Contact(form);
  const int field = form.FieldIndex("AAA:PREF");
  const std::string typed = std::string(dict::TextOf(r.PREF));
  // A contact of a prefix the table does not know may stay without one.
  if (typed.empty()) return true;
  for (const std::string& country : form.Choices(field)) {
    if (Upper(country) != Upper(typed)) continue;
    dict::SetText(r.PREF, country);
    form.view().DisplayField(field);
    return true;
  }
  const int answer = CurrentMessageBoxService().Show(
      {Ru("Страна не найдена"), Ru("Добавить новую?"), MessageIcon::kExclamation,
       button::kYes | button::kNo, button::kYes});
  if (answer != button::kYes || services == nullptr) return false;
  dict::DXCCRecord& dxcc = form.context().DXCC.rec();
  dxcc.Clear();
  dict::SetText(dxcc.STRANA, typed);
  dict::SetText(dxcc.PR, states[&form].PR);
  GlobalRequest = kInsertRecord;
  if (services->UpdateDXCC(form.context()) != kRequestCompleted) return false;
  if (!FillCountries(form)) return false;
  dict::SetText(r.PREF, typed);
  return AcceptCountry(form);
}

bool FieldAccepted(UpdateForm& form, int field) {
  if (field == form.FieldIndex("AAA:POZ")) return FillCountries(form);
  if (field == form.FieldIndex("AAA:PREF")) return AcceptCountry(form);
  return true;
}

void FieldSelected(UpdateForm& form, int field) {
  if (field == form.FieldIndex("AAA:POZ")) StampTime(form);
  if (field == form.FieldIndex("AAA:PR")) FillRegion(form);
}

forms::InsertOutcome InsertRecord(UpdateForm& form) {
  FormState& st = states[&form];
  Table& log = form.file().file();
  // Write the contact over its reservation.
  std::vector<uint8_t> typed(form.record(), form.record() + form.record_length());
  Status s = log.Reget(st.reserved);
  if (s.ok()) {
    std::memcpy(form.record(), typed.data(), typed.size());
    s = log.Put();
  } else {
    std::memcpy(form.record(), typed.data(), typed.size());
  }
  if (!s.ok()) {
    form.ReportInsertFailure(s.code());
    return forms::InsertOutcome::kFailed;
  }
  st.LastInsertedPosition = log.Position();
  st.reserved.clear();
  if (!Reserve(form)) {
    form.CancelPressed();
    return forms::InsertOutcome::kSavedStayOpen;
  }
  return forms::InsertOutcome::kSavedStayOpen;
}

void Closing(UpdateForm& form) {
  auto it = states.find(&form);
  if (it == states.end()) return;
  FormState& st = it->second;
  Table& log = form.file().file();
  if (form.LocalResponse != kRequestCompleted && form.OriginalRequest == kInsertRecord) {
    if (!st.reserved.empty() && log.Reget(st.reserved).ok()) (void)log.Delete();
    if (!st.LastInsertedPosition.empty()) {
      form.LocalResponse = kRequestCompleted;
      (void)log.Reget(st.LastInsertedPosition);
    }
  }
  states.erase(it);
}

}  // namespace

void SetUpdateAAAAServices(const UpdateAAAAServices* s) {
  services = s;
}

UtcStamp UtcStampOf(int32_t today, int32_t clock, double offset_hours) {
  const int32_t shift = static_cast<int32_t>(offset_hours * kHourHundredths);
  int32_t time = clock - shift;
  int32_t date = today;
  if (time < 0) {
    time += kDayHundredths;
    --date;
  } else if (time > kDayHundredths) {
    // West of Greenwich late in the evening it is already tomorrow in UTC.
    time -= kDayHundredths;
    ++date;
  }
  return {date, time};
}

const forms::FormDescription& UpdateAAAAForm() {
  static const forms::FormDescription d = [] {
    forms::FormDescription d;
    using forms::FieldKind;
    d.procedure = "UpdateAAAA";
    d.file = FileId::AAAA;
    d.files = procedure_files::UpdateAAAA;
    d.design_title = Ru("Ввод и редактирование информации");
    d.insert_title = Ru("Добавление записи");
    d.change_title = Ru("Изменение записи");
    d.tab = Ru("Данные");
    d.ok_text = "OK";
    d.cancel_text = Ru("Отмена");
    d.fields = {
        {"AAA:POZ", "Callsign", "@s12"},
        forms::FieldDescription("AAA:N_QSO", " N_QSO:", "@n-10.0").Tip(Ru("Порядковый номер QSO")),
        {"AAA:PREF", Ru("Страна"), "@s20", FieldKind::kDropCombo},
        forms::FieldDescription("AAA:PR", Ru("Область"), "@s2").Tip(Ru("Область России")),
        {"AAA:DATA", Ru("Дата:"), "@D6"},
        {"AAA:TIM", Ru("Время:"), "@T1"},
        forms::FieldDescription("AAA:DIAPAZ", Ru("Диапазон:"), "@n5.1", FieldKind::kDropList)
            .Choices({"1.8", "3.5", "7.0", "10.0", "14.0", "18.0", "21.0", "24.0", "28.0", "29.0",
                      "144.0", "145.0", "430.0", "1.2"}),
        {"AAA:RPT_1", Ru("Рапорт S:"), "@s3"},
        forms::FieldDescription("AAA:MODE", "MODE:", "@s5", FieldKind::kDropList)
            .Choices({"SSB", "CW", "FM", "RTTY", "SAT", "PAKET", "SSTV"})
            .Tip(Ru("Вид модуляции")),
        {"AAA:RPT_2", Ru("Рапорт R:"), "@s3"},
        {"AAA:QTH", "QTH:", "@s22"},
        forms::FieldDescription("AAA:QSL", "QSL", "@s5", FieldKind::kOptions)
            .Choices({Ru("НЕТ"), Ru("ОТПР"), Ru("ПОЛУЧ"), Ru("ОБМЕН")})
            .Tip(Ru("Отметки о QSL")),
        {"AAA:PRIMEC", Ru("Примечание"), "@s15"},
    };
    d.history = &HISTORY_AAA_RECORD;
    d.ditto_key = "F2";
    d.duplicate_keys = {{"AAA:BEY_N", "AAA:BEY_N"}};
    d.RISnap = RISnap_AAAA;
    d.RIUpdate = RIUpdate_AAAA;
    d.RIDelete = RIDelete_AAAA;
    d.width = 520;
    d.hooks.PrimeFields = PrimeFields;
    d.hooks.InsertRecord = InsertRecord;
    d.hooks.WindowOpened = [](UpdateForm& form) { (void)FillCountries(form); };
    d.hooks.FieldSelected = FieldSelected;
    d.hooks.FieldAccepted = FieldAccepted;
    d.hooks.Closing = Closing;
    return d;
  }();
  return d;
}

}  // namespace kavo
