// Layouts are written in millimetres as they are printed on A4; texts here
// are UTF-8 and become code page 1251 when the layout is built.
#include "reports/log_reports.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <span>
#include <utility>
#include <vector>

#include "reports/label_reports.h"
#include "runtime/cp1251.h"

namespace kavo::reports {
namespace {

constexpr double kRuleMm = 0.2;

const FontStyle kHeading{"MS Sans Serif", 10, true};
const FontStyle kPageNumber{"Arial Cyr", 8};
const FontStyle kTitleFont{"MS Sans Serif", 12};
const FontStyle kCountryFont{"MS Sans Serif", 12, true};

// The QSL card is taller than its detail area is written; the area takes the
// whole card so that each card fills one page.
constexpr double kCardHeight = 106;

// Vertical rules at `xs` from y0 to y1 of a band.
void Rules(Band* band, std::initializer_list<double> xs, double y0, double y1) {
  for (double x : xs) band->elements.emplace_back(LayoutLine{x, y0, x, y1, kRuleMm});
}

// The footer every log report prints: the running count and the page number.
Band CountFooter(const RectMm& rect) {
  Band footer{rect, {}};
  footer.elements.push_back(TextUtf8({0, 1, 28, 4}, "Всего р/связей"));
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
      TextUtf8({30, 0, 60, 5}, "Радиосвязи на диапазоне", kHeading, TextAlign::kRight));
  LayoutField band = Field({91, 0, 14, 5}, "AAA:DIAPAZ", "n5.1", kHeading);
  band.align = TextAlign::kCentre;
  header.elements.push_back(band);
  header.elements.push_back(TextUtf8({106, 0, 12, 5}, "МГц", kHeading));
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
    header.elements.push_back(TextUtf8(rect, title, {}, TextAlign::kCentre));
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
  d.emplace_back(LayoutLine{0, 7, kWidth, 7, kRuleMm});

