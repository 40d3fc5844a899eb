#include "reports/text_viewer_print.h"

#include <array>
#include <cstring>

#include "reports/layout_engine.h"

namespace kavo::reports {

namespace {

constexpr double kMmPerMil = 0.0254;  // a thousandth of an inch
constexpr double kMmPerPoint = 25.4 / 72;

// Positions of the layout in thousandths of an inch.
constexpr RectMm kDetailAreaMil{1000, 2500, 6000, 6000};
constexpr double kBandHeightMil = 167;
constexpr double kFieldXMil = 104;

constexpr char kFieldName[] = "ASC1:STRING";
constexpr char kFieldPicture[] = "s255";
constexpr size_t kFieldWidth = 255;
constexpr char kFont[] = "Fixedsys";
constexpr double kFontPoints = 9;
// Advance of one character of the fixed-pitch font that stands for
// "Fixedsys", as a share of its size.
constexpr double kAdvanceEm = 0.6;
// The layout engine cuts blanks at both ends of a field's text; no-break
// spaces (code page 1251) keep a line's indentation.
constexpr char kNoBreakSpace = '\xA0';

double Mm(double mil) {
  return mil * kMmPerMil;
}

}  // namespace

ReportLayout AsciiReportLayout() {
  ReportLayout layout;
  layout.detail_area = {Mm(kDetailAreaMil.x), Mm(kDetailAreaMil.y), Mm(kDetailAreaMil.w),
                        Mm(kDetailAreaMil.h)};
  layout.detail.rect = {0, 0, layout.detail_area.w, Mm(kBandHeightMil)};
  FontStyle font;
  font.face = kFont;
  font.size_pt = kFontPoints;
  layout.detail.elements.push_back(
      Field({Mm(kFieldXMil), 0, layout.detail_area.w - Mm(kFieldXMil), Mm(kBandHeightMil)},
            kFieldName, kFieldPicture, font));
  return layout;
}

int AsciiPrintColumns() {
  const double field_mm = Mm(kDetailAreaMil.w) - Mm(kFieldXMil);
  return static_cast<int>(field_mm / (kAdvanceEm * kFontPoints * kMmPerPoint));
}

std::vector<std::string> AsciiPrintBands(const std::string& line) {
  std::string expanded;
  for (char c : line) {
    if (c == '\t') {
      expanded.append(kTabColumns - expanded.size() % kTabColumns, ' ');
    } else {
      expanded.push_back(c);
    }
  }
  const size_t columns = static_cast<size_t>(AsciiPrintColumns());
  std::vector<std::string> bands;
  for (size_t at = 0; at < expanded.size(); at += columns) {
    bands.push_back(expanded.substr(at, columns));
  }
  if (bands.empty()) bands.emplace_back();
  return bands;
}

Status LayOutAsciiLines(const std::vector<std::string>& lines, PrintPreviewQueue* queue) {
  std::array<char, kFieldWidth> ASC1_STRING;
  LayoutEngine engine;
  KAVO_RETURN_IF_ERROR(
      engine.Open(AsciiReportLayout(), [&](std::string_view name, expr::VarRef* out) {
        if (name != kFieldName) return false;
        *out = expr::VarRef::String(ASC1_STRING.data(), kFieldWidth);
        return true;
      }));
  engine.DirectPages(queue);
  for (const std::string& line : lines) {
    for (std::string band : AsciiPrintBands(line)) {
      const size_t indent = band.find_first_not_of(' ');
      for (size_t i = 0; i < band.size() && i < indent; ++i) band[i] = kNoBreakSpace;
      ASC1_STRING.fill(' ');
      std::memcpy(ASC1_STRING.data(), band.data(), std::min(band.size(), kFieldWidth));
      const Status status = engine.PrintDetail();
      if (!status.ok()) {
        engine.Close();
        return status;
      }
    }
  }
  const Status status = engine.FinishPage();
  engine.Close();
  return status;
}

}  // namespace kavo::reports
