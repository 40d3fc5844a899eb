#include "app/window_state_qt.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QScreen>
#include <QWidget>

namespace kavo {
namespace {

// A top-level window put where no screen shows its top-left corner could not
// be reached by the user (a screen removed since it was saved): it stays at
// its design place instead. Child windows are kept in view by their area.
bool Reachable(const QWidget* window, int32_t x, int32_t y) {
  if (!window->isWindow()) return true;
  const QRect corner(x, y, 40, 20);
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersects(corner)) return true;
  }
  return false;
}

bool Away(const QWidget* window) {
  return window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized);
}

WindowRect FramePlacement(const QWidget* window) {
  return {window->x(), window->y(), window->width(), window->height()};
}

}  // namespace

NormalPlacement* NormalPlacement::Of(QWidget* window) {
  auto* found = window->findChild<NormalPlacement*>(QString(), Qt::FindDirectChildrenOnly);
  return found != nullptr ? found : new NormalPlacement(window);
}

NormalPlacement::NormalPlacement(QWidget* window) : QObject(window), window_(window) {
  if (window_->isVisible() && !Away(window_)) Set(FramePlacement(window_));
  window_->installEventFilter(this);
}

void NormalPlacement::Set(const WindowRect& placement) {
  last_ = placement;
  known_ = true;
}

bool NormalPlacement::eventFilter(QObject* watched, QEvent* event) {
  const bool moved = event->type() == QEvent::Move || event->type() == QEvent::Resize;
  if (watched == window_ && moved && window_->isVisible() && !Away(window_)) {
    Set(FramePlacement(window_));
  }
  return false;
}

QtPlacedWindow::QtPlacedWindow(QWidget* window) : window_(window) {
  if (window_->isWindow()) NormalPlacement::Of(window_);
}

bool QtPlacedWindow::IsMaximized() const {
  return window_->isMaximized();
}

bool QtPlacedWindow::IsMinimized() const {
  return window_->isMinimized();
}

void QtPlacedWindow::SetMaximized(bool maximized) {
  Qt::WindowStates state = window_->windowState();
  window_->setWindowState(maximized ? (state | Qt::WindowMaximized)
                                    : (state & ~Qt::WindowMaximized));
}

bool QtPlacedWindow::IsResizable() const {
  auto fixed = [](const QWidget* w) { return w->minimumSize() == w->maximumSize(); };
  if (fixed(window_)) return false;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(window_); sub && sub->widget()) {
    return !fixed(sub->widget());
  }
  return true;
}

WindowRect QtPlacedWindow::Placement() const {
  const bool away = Away(window_);
  if (window_->isWindow() && away) {
    const NormalPlacement* normal = NormalPlacement::Of(window_);
    if (normal->known()) return normal->placement();
  }
  if (window_->isWindow() && away && !window_->normalGeometry().isNull()) {
    // normalGeometry() excludes the frame that pos() includes.
    QRect normal = window_->normalGeometry();
    QPoint frame_offset = window_->geometry().topLeft() - window_->pos();
    return {normal.x() - frame_offset.x(), normal.y() - frame_offset.y(), normal.width(),
            normal.height()};
  }
  return {window_->x(), window_->y(), window_->width(), window_->height()};
}

void QtPlacedWindow::MoveTo(int32_t x, int32_t y) {
  if (!Reachable(window_, x, y)) return;
  window_->move(x, y);
  if (window_->isWindow())
    NormalPlacement::Of(window_)->Set({x, y, window_->width(), window_->height()});
}

void QtPlacedWindow::SetPlacement(const WindowRect& placement) {
  if (!Reachable(window_, placement.XPos, placement.YPos)) return;
  window_->move(placement.XPos, placement.YPos);
  window_->resize(placement.Width, placement.Height);
  if (window_->isWindow()) NormalPlacement::Of(window_)->Set(placement);
}

PlacementKeeper::PlacementKeeper(QWidget* window, std::string ProcedureName,
                                 std::string IniFileName)
    : QObject(window),
      window_(window),
      ProcedureName_(std::move(ProcedureName)),
      IniFileName_(std::move(IniFileName)) {
  QtPlacedWindow placed(window_);
  INIRestoreWindow(ProcedureName_, IniFileName_, placed);
  window_->installEventFilter(this);
}

bool PlacementKeeper::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Close) {
    QtPlacedWindow placed(window_);
    INISaveWindow(ProcedureName_, IniFileName_, placed);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kavo
