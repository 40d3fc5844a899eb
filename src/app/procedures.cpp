// The procedures reachable from the frame's menu and toolbar. A procedure
// missing here is announced as not defined yet when the user picks it.
#include "app/adif_procedures.h"
#include "app/procedure_registry.h"

namespace kavo {

void RegisterProcedures(ProcedureRegistry& registry) {
  registry.Register("ImportADIF", ImportADIF);
  registry.Register("ExportADIF", ExportADIF);
}

}  // namespace kavo
