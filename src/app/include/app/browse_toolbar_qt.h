// The frame's navigation toolbar (commands 2000..2012: insert, change,
// delete, select, last and first page, next and prior page, next and prior
// record, locate, history, help). It belongs to the browse window that is
// active among the frame's child windows: that browse enables its commands
// and receives them; without an active browse every command is disabled.
#pragma once

#include <QPointer>
#include <QToolBar>
#include <map>

#include "app/browse_window_qt.h"
#include "browse/browse_list.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;

namespace kavo {

class BrowseToolbarQt : public QToolBar, public BrowseToolbar {
  Q_OBJECT

 public:
  BrowseToolbarQt(QMdiArea* area, QWidget* parent = nullptr);

  QAction* command(int32_t id) const;
  BrowseWindowQt* owner() const { return owner_; }

  // BrowseToolbar
  void EnableCommand(int32_t command, bool enabled) override;
  void SetToolTip(int32_t command, std::string_view text) override;
  void PressHelp() override;

 private:
  void Activated(QMdiSubWindow* sub);

  std::map<int32_t, QAction*> commands_;
  QPointer<BrowseWindowQt> owner_;
};

}  // namespace kavo
