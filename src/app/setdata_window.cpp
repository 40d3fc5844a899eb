#include "app/setdata_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "app/dialog_units.h"
#include "app/picture_spin_box.h"
#include "app/qt_text.h"
#include "app/window_state_qt.h"
#include "data/globals.h"
#include "reports/setdata.h"

namespace kavo {
namespace {

// The window's texts.
constexpr char kCaption[] = "Выбор периода печати";
constexpr char kFirstPrompt[] = "Дата начала ";
constexpr char kLastPrompt[] = "Дата окончания";
constexpr char kTitlePrompt[] = "Введите заголовок отчета";
constexpr char kOk[] = "OK";
constexpr char kDatePicture[] = "D6";
constexpr char kProcedureName[] = "SETDATA";

// Positions in dialog units.
constexpr int kWindowWidth = 236;
constexpr int kWindowHeight = 111;
constexpr UnitRect kFirstPromptAt{32, 20, 44, 10};
constexpr UnitRect kFirstDate{76, 18, 60, 12};
constexpr UnitRect kLastPromptAt{32, 43, 44, 10};
constexpr UnitRect kLastDate{76, 42, 60, 12};
constexpr UnitRect kTitlePromptAt{6, 60, 140, 10};
constexpr UnitRect kTitle{5, 76, 224, 12};
constexpr UnitRect kOkButton{195, 93, 35, 14};
constexpr int kPromptGap = 2;  // between a prompt and its date box

}  // namespace

SetdataWindow::SetdataWindow(QWidget* parent)
    : QDialog(parent),
      d1_(new PictureSpinBox(kDatePicture, this)),
      d2_(new PictureSpinBox(kDatePicture, this)) {
  setWindowTitle(QString::fromUtf8(kCaption));
  const DialogUnits units(fontMetrics());
  setFixedSize(units.ToPixels(kWindowWidth, kWindowHeight));

  auto* first = new QLabel(QString::fromUtf8(kFirstPrompt), this);
  auto* last = new QLabel(QString::fromUtf8(kLastPrompt), this);
  auto* title_prompt = new QLabel(QString::fromUtf8(kTitlePrompt), this);
  auto* title = new QLineEdit(this);
  auto* ok = new QPushButton(QString::fromUtf8(kOk), this);
  units.Place(first, kFirstPromptAt);
  units.Place(d1_, kFirstDate);
  units.Place(last, kLastPromptAt);
  units.Place(d2_, kLastDate);
  units.Place(title_prompt, kTitlePromptAt);
  units.Place(title, kTitle);
  units.Place(ok, kOkButton);
  // A prompt wider than its place (the font decides) keeps its whole text;
  // the date boxes then stand after the wider prompt.
  const int prompts_right =
      std::max(first->x() + first->sizeHint().width(), last->x() + last->sizeHint().width());
  const int dates_left = prompts_right + units.ToPixelsX(kPromptGap);
  for (QLabel* prompt : {first, last}) {
    prompt->resize(std::max(prompt->width(), prompts_right - prompt->x()), prompt->height());
  }
  // A date box is as wide as the widest date in its font.
  for (PictureSpinBox* date : {d1_, d2_}) {
    if (date->x() < dates_left) date->move(dates_left, date->y());
    date->resize(std::max(date->width(), date->sizeHint().width()), date->height());
  }
  first->setBuddy(d1_);
  last->setBuddy(d2_);
  title_prompt->setBuddy(title);

  d1_->SetValue(D1.load());
  d2_->SetValue(D2.load());
  title->setMaxLength(static_cast<int>(decltype(ZAGOL)::kWidth));
  title->setText(FromCp1251(ZAGOL.Trimmed()));
  ok->setDefault(true);

  // Edits go straight into the program's variables.
  connect(d1_, &PictureSpinBox::ValueChanged, this, [](double v) { D1 = v; });
  connect(d2_, &PictureSpinBox::ValueChanged, this, [](double v) { D2 = v; });
  connect(title, &QLineEdit::textEdited, this,
          [](const QString& text) { ZAGOL.Set(ToCp1251(text)); });
  // Closing (not accepting) so that the placement is saved as for the close box.
  connect(ok, &QPushButton::clicked, this, &QWidget::close);
  new PlacementKeeper(this, kProcedureName);
}

void SETDATA(QWidget* parent) {
  reports::SETDATAStart(reports::SystemToday());
  {
    SetdataWindow window(parent);
    window.exec();
  }
  reports::SETDATAEnd();
}

}  // namespace kavo
