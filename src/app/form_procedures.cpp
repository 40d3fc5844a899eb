#include "app/form_procedures.h"

#include "app/form_window.h"
#include "app/station_setup_form.h"
#include "log/update_dxcc_form.h"

namespace kavo {

void UpdateDXCC(DataContext& context, QWidget* caller) {
  RunFormProcedure(UpdateDXCCForm(), context, caller);
}

void fSETUP(DataContext& context, QWidget* caller) {
  RunFormProcedure(StationSetupForm(), context, caller);
}

}  // namespace kavo
