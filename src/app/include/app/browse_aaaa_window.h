// BrowseAAAA, the window of the operator's log: the generic browse window
// with the log's ten tabs, its range selectors (band, mode, Russian region,
// QSL state), the tag buttons, the count and the detail fields. Started from
// the frame (menu and the toolbar button "ЖУРНАЛ") in a child window with a
// data context of its own. The buttons that start other procedures go
// through the procedure registry, so a procedure not built yet is announced
// the way the frame announces it.
#pragma once

class QMdiArea;

namespace kavo {

class BrowseWindowQt;
class ProcedureRegistry;

// Returns the window, nullptr when it could not be opened.
BrowseWindowQt* StartBrowseAAAA(QMdiArea* area, const ProcedureRegistry& registry);

}  // namespace kavo
