// The procedures reachable from the frame's menu and toolbar. A procedure
// missing here is announced as not defined yet when the user picks it.
#include "app/procedure_registry.h"
#include "app/select_dxcc.h"

namespace kavo {

void RegisterProcedures(ProcedureRegistry& registry) {
  registry.Register("SelectDXCC", [](const ProcedureContext& c) { StartSelectDXCC(c.mdi_area); });
}

}  // namespace kavo
