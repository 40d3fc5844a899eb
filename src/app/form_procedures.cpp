#include "app/form_procedures.h"

#include "app/form_window.h"
#include "app/station_setup_form.h"
#include "data/globals.h"
#include "log/update_aaaa_form.h"
#include "log/update_dxcc_form.h"
#include "runtime/datetime.h"

namespace kavo {

void UpdateDXCC(DataContext& context, QWidget* caller) {
  RunFormProcedure(UpdateDXCCForm(), context, caller);
}

void UpdateAAAA(DataContext& context, QWidget* caller) {
  // The form adds a missing country through UpdateDXCC over this window.
  static UpdateAAAAServices services;
  services.Today = &Today;
  services.Clock = &Clock;
  services.UpdateDXCC = [caller](DataContext& c) {
    UpdateDXCC(c, caller);
    return GlobalResponse.load();
  };
  SetUpdateAAAAServices(&services);
  RunFormProcedure(UpdateAAAAForm(), context, caller);
}

void fSETUP(DataContext& context, QWidget* caller) {
  RunFormProcedure(StationSetupForm(), context, caller);
}

}  // namespace kavo
