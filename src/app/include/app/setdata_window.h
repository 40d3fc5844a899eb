// SETDATA, the period dialog of the period reports: the first and last date
// and the title, edited in place in D1, D2 and ZAGOL. The logic (first-use
// defaults, outcome) is in reports/setdata.h; this is its window.
#pragma once

#include <QDialog>

namespace kavo {

class PictureSpinBox;

class SetdataWindow : public QDialog {
  Q_OBJECT

 public:
  explicit SetdataWindow(QWidget* parent = nullptr);

  PictureSpinBox* first_date() const { return d1_; }
  PictureSpinBox* last_date() const { return d2_; }

 private:
  PictureSpinBox* d1_;
  PictureSpinBox* d2_;
};

// Runs the dialog modally: proposes the last 30 days on first use, keeps the
// window's placement under "SETDATA", and returns with GlobalResponse 2.
void SETDATA(QWidget* parent);

}  // namespace kavo
