#include "app/picture_spin_box.h"

#include <QLineEdit>
#include <algorithm>
#include <string>

#include "app/picture_width.h"
#include "app/qt_text.h"

namespace kavo {

PictureSpinBox::PictureSpinBox(std::string_view picture, QWidget* parent)
    : QAbstractSpinBox(parent) {
  Picture::Compile(picture, &picture_);
  lineEdit()->setText(Shown());
  connect(lineEdit(), &QLineEdit::textEdited, this, &PictureSpinBox::TakeTyped);
  connect(this, &QAbstractSpinBox::editingFinished, this, [this] { lineEdit()->setText(Shown()); });
}

QString PictureSpinBox::Shown() const {
  return FromCp1251(picture_.FormatNumber(value_)).trimmed();
}

void PictureSpinBox::SetValue(double value) {
  if (value == value_ && lineEdit()->text() == Shown()) return;
  value_ = value;
  lineEdit()->setText(Shown());
  emit ValueChanged(value_);
}

QSize PictureSpinBox::sizeHint() const {
  const QSize base = QAbstractSpinBox::sizeHint();
  return {std::max(base.width(), EditWidthFor(this, WidestValueWidth(picture_, fontMetrics()))),
          base.height()};
}

// A box that cannot show a whole date is of no use: it never gets narrower.
QSize PictureSpinBox::minimumSizeHint() const {
  return {sizeHint().width(), QAbstractSpinBox::minimumSizeHint().height()};
}

void PictureSpinBox::stepBy(int steps) {
  SetValue(value_ + steps);
  selectAll();
}

void PictureSpinBox::TakeTyped(const QString& text) {
  DeformatResult r = picture_.Deformat(ToCp1251(text));
  if (r.ok() && r.number != value_) {
    value_ = r.number;
    emit ValueChanged(value_);
  }
}

QValidator::State PictureSpinBox::validate(QString& input, int&) const {
  return picture_.Deformat(ToCp1251(input)).ok() ? QValidator::Acceptable
                                                 : QValidator::Intermediate;
}

void PictureSpinBox::fixup(QString& input) const {
  input = Shown();
}

}  // namespace kavo
