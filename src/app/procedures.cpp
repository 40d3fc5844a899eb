// The procedures reachable from the frame's menu and toolbar. A procedure
// missing here is announced as not defined yet when the user picks it.
#include "app/procedure_registry.h"

#include <QMdiArea>

#include "app/adif_procedures.h"
#include "app/browse_aaaa_window.h"
#include "app/form_procedures.h"
#include "app/reference_windows.h"
#include "app/report_run.h"
#include "app/select_dxcc.h"
#include "app/text_viewer_window.h"
#include "data/context.h"

namespace kavo {

void RegisterProcedures(ProcedureRegistry& registry) {
  // Called from the frame: it runs in the frame's own procedure context.
  registry.Register("fSETUP", [](const ProcedureContext& procedure) {
    fSETUP(ThisThreadData(), procedure.mdi_area);
  });
  registry.Register("dxinfo", dxinfo);
  registry.Register("spravka", spravka);
  registry.Register("BrowseAAAA", [&registry](const ProcedureContext& c) {
    StartBrowseAAAA(c.mdi_area, registry);
  });
  // Started: each works on a thread of its own with a context of its own.
  registry.Register("ImportADIF", ImportADIF);
  registry.Register("ExportADIF", ExportADIF);
  registry.Register("SelectDXCC", [](const ProcedureContext& c) { StartSelectDXCC(c.mdi_area); });
  registry.Register("browseiota", [](const ProcedureContext& c) { Startbrowseiota(c.mdi_area); });
  registry.Register("BROWSEADRESS",
                    [](const ProcedureContext& c) { StartBROWSEADRESS(c.mdi_area); });
  registry.Register("BROWSEOBL", [](const ProcedureContext& c) { StartBROWSEOBL(c.mdi_area); });
  RegisterReports(registry);
}

}  // namespace kavo
