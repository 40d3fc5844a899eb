#include "app/label_menu_window.h"

#include <QPushButton>
#include <utility>

#include "app/dialog_units.h"
#include "app/window_state_qt.h"

namespace kavo {
namespace {

using reports::LabelMenuButton;

// The window's texts.
constexpr char kCaption[] = "Выбор варианта печати наклеек";
constexpr char kTwoAcross[] = "В 2 ряда";
constexpr char kThreeAcross[] = "В 3 ряда";
constexpr char kCancel[] = "Отмена";
constexpr char kProcedureName[] = "menurec";

// Positions in dialog units.
constexpr int kWindowWidth = 181;
constexpr int kWindowHeight = 100;
constexpr UnitRect kTwoAcrossAt{50, 14, 81, 18};
constexpr UnitRect kThreeAcrossAt{50, 38, 81, 18};
constexpr UnitRect kCancelAt{50, 72, 81, 16};

}  // namespace

LabelMenuWindow::LabelMenuWindow(reports::LabelMenu& menu, QWidget* parent)
    : QDialog(parent),
      two_across_(new QPushButton(QString::fromUtf8(kTwoAcross), this)),
      three_across_(new QPushButton(QString::fromUtf8(kThreeAcross), this)),
      cancel_(new QPushButton(QString::fromUtf8(kCancel), this)) {
  setWindowTitle(QString::fromUtf8(kCaption));
  const DialogUnits units(fontMetrics());
  setFixedSize(units.ToPixels(kWindowWidth, kWindowHeight));
  units.Place(two_across_, kTwoAcrossAt);
  units.Place(three_across_, kThreeAcrossAt);
  units.Place(cancel_, kCancelAt);
  two_across_->setDefault(true);

  for (LabelMenuButton which :
       {LabelMenuButton::kBUTTON3, LabelMenuButton::kBUTTON2, LabelMenuButton::kBUTTON1}) {
    connect(button(which), &QPushButton::clicked, this, [this, &menu, which] {
      // Closing (not rejecting) so that the placement is saved as for the
      // close box.
      if (!menu.Accepted(which)) close();
    });
  }
  new PlacementKeeper(this, kProcedureName);
}

QPushButton* LabelMenuWindow::button(LabelMenuButton which) const {
  switch (which) {
    case LabelMenuButton::kBUTTON3:
      return two_across_;
    case LabelMenuButton::kBUTTON2:
      return three_across_;
    case LabelMenuButton::kBUTTON1:
      break;
  }
  return cancel_;
}

void menurec(QWidget* parent, reports::LabelMenu::Runner run) {
  reports::LabelMenu menu(std::move(run));
  {
    LabelMenuWindow window(menu, parent);
    window.exec();
  }
  menu.End();
}

}  // namespace kavo
