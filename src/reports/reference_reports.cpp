// Layouts are written in millimetres as they are printed on A4; texts here
// are UTF-8 and become code page 1251 when the layout is built.
#include "reports/reference_reports.h"

#include <array>
#include <utility>

#include "runtime/cp1251.h"

namespace kavo::reports {
namespace {

constexpr double kRuleMm = 0.2;
constexpr double kWidth = 176;
constexpr double kLineHeight = 6;

const FontStyle kHeading{"MS Sans Serif", 10, true};
const FontStyle kDetailFont{"Arial Cyr", 9};
const FontStyle kPageNumber{"Arial Cyr", 8};

// The island columns: the field, its picture, the column's left edge and
// width, and its title. A column's rule is at its left edge.
struct IslandColumn {
  const char* field;
  const char* picture;
  double x;
  double w;
  const char* title;
};
constexpr std::array<IslandColumn, 4> kIslandColumns = {{
    {"IOT:NAIM", "s6", 0, 26, "Наименование"},
    {"IOT:PREFIKS", "s8", 26, 20, "Префикс"},
    {"IOT:TERRIT", "s60", 46, 92, "Территория"},
    {"IOT:PRIMEC", "s20", 138, 38, "Примечание"},
}};
// Fields and titles keep this distance from the rules on either side.
constexpr double kInsetMm = 1;

ReportLayout IslandLayout() {
  ReportLayout layout;
  layout.detail_area = {18, 32, kWidth, 245};

  Band header{{18, 16, kWidth, 16}, {}};
  header.elements.push_back(
      TextUtf8({0, 0, 100, 6}, "Острова IOTA группы", kHeading, TextAlign::kRight));
  header.elements.push_back(Field({102, 0, 60, 6}, "Report:Save::NA_:NAIM", "s13", kHeading));
  header.elements.push_back(LayoutBox{{0, 10, kWidth, kLineHeight}, kRuleMm, false});

  layout.detail.rect = {0, 0, kWidth, kLineHeight};
  auto& d = layout.detail.elements;
  for (const IslandColumn& c : kIslandColumns) {
    const RectMm inner{c.x + kInsetMm, 1, c.w - 2 * kInsetMm, 4};
    header.elements.push_back(TextUtf8({inner.x, 11, inner.w, 4}, c.title, {}, TextAlign::kCentre));
    d.push_back(Field(inner, c.field, c.picture, kDetailFont));
    if (c.x > 0) header.elements.emplace_back(LayoutLine{c.x, 10, c.x, 16, kRuleMm});
    d.emplace_back(LayoutLine{c.x, 0, c.x, kLineHeight, kRuleMm});
  }
  d.emplace_back(LayoutLine{kWidth, 0, kWidth, kLineHeight, kRuleMm});
  d.emplace_back(LayoutLine{0, kLineHeight, kWidth, kLineHeight, kRuleMm});
  layout.header = std::move(header);

  Band footer{{18, 279, kWidth, 6}, {}};
  footer.elements.push_back(TextUtf8({0, 1, 28, 4}, "Всего островов"));
  footer.elements.push_back(Total({28, 1, 15, 4}, FieldTotal::kCount, "n_6"));
  footer.elements.push_back(
      Total({156, 1, 20, 3}, FieldTotal::kPageCount, Cp1251FromUtf8("pСтр. <<<#p"), kPageNumber));
  layout.footer = std::move(footer);
  return layout;
}

}  // namespace

const ReportInstance& PRINTIOTA() {
  static const ReportInstance instance = [] {
    ReportInstance r;
    r.name = "PRINTIOTA";
    r.files = procedure_files::PRINTIOTA;
    r.primary = FileId::IOTA;
    r.table_name = "IOTA";
    r.saved = {{"Report:Save::NA_:NAIM", "NA_:NAIM", FileId::NA_IOTA}};
    r.key = "IOT:BEYNAIM";
    r.filter = "UPPER(IOT:FIRSTNAME) = UPPER(Report:Save::NA_:NAIM)";
    r.layout = IslandLayout();
    return r;
  }();
  return instance;
}

}  // namespace kavo::reports
