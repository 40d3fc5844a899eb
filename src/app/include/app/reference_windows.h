// The windows of the reference tables, each the generic browse window
// configured for its list: browseiota (IOTA groups and, beside them, the
// islands of the selected group), BROWSEADRESS (the district address book)
// and BROWSEOBL (the Russian regions, also a picker). Their update forms
// f_iot, F_ADRESS and f_gorod run in the caller's context on the generic
// form window. Started from the frame's menu "Справочники", each runs in a
// child window with a data context of its own; placements are kept in
// kavo.INI under the procedure's name.
#pragma once

#include <cstdint>

#include "app/browse_window_qt.h"

class QLineEdit;
class QMdiArea;
class QWidget;

namespace kavo {

BrowseWindowDesign BrowseAddressWindow();
BrowseWindowDesign BrowseRegionWindow();

BrowseWindowQt* StartBROWSEADRESS(QMdiArea* area);
BrowseWindowQt* StartBROWSEOBL(QMdiArea* area);
// The regions as a picker (GlobalRequest 4 set by the caller) in the
// caller's context; returns GlobalResponse, 1 with the chosen entry left in
// the PREFRUS record buffer.
int32_t BROWSEOBL(DataContext& context, QWidget* caller);

// browseiota: the group list is the window (the frame's navigation toolbar
// serves it); the island list sits beside it and follows the selected group.
class IotaWindowQt : public QObject {
  Q_OBJECT

 public:
  // Builds the island list inside the started group window.
  explicit IotaWindowQt(BrowseWindowQt* groups);

  BrowseWindowQt* groups() const { return groups_; }
  BrowseWindowQt* islands() const { return islands_; }

 private:
  // The window refresh after the group list served an event: the island
  // list sees a new group in NA_:NAIM and starts again from its first island.
  void Refresh();
  // "OK": the selected island is read again.
  void ReadIslandAgain();
  // "&Печать": the islands of the selected group through the report frame
  // and its preview.
  void PrintIslands();
  void ShowRemark();

  BrowseWindowQt* groups_;
  BrowseWindowQt* islands_ = nullptr;
  QLineEdit* remark_ = nullptr;
};

IotaWindowQt* Startbrowseiota(QMdiArea* area);

}  // namespace kavo
