// The fonts that report layouts name, mapped to installed fonts with the
// same character widths, so that text laid out in millimetres keeps its
// place: "Arial" to Liberation Sans, "Times New Roman" to Liberation Serif,
// "Courier New" to Liberation Mono (each also with its "Cyr" name), the
// small "Small Fonts" to Liberation Sans Narrow and "Fixedsys" to a
// monospace. The mapping goes through Qt's font substitution, so every
// widget and painter of the program uses it.
#pragma once

#include <QFont>

#include "reports/page_image.h"

namespace kavo {

// Installs the substitutions. Idempotent; the program calls it at start.
void InstallReportFonts();

// The font of a page text for a painter whose unit is 1 / units_per_mm of
// a millimetre.
QFont ReportFont(const reports::PageText& text, double units_per_mm);

}  // namespace kavo
