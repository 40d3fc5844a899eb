// The procedures reachable from the frame's menu and toolbar. A procedure
// missing here is announced as not defined yet when the user picks it.
#include "app/procedure_registry.h"

namespace kavo {

void RegisterProcedures([[maybe_unused]] ProcedureRegistry& registry) {}

}  // namespace kavo
