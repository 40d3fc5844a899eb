#include "app/progress_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/dialog_units.h"

namespace kavo {

namespace {

// Positions in dialog units.
constexpr UnitRect kWindow{0, 0, 142, 59};
constexpr UnitRect kUserString{0, 3, 141, 10};
constexpr UnitRect kThermometer{15, 15, 111, 12};
constexpr UnitRect kPctText{0, 30, 141, 10};
constexpr UnitRect kCancel{45, 42, 50, 15};

}  // namespace

ProgressWindow::ProgressWindow(const QString& caption, QWidget* parent)
    : QDialog(parent),
      user_string_(new QLabel(this)),
      thermometer_(new QProgressBar(this)),
      pct_text_(new QLabel(this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
  setWindowTitle(caption);
  setModal(true);
  const DialogUnits units(fontMetrics());
  setFixedSize(units.ToPixels(kWindow.w, kWindow.h));
  units.Place(user_string_, kUserString);
  units.Place(thermometer_, kThermometer);
  units.Place(pct_text_, kPctText);
  units.Place(cancel_, kCancel);
  user_string_->setAlignment(Qt::AlignCenter);
  pct_text_->setAlignment(Qt::AlignCenter);
  thermometer_->setRange(0, 100);
  thermometer_->setValue(0);
  thermometer_->setTextVisible(false);
  connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::CancelRequested);
}

void ProgressWindow::SetUserString(const QString& text) {
  user_string_->setText(text);
}
void ProgressWindow::SetPctText(const QString& text) {
  pct_text_->setText(text);
}
void ProgressWindow::SetThermometer(int percent) {
  thermometer_->setValue(percent);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  emit CancelRequested();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit CancelRequested();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace kavo
