// ResizeLayer for a Qt window whose controls are placed by coordinates.
//
// The controls are the child widgets of the window's contents that no layout
// manages, numbered 1.. in creation order; the children of plain containers
// (widgets, frames, group boxes) and of tab pages are controls of their own,
// measured in the contents' coordinates as the resize computation expects.
// While moves are deferred the window does not repaint, so one Resize
// appears as a single change.
#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

#include "app/window_resize.h"

class QWidget;

namespace kavo {

class QtResizeLayer : public ResizeLayer {
 public:
  // window is the widget the user resizes, contents the one holding the
  // controls (often the same widget).
  QtResizeLayer(QWidget* window, QWidget* contents);

  WindowRect Window() const override;
  int32_t FirstControl() const override { return 1; }
  int32_t LastControl() const override { return static_cast<int32_t>(controls_.size()); }
  int32_t ControlType(int32_t id) const override;
  WindowRect ControlRect(int32_t id) const override;
  int32_t DeferredMoves() const override { return deferred_; }
  void SetDeferredMoves(int32_t count) override;
  void MoveControl(int32_t id, const WindowRect& rect) override;
  void MoveControlKeepWidth(int32_t id, int32_t x, int32_t y, int32_t height) override;

  // The control type code of a widget.
  static int32_t TypeOf(const QWidget* widget);

 private:
  QWidget* Control(int32_t id) const;
  void Place(QWidget* control, const QRect& rect);
  void CountMove();

  QWidget* window_;
  QWidget* contents_;
  std::vector<QPointer<QWidget>> controls_;
  int32_t deferred_ = 0;
};

// WinResize for one window: Initialize when it is made, Resize on every
// resize event of the window, Destroy when it goes. Make it after the
// window's controls are placed and before INIRestoreWindow; call Resize()
// once after INIRestoreWindow.
class WindowResizer : public QObject {
 public:
  WindowResizer(QWidget* window, QWidget* contents, int32_t AppStrategy);
  ~WindowResizer() override;

  void Resize() { WinResize_.Resize(layer_); }
  const WindowResizeType& WinResize() const { return WinResize_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QtResizeLayer layer_;
  WindowResizeType WinResize_;
};

}  // namespace kavo
