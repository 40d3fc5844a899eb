#include "app/report_fonts.h"

#include "app/qt_text.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>

namespace kavo {

namespace {

constexpr double kMmPerPoint = 25.4 / 72.0;

struct Substitution {
  const char* face;
  std::array<const char*, 2> installed;  // in order of preference
};

constexpr std::array<Substitution, 12> kSubstitutions = {{
    {"Arial", {"Liberation Sans", "DejaVu Sans"}},
    {"Arial Cyr", {"Liberation Sans", "DejaVu Sans"}},
    {"MS Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
    {"Times New Roman", {"Liberation Serif", "DejaVu Serif"}},
    {"Times New Roman Cyr", {"Liberation Serif", "DejaVu Serif"}},
    {"Courier New", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"Courier New Cyr", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"Courier", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"Small Fonts", {"Liberation Sans Narrow", "DejaVu Sans Condensed"}},
    {"Fixedsys", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"Terminal", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"MS Serif", {"Liberation Serif", "DejaVu Serif"}},
}};

}  // namespace

void InstallReportFonts() {
  for (const Substitution& entry : kSubstitutions) {
    const QString face = QString::fromLatin1(entry.face);
    QFont::removeSubstitutions(face);
    QFont::insertSubstitutions(
        face, {QString::fromLatin1(entry.installed[0]), QString::fromLatin1(entry.installed[1])});
  }
}

QFont ReportFont(const reports::PageText& text, double units_per_mm) {
  QFont font(FromCp1251(text.face));
  // The same widths on the screen, the printer and in PDF: no hinting.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setPixelSize(
      std::max(1, static_cast<int>(std::lround(text.size_pt * kMmPerPoint * units_per_mm))));
  font.setBold(text.bold);
  font.setItalic(text.italic);
  font.setUnderline(text.underline);
  return font;
}

}  // namespace kavo