  layout.footer = CountFooter({17, 277, 156, 6});
  return layout;
}

// One printed column of a report: a field of the log at its place in the
// detail band and the title over it. A column without a title shares the
// title of the column before it.
struct Column {
  const char* field;
  const char* picture;
  double x;
  double w;
  double y;  // in the detail band
  const char* title;
  // A title wider than its column (layout A): where it starts; it ends with
  // the column, right-aligned over the column's numbers. 0: the title sits
  // over the column, left-aligned.
  double title_left = 0;
  // A title too wide for its room between the rules (layout B): its own
  // smaller size in points. 0: the report's size.
  double title_pt = 0;
};

constexpr double kFieldHeight = 4;

void AddFields(Band* band, std::span<const Column> columns) {
  for (const Column& c : columns) {
    band->elements.push_back(Field({c.x, c.y, c.w, kFieldHeight}, c.field, c.picture));
  }
}

// Layout A: two lines per contact, the columns split by rules at 38, 75 and
// 113; the titles sit in a box of the same shape above the first band.
constexpr double kAWidth = 150;
constexpr double kAHeight = 12;
constexpr double kARules[] = {38, 75, 113};

ReportLayout LayoutA(const RectMm& area, const RectMm& header_rect, const RectMm& footer_rect,
                     std::span<const Column> columns, Band heading) {
  ReportLayout layout;
  layout.detail_area = area;
  Band header = std::move(heading);
  header.rect = header_rect;
  const double box_top = header_rect.h - kAHeight;
  header.elements.push_back(LayoutBox{{0, box_top, kAWidth, kAHeight}, kRuleMm, false});
  for (const Column& c : columns) {
    if (c.title == nullptr) continue;
    if (c.title_left > 0) {
      const double right = c.x + c.w;
      header.elements.push_back(
          TextUtf8({c.title_left, box_top + c.y, right - c.title_left, kFieldHeight}, c.title, {},
                   TextAlign::kRight));
    } else {
      header.elements.push_back(TextUtf8({c.x, box_top + c.y, c.w, kFieldHeight}, c.title));
    }
  }
  for (double x : kARules)
    header.elements.emplace_back(LayoutLine{x, box_top, x, header_rect.h, kRuleMm});
  layout.header = std::move(header);

  layout.detail.rect = {0, 0, kAWidth, kAHeight};
  AddFields(&layout.detail, columns);
  Rules(&layout.detail, {0, kARules[0], kARules[1], kARules[2], kAWidth}, 0, kAHeight);
  layout.detail.elements.emplace_back(LayoutLine{0, kAHeight, kAWidth, kAHeight, kRuleMm});
  layout.footer = CountFooter(footer_rect);
  return layout;
}

// Layout B: one line per contact, a rule between neighbouring columns; the
// titles sit in a box below the heading, one per run of columns that share
// a title.
constexpr double kBHeight = 7;

ReportLayout LayoutB(const RectMm& area, const RectMm& header_rect, const RectMm& footer_rect,
                     std::span<const Column> columns, Band heading) {
  // The rules end 4 mm inside the area, or past the last column if that
  // reaches further.
  const Column& last = columns.back();
  const double width = std::min(area.w, std::max(area.w - 4, last.x + last.w + 1));
  std::vector<double> rules;
  for (size_t i = 1; i < columns.size(); ++i) {
    rules.push_back((columns[i - 1].x + columns[i - 1].w + columns[i].x) / 2);
  }
  ReportLayout layout;
  layout.detail_area = area;
  Band header = std::move(heading);
  header.rect = header_rect;
  const double box_top = header_rect.h - 6;
  header.elements.push_back(LayoutBox{{0, box_top, width, 6}, kRuleMm, false});
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].title == nullptr) continue;
    size_t last = i;
    while (last + 1 < columns.size() && columns[last + 1].title == nullptr) ++last;
    const double left = i == 0 ? 0 : rules[i - 1];
    const double right = last + 1 == columns.size() ? width : rules[last];
    FontStyle font;
    if (columns[i].title_pt > 0) font.size_pt = columns[i].title_pt;
    header.elements.push_back(TextUtf8({left, box_top + 1, right - left, kFieldHeight},
                                       columns[i].title, font, TextAlign::kCentre));
    if (i > 0)
      header.elements.emplace_back(LayoutLine{left, box_top, left, header_rect.h, kRuleMm});
  }
  layout.header = std::move(header);

  layout.detail.rect = {0, 0, width, kBHeight};
  AddFields(&layout.detail, columns);
  layout.detail.elements.emplace_back(LayoutLine{0, 0, 0, kBHeight, kRuleMm});
  for (double x : rules)
    layout.detail.elements.emplace_back(LayoutLine{x, 0, x, kBHeight, kRuleMm});
  layout.detail.elements.emplace_back(LayoutLine{width, 0, width, kBHeight, kRuleMm});
  layout.detail.elements.emplace_back(LayoutLine{0, kBHeight, width, kBHeight, kRuleMm});
  layout.footer = CountFooter(footer_rect);
  return layout;
}

// The period reports' heading: the title from the period dialog.
Band TitleHeading() {
  Band b;
  b.elements.push_back(Field({0, 0, kAWidth, 6}, "ZAGOL", "s60", kTitleFont));
  return b;
}

constexpr double L1 = 1;  // first and second line of a layout A band
constexpr double L2 = 6;

// The band's title is twice as wide as its numbers: it takes the room that
// the N_QSO title leaves free.
constexpr double kBandTitleLeft = 54;

// Layout A's columns of the period reports, which differ in the titles of
// the callsign and the remark.
constexpr std::array<Column, 11> PeriodColumns(const char* call_title, const char* remark_title) {
  return {{
      {"AAA:POZ", "s12", 1, 35, L1, call_title},
      {"AAA:N_QSO", "n-10.0", 39, 20, L1, "N_QSO"},
      {"AAA:DIAPAZ", "n5.1", 65, 9, L1, "Диапазон", kBandTitleLeft},
      {"AAA:PREF", "s20", 76, 35, L1, "Страна"},
      {"AAA:RPT_1", "s3", 114, 10, L1, "Рапорт"},
      {"AAA:RPT_2", "s3", 140, 8, L1, nullptr},
      {"AAA:DATA", "D6", 2, 19, L2, "Дата"},
      {"AAA:TIM", "T1", 26, 11, L2, "Время"},
      {"AAA:QTH", "s22", 39, 35, L2, "QTH"},
      {"AAA:PRIMEC", "s15", 76, 35, L2, remark_title},
      {"AAA:QSL", "s5", 116, 32, L2, "QSL"},
  }};
}

constexpr auto kStranaColumns = PeriodColumns("POZ", "PRIMEC");
constexpr auto kStrana21Columns = PeriodColumns("POZ", "Примечание");

