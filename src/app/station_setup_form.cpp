#include "app/station_setup_form.h"

#include "data/procedure_files.h"
#include "data/ri_routines.h"
#include "data/standard_warning.h"

namespace kavo {

forms::HistoryRecord HISTORY_SET_RECORD;

const forms::FormDescription& StationSetupForm() {
  using forms::FieldDescription;
  using forms::FieldKind;
  using forms::Ru;
  static const forms::FormDescription d = [] {
    forms::FormDescription d;
    d.procedure = "fSETUP";
    d.file = FileId::SETUP;
    d.files = procedure_files::fSETUP;
    d.design_title = Ru("Настройка");
    d.icon = "HTML.ICO";
    d.tab = Ru("Параметры");
    d.change_title = Ru("Запись будет изменена");
    d.change_suffix_field = "SET:CALLSIGN";
    // Offsets from UTC run from -12 to +14 hours, in half hours at most.
    d.fields = {
        FieldDescription("SET:CALLSIGN", "Callsign:", "@s8").Tip(Ru("Ваш позывной")),
        {"SET:IMJA", Ru("Имя"), "@s12"},
        {"SET:FAM", Ru("Фамилия"), "@s15"},
        FieldDescription("SET:GMT", "+-GMT", "@n4.1", FieldKind::kSpin).Range(-12, 14, 0.5),
        {"SET:QTH", "QTH", "@s20"},
        FieldDescription("SET:LOC", "LOC", "@s6").Tip(Ru("Ваш QTH-локатор")),
    };
    d.history = &HISTORY_SET_RECORD;
    d.ditto_key = "Ctrl+'";
    d.read_first_record = true;
    d.insert_refused_warning = warning::kInsertNotAllowed;
    d.delete_refused_warning = warning::kDeleteNotAllowed;
    d.RISnap = RISnap_SETUP;
    d.RIUpdate = RIUpdate_SETUP;
    d.width = 320;
    d.minimum_is_design = true;
    return d;
  }();
  return d;
}

}  // namespace kavo
