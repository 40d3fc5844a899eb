// Layouts are written in millimetres as they are printed on A4; texts here
// are UTF-8 and become code page 1251 when the layout is built.
#include "reports/log_reports.h"

#include <strings.h>

#include <array>
#include <initializer_list>

#include "runtime/cp1251.h"

namespace kavo::reports {
namespace {

constexpr double kRuleMm = 0.2;

const FontSpec kHeading{"MS Sans Serif", 10, true};
const FontSpec kPageNumber{"Arial Cyr", 8};

LayoutText W(const RectMm& rect, std::string_view utf8, const FontSpec& font = {},
             TextAlign align = TextAlign::kLeft) {
  return Text(rect, Cp1251FromUtf8(utf8), font, align);
}

// Vertical rules at `xs` from y0 to y1 of a band.
void Rules(Band* band, std::initializer_list<double> xs, double y0, double y1) {
  for (double x : xs) band->elements.push_back(LayoutLine{x, y0, x, y1, kRuleMm});
}

// The footer every log report prints: the running count and the page number.
Band CountFooter(const RectMm& rect) {
  Band footer{rect, {}};
  footer.elements.push_back(W({0, 1, 28, 4}, "Всего р/связей"));
  footer.elements.push_back(Total({28, 1, 15, 4}, FieldTotal::kCount, "n_6"));
  footer.elements.push_back(
      Total({131, 1, 17, 3}, FieldTotal::kPageCount, Cp1251FromUtf8("pСтр. <<<#p"), kPageNumber));
  return footer;
}

ReportLayout PrintdiapLayout() {
  // Column rules of the detail band and of the titles' box; both end at the
  // band's right edge.
  constexpr double kWidth = 176;
  ReportLayout layout;
  layout.detail_area = {18, 30, 179, 247};

  Band header{{18, 16, 180, 14}, {}};
  header.elements.push_back(
      W({30, 0, 60, 5}, "Радиосвязи на диапазоне", kHeading, TextAlign::kRight));
  LayoutField band = Field({91, 0, 14, 5}, "AAA:DIAPAZ", "n5.1", kHeading);
  band.align = TextAlign::kCentre;
  header.elements.push_back(band);
  header.elements.push_back(W({106, 0, 12, 5}, "МГц", kHeading));
  header.elements.push_back(LayoutBox{{0, 8, kWidth, 6}, kRuleMm, false});
  const std::array<std::pair<RectMm, const char*>, 8> titles = {{
      {{0, 9, 21, 4}, "CALL"},
      {{21, 9, 16.5, 4}, "N_QSO"},
      {{37.5, 9, 20.5, 4}, "Страна"},
      {{58, 9, 20.5, 4}, "Дата"},
      {{78.5, 9, 13.5, 4}, "Время"},
      {{92, 9, 23.5, 4}, "Рапорт"},
      {{115.5, 9, 45, 4}, "QTH"},
      {{160.5, 9, 15.5, 4}, "QSL"},
  }};
  for (const auto& [rect, title] : titles) {
    header.elements.push_back(W(rect, title, {}, TextAlign::kCentre));
  }
  Rules(&header, {21, 37.5, 58, 78.5, 92, 115.5, 160.5}, 8, 14);
  layout.header = header;

  layout.detail.rect = {0, 0, kWidth, 7};
  auto& d = layout.detail.elements;
  d.push_back(Field({1, 1, 19, 4}, "AAA:POZ", "s12"));
  d.push_back(Field({22, 2, 14, 4}, "AAA:N_QSO", "n-10.0"));
  d.push_back(Field({39, 2, 18, 4}, "AAA:PREF", "s20"));
  d.push_back(Field({59, 2, 18, 4}, "AAA:DATA", "D6"));
  d.push_back(Field({80, 2, 11, 4}, "AAA:TIM", "T1"));
  d.push_back(Field({93, 2, 8, 4}, "AAA:RPT_1", "s3"));
  d.push_back(Field({105, 2, 9, 4}, "AAA:RPT_2", "s3"));
  d.push_back(Field({117, 2, 41, 4}, "AAA:QTH", "s22"));
  d.push_back(Field({163, 2, 11, 4}, "AAA:QSL", "s5"));
  Rules(&layout.detail, {0, 21, 37.5, 58, 78.5, 92, 103, 115.5, 160.5, kWidth}, 0, 7);
  d.push_back(LayoutLine{0, 7, kWidth, 7, kRuleMm});

  layout.footer = CountFooter({17, 277, 156, 6});
  return layout;
}

}  // namespace

const ReportInstance& PRINTDIAP() {
  static const ReportInstance instance = [] {
    ReportInstance r;
    r.name = "PRINTDIAP";
    r.files = procedure_files::PRINTDIAP;
    r.bound = {{"diapaz", SelectionVar::kDIAPAZ}};
    r.key = "AAA:BEY_DIAP";
    r.filter = "AAA:DIAPAZ = diapaz";
    r.layout = PrintdiapLayout();
    return r;
  }();
  return instance;
}

std::span<const ReportInstance* const> LogReports() {
  static const std::array<const ReportInstance*, 1> reports = {&PRINTDIAP()};
  return reports;
}

const ReportInstance* FindLogReport(std::string_view name) {
  for (const ReportInstance* r : LogReports()) {
    if (r->name.size() == name.size() &&
        ::strncasecmp(r->name.data(), name.data(), name.size()) == 0) {
      return r;
    }
  }
  return nullptr;
}

}  // namespace kavo::reports
