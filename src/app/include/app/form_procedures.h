// The update forms as called procedures. Each reads GlobalRequest, works on
// the record in the caller's procedure context, runs in the caller's event
// loop and leaves GlobalResponse (and VCRRequest) for the caller, so a
// browse hands them its own context:
//
//   GlobalRequest = kChangeRecord;
//   UpdateDXCC(browse_context, browse_window);
//   if (GlobalResponse == kRequestCompleted) ...
#pragma once

class QWidget;

namespace kavo {

class DataContext;

void UpdateDXCC(DataContext& context, QWidget* caller);
void UpdateAAAA(DataContext& context, QWidget* caller);
void fSETUP(DataContext& context, QWidget* caller);

}  // namespace kavo