// STRANA22 adds the mode after a narrower QSL column.
constexpr std::array<Column, 12> kStrana22Columns = [] {
  const std::array<Column, 11> period = PeriodColumns("Callsign", "Примечание");
  std::array<Column, 12> columns{};
  for (size_t i = 0; i < period.size(); ++i) columns[i] = period[i];
  columns[10].w = 13;
  columns[11] = {"AAA:MODE", "s5", 137, 11, L2, "Mode"};
  return columns;
}();

constexpr Column kCountryColumns[] = {
    {"AAA:POZ", "s12", 1, 19, L1, "CALL"},
    {"AAA:N_QSO", "n-10.0", 22, 15, L1, "N_QSO"},
    {"AAA:DIAPAZ", "n4.1", 39, 35, L1, "Диапазон"},
    {"AAA:QTH", "s22", 77, 35, L1, "QTH"},
    {"AAA:PRIMEC", "s15", 114, 35, L1, "Примечание"},
    {"AAA:DATA", "D6", 1, 18, L2, "Дата"},
    {"AAA:TIM", "T1", 25, 12, L2, "Время"},
    {"AAA:RPT_1", "s3", 39, 11, L2, "Рапорт"},
    {"AAA:RPT_2", "s3", 63, 12, L2, "Рапорт"},
    {"AAA:QSL", "s5", 77, 35, 5, "QSL"},
};

// The band's title between the rules of layout B, which leave it less room
// than it takes at 10 points.
constexpr double kNarrowTitlePt = 8;

constexpr Column kModeColumns[] = {
    {"AAA:POZ", "s12", 1, 15, 2, "POZ"},
    {"AAA:N_QSO", "n-10.0", 18, 13, 2, "N_QSO"},
    {"AAA:PREF", "s20", 33, 14, 2, "Страна"},
    {"AAA:DATA", "D6", 49, 18, 2, "Дата"},
    {"AAA:TIM", "T1", 69, 10, 2, "Время"},
    {"AAA:DIAPAZ", "n5.1", 86, 10, 2, "Диапазон", 0, kNarrowTitlePt},
    {"AAA:RPT_1", "s3", 99, 10, 2, "Рапорт"},
    {"AAA:RPT_2", "s3", 113, 10, 2, nullptr},
    {"AAA:QTH", "s22", 125, 41, 2, "QTH"},
    {"AAA:QSL", "s5", 169, 10, 2, "QSL"},
};

constexpr Column kDateColumns[] = {
    {"AAA:POZ", "s12", 1, 25, 2, "CALL"},
    {"AAA:N_QSO", "n-10.0", 30, 17, 2, "N_QSO"},
    {"AAA:DATA", "D6", 49, 18, 2, "Дата"},
    {"AAA:TIM", "T1", 70, 11, 2, "Время"},
    {"AAA:DIAPAZ", "n5.1", 84, 11, 2, "Диапазон", 0, kNarrowTitlePt},
    {"AAA:RPT_1", "s3", 97, 11, 2, "Рапорт"},
    {"AAA:RPT_2", "s3", 110, 11, 2, nullptr},
    {"AAA:QTH", "s22", 124, 32, 2, "QTH"},
    {"AAA:QSL", "s5", 160, 15, 2, "QSL"},
};

// The geometry of the period reports by country order.
constexpr RectMm kStranaArea{20, 43, 178, 227};
constexpr RectMm kStranaHeader{20, 25, 178, 18};
constexpr RectMm kStranaFooter{21, 270, 176, 6};

constexpr char kPeriodFilter[] = "aaa:data>=d1 and aaa:data<=d2";

ReportInstance PeriodReport(std::string name, std::string key, std::string filter,
                            ReportLayout layout) {
  ReportInstance r;
  r.name = std::move(name);
  r.files = procedure_files::kLogReport;
  r.period_dialog = true;
  r.bound = {{"d1", SelectionVar::kD1}, {"d2", SelectionVar::kD2}, {"ZAGOL", SelectionVar::kZAGOL}};
  r.key = std::move(key);
  r.filter = std::move(filter);
  r.layout = std::move(layout);
  return r;
}

