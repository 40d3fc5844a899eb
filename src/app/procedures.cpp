// The procedures reachable from the frame's menu and toolbar. A procedure
// missing here is announced as not defined yet when the user picks it.
#include "app/procedure_registry.h"
#include "app/text_viewer_window.h"

namespace kavo {

void RegisterProcedures(ProcedureRegistry& registry) {
  registry.Register("dxinfo", dxinfo);
  registry.Register("spravka", spravka);
}

}  // namespace kavo
