#include "app/window_resize_qt.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QWidget>

namespace kavo {
namespace {

bool ManagedByLayout(const QWidget* child) {
  const QWidget* parent = child->parentWidget();
  return parent && parent->layout() && parent->layout()->indexOf(child) >= 0;
}

// Widgets whose children are controls of the window rather than parts of a
// compound control.
bool IsContainer(const QWidget* w) {
  const QMetaObject* type = w->metaObject();
  return type == &QWidget::staticMetaObject || type == &QFrame::staticMetaObject ||
         type == &QGroupBox::staticMetaObject;
}

void Collect(QWidget* parent, std::vector<QPointer<QWidget>>& out) {
  for (QObject* object : parent->children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (!child || child->isWindow() || ManagedByLayout(child)) continue;
    out.emplace_back(child);
    if (auto* tabs = qobject_cast<QTabWidget*>(child)) {
      for (int i = 0; i < tabs->count(); ++i) Collect(tabs->widget(i), out);
    } else if (IsContainer(child)) {
      Collect(child, out);
    }
  }
}

}  // namespace

QtResizeLayer::QtResizeLayer(QWidget* window, QWidget* contents)
    : window_(window), contents_(contents) {
  Collect(contents_, controls_);
}

int32_t QtResizeLayer::TypeOf(const QWidget* widget) {
  if (qobject_cast<const QCheckBox*>(widget)) return control_type::kCheck;
  if (qobject_cast<const QRadioButton*>(widget)) return control_type::kRadio;
  if (qobject_cast<const QAbstractButton*>(widget)) return control_type::kButton;
  if (qobject_cast<const QLineEdit*>(widget)) return control_type::kEntry;
  if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
    return combo->isEditable() ? control_type::kCombo : control_type::kDropList;
  }
  if (qobject_cast<const QAbstractSpinBox*>(widget)) return control_type::kSpin;
  if (qobject_cast<const QLabel*>(widget)) return control_type::kString;
  return control_type::kOther;
}

WindowRect QtResizeLayer::Window() const {
  return {window_->x(), window_->y(), contents_->width(), contents_->height()};
}

QWidget* QtResizeLayer::Control(int32_t id) const {
  if (id < 1 || id > LastControl()) return nullptr;
  return controls_[static_cast<std::size_t>(id - 1)].data();
}

int32_t QtResizeLayer::ControlType(int32_t id) const {
  QWidget* control = Control(id);
  return control ? TypeOf(control) : control_type::kNone;
}

WindowRect QtResizeLayer::ControlRect(int32_t id) const {
  QWidget* control = Control(id);
  if (!control) return {};
  QPoint at = control->mapTo(contents_, QPoint(0, 0));
  return {at.x(), at.y(), control->width(), control->height()};
}

void QtResizeLayer::SetDeferredMoves(int32_t count) {
  deferred_ = count;
  window_->setUpdatesEnabled(count <= 0);
}

void QtResizeLayer::CountMove() {
  if (deferred_ > 0 && --deferred_ == 0) window_->setUpdatesEnabled(true);
}

void QtResizeLayer::Place(QWidget* control, const QRect& rect) {
  // The parent has already been moved: controls come after their container.
  QWidget* parent = control->parentWidget();
  QPoint origin = parent == contents_ ? QPoint(0, 0) : parent->mapTo(contents_, QPoint(0, 0));
  control->setGeometry(rect.translated(-origin));
}

void QtResizeLayer::MoveControl(int32_t id, const WindowRect& rect) {
  if (QWidget* control = Control(id)) {
    Place(control, QRect(rect.XPos, rect.YPos, rect.Width, rect.Height));
  }
  CountMove();
}

void QtResizeLayer::MoveControlKeepWidth(int32_t id, int32_t x, int32_t y, int32_t height) {
  if (QWidget* control = Control(id)) Place(control, QRect(x, y, control->width(), height));
  CountMove();
}

WindowResizer::WindowResizer(QWidget* window, QWidget* contents, int32_t AppStrategy)
    : QObject(window), layer_(window, contents) {
  WinResize_.Initialize(layer_, AppStrategy);
  window->installEventFilter(this);
}

WindowResizer::~WindowResizer() {
  WinResize_.Destroy();
}

bool WindowResizer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) Resize();
  return QObject::eventFilter(watched, event);
}

}  // namespace kavo
