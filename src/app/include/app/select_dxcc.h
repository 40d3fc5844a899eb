// SelectDXCC, the window of the DXCC country list: started from the frame
// (menu "Справочники" / "DXCC" and the toolbar button "DXCC") in a child
// window with a data context of its own, for maintenance; called by another
// procedure with GlobalRequest 4 as the country picker, in the caller's
// context, leaving the chosen country in its DXCC record buffer.
#pragma once

#include <cstdint>

#include "app/browse_window_qt.h"

class QMdiArea;
class QWidget;

namespace kavo {

// The window's layout and its list.
BrowseWindowDesign SelectDXCCWindow();
BrowseDescription SelectDXCCDescription(DataContext& context, QWidget* window);

void StartSelectDXCC(QMdiArea* area);
// Returns GlobalResponse: 1 when a country was chosen.
int32_t SelectDXCC(DataContext& context, QWidget* caller);

}  // namespace kavo
