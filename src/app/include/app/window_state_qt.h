// PlacedWindow for a Qt window: a top-level window or an MDI child window.
#pragma once

#include <QObject>
#include <string>

#include "app/window_state.h"

class QWidget;

namespace kavo {

// The last normal placement of a top-level window (frame position and
// size), followed from its move and resize events. While a window is
// maximised its own geometry is the maximised one, and what Qt keeps as its
// normal geometry is the client area or, for a window maximised before it
// was first shown, the position it was given: neither reads back as the
// place to restore.
class NormalPlacement : public QObject {
  Q_OBJECT

 public:
  // The follower of window, made (and then following) on first use.
  static NormalPlacement* Of(QWidget* window);

  bool known() const { return known_; }
  WindowRect placement() const { return last_; }
  // A placement given to the window, kept before the window shows it.
  void Set(const WindowRect& placement);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit NormalPlacement(QWidget* window);

  QWidget* window_;
  bool known_ = false;
  WindowRect last_;
};

class QtPlacedWindow : public PlacedWindow {
 public:
  explicit QtPlacedWindow(QWidget* window);

  bool IsMaximized() const override;
  bool IsMinimized() const override;
  void SetMaximized(bool maximized) override;
  // Resizable unless the window (or an MDI child's contents) has a fixed size.
  bool IsResizable() const override;
  // The normal placement: for a maximised or minimised top-level window the
  // placement it returns to (as followed by its NormalPlacement).
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
