// PlacedWindow for a Qt window: a top-level window or an MDI child window.
#pragma once

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

}  // namespace kavo
