#include "app/picture_width.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QStyleOptionSpinBox>
#include <algorithm>
#include <string>

#include "app/qt_text.h"
#include "runtime/picture_extent.h"

namespace kavo {
namespace {

// What a line edit keeps free beside its text: its margin on either side
// and the blinking cursor after the last character.
constexpr int kLineEditMargin = 2;
constexpr int kCursorRoom = 2;

// The letters of the widest shapes, Latin and Cyrillic, in code page 1251:
// a text picture may be filled with either.
constexpr char kWideLetters[] = {'W', 'M', '\xD8' /* Ш */, '\xD9' /* Щ */, '\xC6' /* Ж */};

template <std::size_t N>
char Widest(const QFontMetrics& metrics, const char (&candidates)[N]) {
  return *std::max_element(std::begin(candidates), std::end(candidates), [&](char a, char b) {
    return metrics.horizontalAdvance(FromCp1251(std::string_view(&a, 1))) <
           metrics.horizontalAdvance(FromCp1251(std::string_view(&b, 1)));
  });
}

}  // namespace

int WidestValueWidth(const Picture& picture, const QFontMetrics& metrics) {
  constexpr char kDigits[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
  int widest = 0;
  for (const std::string& text :
       WidestTexts(picture, Widest(metrics, kDigits), Widest(metrics, kWideLetters))) {
    widest = std::max(widest, metrics.horizontalAdvance(FromCp1251(text)));
  }
  return widest;
}

int EditWidthFor(const QWidget* edit, int text_width) {
  const QSize text(text_width + 2 * kLineEditMargin + kCursorRoom, edit->fontMetrics().height());
  QStyle* style = edit->style();
  if (auto* spin = qobject_cast<const QAbstractSpinBox*>(edit)) {
    QStyleOptionSpinBox option;
    option.initFrom(spin);
    option.frame = spin->hasFrame();
    option.buttonSymbols = spin->buttonSymbols();
    option.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField;
    if (spin->buttonSymbols() != QAbstractSpinBox::NoButtons) {
      option.subControls |= QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    }
    return style->sizeFromContents(QStyle::CT_SpinBox, &option, text, spin).width();
  }
  if (auto* combo = qobject_cast<const QComboBox*>(edit)) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    return style->sizeFromContents(QStyle::CT_ComboBox, &option, text, combo).width();
  }
  QStyleOptionFrame option;
  option.initFrom(edit);
  option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
  QMargins margins = edit->contentsMargins();
  if (auto* line = qobject_cast<const QLineEdit*>(edit)) margins += line->textMargins();
  const QSize content = text + QSize(margins.left() + margins.right(), 0);
  return style->sizeFromContents(QStyle::CT_LineEdit, &option, content, edit).width();
}

}  // namespace kavo
