#include "log/update_dxcc_form.h"

#include "data/procedure_files.h"
#include "data/ri_routines.h"

namespace kavo {

forms::HistoryRecord HISTORY_DXC_RECORD;

const forms::FormDescription& UpdateDXCCForm() {
  using forms::Ru;
  static const forms::FormDescription d = [] {
    forms::FormDescription d;
    d.procedure = "UpdateDXCC";
    d.file = FileId::DXCC;
    d.files = procedure_files::UpdateDXCC;
    d.design_title = Ru("Ввод и обновление DXCC");
    d.insert_title = "Adding a DXCC Record";
    d.change_title = "Changing a DXCC Record";
    d.tab = "DXCC";
    d.ok_icon = "Fmgr.ico";
    d.fields = {{"DXC:PR", Ru("Префикс"), "@s2"}, {"DXC:STRANA", Ru("Страна"), "@s20"}};
    d.history = &HISTORY_DXC_RECORD;
    // Key code 734: Ctrl and the quote key.
    d.ditto_key = "Ctrl+'";
    d.RISnap = RISnap_DXCC;
    d.RIUpdate = RIUpdate_DXCC;
    d.RIDelete = RIDelete_DXCC;
    d.width = 300;
    return d;
  }();
  return d;
}

}  // namespace kavo
