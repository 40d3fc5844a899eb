// menurec, the label menu "Выбор варианта печати наклеек": a window of three
// buttons over reports::LabelMenu. A sheet runs while the menu waits and the
// menu stays open afterwards; "Отмена" and the close box end it. Its
// placement is kept under "menurec".
#pragma once

#include <QDialog>

#include "reports/label_menu.h"

class QPushButton;

namespace kavo {

class LabelMenuWindow : public QDialog {
  Q_OBJECT

 public:
  LabelMenuWindow(reports::LabelMenu& menu, QWidget* parent = nullptr);

  QPushButton* button(reports::LabelMenuButton which) const;

 private:
  QPushButton* two_across_;
  QPushButton* three_across_;
  QPushButton* cancel_;
};

// Runs the menu modally; `run` runs a chosen sheet to its end.
void menurec(QWidget* parent, reports::LabelMenu::Runner run);

}  // namespace kavo
