// PlacedWindow for a Qt window: a top-level window or an MDI child window.
#pragma once

#include <QObject>
#include <string>

#include "app/window_state.h"

class QWidget;

namespace kavo {

class QtPlacedWindow : public PlacedWindow {
 public:
  explicit QtPlacedWindow(QWidget* window) : window_(window) {}

  bool IsMaximized() const override;
  bool IsMinimized() const override;
  void SetMaximized(bool maximized) override;
  // Resizable unless the window (or an MDI child's contents) has a fixed size.
  bool IsResizable() const override;
  // The normal placement: for a maximised or minimised top-level window the
  // placement it returns to.
  WindowRect Placement() const override;
  // A top-level window is not moved where no screen would show it.
  void MoveTo(int32_t x, int32_t y) override;
  void SetPlacement(const WindowRect& placement) override;

 private:
  QWidget* window_;
};

// A procedure window's placement kept in the settings file: restored when
// the keeper is made (right after the window is opened), saved when the
// window gets its close event.
class PlacementKeeper : public QObject {
 public:
  PlacementKeeper(QWidget* window, std::string ProcedureName,
                  std::string IniFileName = kIniFileName);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  std::string ProcedureName_;
  std::string IniFileName_;
};

}  // namespace kavo