ReportInstance SelectionReport(std::string name, SavedSelection saved, std::string key,
                               std::string filter, ReportLayout layout) {
  ReportInstance r;
  r.name = std::move(name);
  r.files = procedure_files::kLogReport;
  r.saved = {std::move(saved)};
  r.key = std::move(key);
  r.filter = std::move(filter);
  r.layout = std::move(layout);
  return r;
}

// The QSL card: one contact per card, the station's record beside it.
ReportLayout CardLayout() {
  const FontStyle kRussia{"Courier New", 18, true};
  const FontStyle kCall{"Bookman Old Style", 48, true};
  const FontStyle kLoc{"Courier New", 12, true, true};
  const FontStyle kGridTitle{"Arial", 10, true};
  const FontStyle kSmall{"Times New Roman", 10, true};
  const FontStyle kOp{"Times New Roman", 12, true, false, true};
  const FontStyle kName{"MS Sans Serif", 10, false, false, true};
  ReportLayout layout;
  layout.detail_area = {0, 10, 140, kCardHeight};
  layout.detail.rect = {0, 0, 140, kCardHeight};
  auto& d = layout.detail.elements;
  d.push_back(TextUtf8({55, 6, 30, 8}, "RUSSIA", kRussia));
  d.push_back(Field({14, 14, 106, 17}, "SET:CALLSIGN", "s6", kCall));
  d.push_back(TextUtf8({13, 36, 20, 5}, "TO RADIO"));
  d.emplace_back(LayoutLine{33, 40, 66, 40, kRuleMm});
  d.push_back(TextUtf8({100, 36, 10, 6}, "LOC", kLoc));
  d.push_back(Field({110, 36, 20, 6}, "SET:LOC", "s6", kLoc));
  for (double y : {45.0, 55.0, 69.0}) d.emplace_back(LayoutLine{7, y, 121, y, kRuleMm});
  for (double x : {33.0, 54.0, 76.0, 97.0}) d.emplace_back(LayoutLine{x, 45, x, 69, kRuleMm});
  const std::array<std::pair<RectMm, const char*>, 5> titles = {{
      {{8, 48, 24, 5}, "Date"},
      {{37, 48, 16, 5}, "Time"},
      {{58, 48, 17, 5}, "Band"},
      {{80, 48, 16, 5}, "Mode"},
      {{104, 47, 16, 5}, "RST"},
  }};
  for (const auto& [rect, title] : titles) d.push_back(TextUtf8(rect, title, kGridTitle));
  d.push_back(Field({8, 58, 24, 5}, "AAA:DATA", "D6"));
  d.push_back(Field({37, 58, 16, 5}, "AAA:TIM", "T1"));
  d.push_back(Field({58, 58, 17, 5}, "AAA:DIAPAZ", "n5.1"));
  d.push_back(Field({80, 58, 16, 5}, "AAA:MODE", "s5"));
  d.push_back(Field({104, 58, 16, 5}, "AAA:RPT_1", "s3"));
  d.push_back(TextUtf8({8, 72, 118, 5}, "PSE /  TNX  QSL DIRECT OR VIA  QSL-BUREAU", kSmall));
  d.push_back(TextUtf8({7, 78, 121, 6}, "SRR P.O. BOX 59, Moskow 105122, RUSSIA, EUROPE.", kSmall));
  d.push_back(TextUtf8({6, 85, 15, 5}, "VY  73 !", kSmall));
  d.push_back(TextUtf8({21, 84, 7, 6}, "op.", kOp));
  d.push_back(Field({28, 85, 27, 5}, "SET:IMJA", "s12", kName));
  d.push_back(Field({56, 85, 40, 5}, "SET:FAM", "s15", kName));
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

const ReportInstance& STRANA21() {
  static const ReportInstance instance = [] {
    ReportInstance r = PeriodReport(
        "STRANA21", "AAA:BEY_PR",
        "UPPER(AAA:pr) = UPPER(Report:Save::AAA:pr) AND (aaa:data>=d1 and aaa:data<=d2)",
        LayoutA({21, 28, 178, 242}, {22, 10, 178, 18}, {21, 270, 176, 6}, kStrana21Columns,
                TitleHeading()));
    r.saved = {{"Report:Save::AAA:pr", "AAA:PR"}};
    return r;
  }();
  return instance;
}

const ReportInstance& STRANA22() {
  static const ReportInstance instance =
      PeriodReport("STRANA22", "AAA:BEY_MODEDIA", kPeriodFilter,
                   LayoutA({19, 29, 178, 242}, {19, 11, 178, 18}, {19, 271, 178, 6},
                           kStrana22Columns, TitleHeading()));
  return instance;
}

const ReportInstance& PRINTAAA_BEY_SS() {
  static const ReportInstance instance = [] {
    Band heading;
    heading.elements.push_back(
        TextUtf8({0, 0, 40, 6}, "Радиосвязи с ", kCountryFont, TextAlign::kRight));
    heading.elements.push_back(Field({40, 0, 60, 6}, "AAA:PREF", "s20", kCountryFont));
    return SelectionReport("PRINTAAA:BEY_SS", {"Report:Save::AAA:PREF", "AAA:PREF"}, "AAA:BEY_SS",
                           "UPPER(AAA:PREF) = UPPER(Report:Save::AAA:PREF)",
                           LayoutA({20, 34, 178, 240}, {20, 15, 178, 19}, {20, 275, 150, 6},
                                   kCountryColumns, std::move(heading)));
  }();
  return instance;
}

const ReportInstance& PRINTMODE() {
  static const ReportInstance instance = [] {
    Band heading;
    heading.elements.push_back(
        TextUtf8({30, 0, 60, 5}, "Вид модуляции", kHeading, TextAlign::kRight));
    heading.elements.push_back(Field({92, 0, 20, 5}, "AAA:MODE", "s5", kHeading));
    return SelectionReport("PRINTMODE", {"Report:Save::AAA:MODE", "AAA:MODE"}, "AAA:BEY_MODE",
                           "UPPER(AAA:MODE) = UPPER(Report:Save::AAA:MODE)",
                           LayoutB({20, 39, 180, 210}, {20, 25, 180, 14}, {20, 250, 180, 6},
                                   kModeColumns, std::move(heading)));
  }();
  return instance;
}

const ReportInstance& PRINTAAA_BEY_D() {
  static const ReportInstance instance = [] {
    Band heading;
    heading.elements.push_back(Field({0, 0, 176, 6}, "ZAGOL", "s60", kTitleFont));
    return PeriodReport("PRINTAAA:BEY_D", "AAA:BEY_D", "AAA:DATA >= d1 AND AAA:DATA <= d2",
                        LayoutB({20, 22, 181, 253}, {20, 8, 179, 14}, {20, 275, 179, 6},
                                kDateColumns, std::move(heading)));
  }();
  return instance;
}

const ReportInstance& STRANA() {
  static const ReportInstance instance = PeriodReport(
      "STRANA", "AAA:BEY_SS", kPeriodFilter,
      LayoutA(kStranaArea, kStranaHeader, kStranaFooter, kStranaColumns, TitleHeading()));
  return instance;
}

const ReportInstance& STRANA1() {
  static const ReportInstance instance = PeriodReport(
      "STRANA1", "AAA:BEY_SPDT", kPeriodFilter,
      LayoutA(kStranaArea, kStranaHeader, kStranaFooter, kStranaColumns, TitleHeading()));
  return instance;
}

const ReportInstance& STRANA2() {
  static const ReportInstance instance = PeriodReport(
      "STRANA2", "AAA:BEY_SDIA", kPeriodFilter,
      LayoutA(kStranaArea, kStranaHeader, kStranaFooter, kStranaColumns, TitleHeading()));
  return instance;
}

const ReportInstance& REPORTQSL() {
  static const ReportInstance instance = [] {
    ReportInstance r;
    r.name = "REPORTQSL";
    r.files = procedure_files::REPORTQSL;
    r.station = FileId::SETUP;
    r.table_name = "SETUP";
    r.bound = {{"qso", SelectionVar::kQSO}};
    r.key = "AAA:BEY_N";
    r.filter = "AAA:N_QSO = qso";
    r.layout = CardLayout();
    return r;
  }();
  return instance;
}

std::span<const ReportInstance* const> LogReports() {
  static const std::array<const ReportInstance*, 12> reports = {
      &STRANA21(), &STRANA22(), &PRINTAAA_BEY_SS(), &PRINTDIAP(), &PRINTMODE(),  &PRINTAAA_BEY_D(),
      &STRANA(),   &STRANA1(),  &STRANA2(),         &REPORTQSL(), &PECAT_NAKL(), &PEC1_NAKL()};
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
