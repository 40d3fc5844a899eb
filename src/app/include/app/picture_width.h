// Widths that let an edit show every value of its display picture whole:
// the widest value (runtime/picture_extent.h) measured in the edit's font,
// plus what the edit's style draws around its text. Every window that sizes
// an edit from a picture asks here, so a date box is never a digit short in
// one form and right in another.
#pragma once

#include <QFontMetrics>

#include "runtime/picture.h"

class QWidget;

namespace kavo {

// Pixels of the widest value `picture` shows in the font of `metrics`.
int WidestValueWidth(const Picture& picture, const QFontMetrics& metrics);

// Outer width an edit (a line edit, a combo box or a spin box) needs to show
// a text `text_width` pixels wide, by the edit's style.
int EditWidthFor(const QWidget* edit, int text_width);

}  // namespace kavo
