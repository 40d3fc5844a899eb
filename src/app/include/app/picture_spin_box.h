// A spin box over a number shown through a display picture, such as the
// period dialog's dates ("D6"): the arrows step the number by one, typed
// text is read back through the picture, and text that does not fit the
// picture is not taken (the box shows the last good value again when it
// loses the focus). No range limits. Its size hint fits the widest value
// the picture shows, in the box's font.
#pragma once

#include <QAbstractSpinBox>
#include <string_view>

#include "runtime/picture.h"

namespace kavo {

class PictureSpinBox : public QAbstractSpinBox {
  Q_OBJECT

 public:
  // picture: the picture text in code page 1251.
  explicit PictureSpinBox(std::string_view picture, QWidget* parent = nullptr);

  double value() const { return value_; }
  void SetValue(double value);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

 signals:
  // Emitted for every new value, typed or stepped.
  void ValueChanged(double value);

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

 private:
  void TakeTyped(const QString& text);
  QString Shown() const;

  Picture picture_;
  double value_ = 0;
};

}  // namespace kavo
