// Opening a procedure's window among the frame's child windows.
//
// A started procedure's window opens and the caller goes on; a called
// procedure's window opens and the caller waits, its events still served,
// until the window has closed. Without an MDI area (tests) the window opens
// on its own. With a procedure name, its placement is kept in the settings
// file under that name (restored on opening, saved on closing).
#pragma once

#include <string>

#include "app/procedure_registry.h"

class QWidget;

namespace kavo {

// Takes ownership of window (deleted when it closes).
void ShowProcedureWindow(QWidget* window, const ProcedureContext& context,
                         const std::string& ProcedureName = {});

// Closes the procedure window that shows window: its MDI child window, or
// window itself.
void CloseProcedureWindow(QWidget* window);

}  // namespace kavo
