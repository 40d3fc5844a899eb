#include "log/browse_aaaa.h"

#include "data/dict_records.h"
#include "data/globals.h"
#include "data/standard_warning.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"

namespace kavo {

namespace {

using namespace browse_aaaa;

constexpr const char* kColumnFields[] = {"",          "AAA:POZ",  "AAA:N_QSO",  "AAA:PREF",
                                         "AAA:DATA",  "AAA:TIM",  "AAA:DIAPAZ", "AAA:RPT_1",
                                         "AAA:RPT_2", "AAA:MODE", "AAA:QSL",    "AAA:PR"};

constexpr char kFormat[] =
    "12L(2)|MI@p_p@48L(2)|M~Callsign~C@s12@37R(1)|M~Номер QSO~C(0)@n10.0@50L(1)|M~Страна~C(2)S(20)"
    "@s20@47R(1)|M~Дата~C(0)@D6@28R(1)|M~Время~C(0)@T1@35C(1)|M~Диапазон~C(0)@n5.1@33C(2)|M~"
    "РапортS~"
    "L@s3@33C(2)|M~РапортR~L@s3@24L(2)|M~MODE~@s5@20L(2)|M~QSL~C@s5@8L(2)|M~Область~@s2@";

constexpr char kInitialRegion[] = "0A";
constexpr char kInitialQSL[] = "ПОЛУЧ";
// The QSL range primes AAA:QSL, five characters, from the first five of QSL.
constexpr uint32_t kQSLFieldLength = 5;

BrowseSortOrder Order(std::string key) {
  BrowseSortOrder s;
  s.key = std::move(key);
  return s;
}

BrowseSortOrder WithNumericThumb(BrowseSortOrder s, std::string field) {
  s.thumb = ThumbKind::kNumeric;
  s.thumb_field = std::move(field);
  return s;
}

BrowseSortOrder WithLocator(BrowseSortOrder s, LocatorKind kind, std::string field, int32_t control,
                            std::vector<std::string> clears = {}) {
  s.locator = kind;
  s.locator_field = std::move(field);
  s.locator_control = control;
  s.locator_clears = std::move(clears);
  return s;
}

BrowseSortOrder Ranged(std::string key, std::string name, expr::VarRef live, std::string field,
                       std::string filter) {
  BrowseSortOrder s = Order(std::move(key));
  s.ranges.push_back({std::move(name), live, std::move(field)});
  s.filter = std::move(filter);
  return s;
}

}  // namespace

BrowseAAAA::BrowseAAAA(DataContext& context) : context_(context) {
  PO_.Set(kInitialRegion);
  QSL_.Set(Cp1251FromUtf8(kInitialQSL));
  diapaz_ = DIAPAZ.load();
  mode_.Set(MODE.View());
}

BrowseDescription BrowseAAAA::Describe(std::function<void()> update) {
  BrowseDescription d;
  d.table = &context_.AAAA;
  d.table_name = "AAAA";
  const expr::VarRef country = expr::VarRef::String(context_.DXCC.rec().STRANA, 20);
  const expr::VarRef band = expr::VarRef::Real(&diapaz_);
  const expr::VarRef mode = expr::VarRef::String(mode_.View().data(), 5);
  const expr::VarRef region = expr::VarRef::String(PO_.View().data(), 2);
  const expr::VarRef qsl = expr::VarRef::String(QSL_.View().data(), 7);

  BrowseSortOrder by_number = WithLocator(WithNumericThumb(Order("AAA:BEY_N"), "AAA:N_QSO"),
                                          LocatorKind::kIncremental, "AAA:N_QSO", kNumberEntry);
  BrowseSortOrder by_country =
      WithNumericThumb(Ranged("AAA:BEY_SS", "DXC:STRANA", country, "AAA:PREF",
                              "UPPER(AAA:PREF) = UPPER(BRW1::Sort1:Reset:DXC:STRANA)"),
                       "AAA:DATA");
  BrowseSortOrder by_date = WithLocator(WithNumericThumb(Order("AAA:BEY_D"), "AAA:DATA"),
                                        LocatorKind::kEntry, "AAA:DATA", kDateEntry);
  BrowseSortOrder by_band = WithNumericThumb(
      Ranged("AAA:BEY_DIAP", "DIAPAZ", band, "AAA:DIAPAZ", "AAA:DIAPAZ = diapaz"), "AAA:DIAPAZ");
  BrowseSortOrder by_callsign =
      WithLocator(IncrementalOrder("AAA:BEY_P", "AAA:POZ", kCallsignEntry),
                  LocatorKind::kIncremental, "AAA:POZ", kCallsignEntry, {"AAA:DATA", "AAA:TIM"});
  BrowseSortOrder by_mode =
      Ranged("AAA:BEY_MODE", "MODE", mode, "AAA:MODE", "UPPER(AAA:MODE) = UPPER(MODE)");
  BrowseSortOrder by_region =
      Ranged("AAA:BEY_PR", "PO", region, "AAA:PR", "UPPER(AAA:pr) = UPPER(po) AND (aaa:pr<>'')");
  by_region.thumb = ThumbKind::kString;
  by_region.thumb_field = "AAA:POZ";
  BrowseSortOrder by_country_band =
      WithLocator(Order("AAA:BEY_SDIA"), LocatorKind::kIncremental, "AAA:PREF", kCountryEntry,
                  {"AAA:DIAPAZ", "AAA:DATA", "AAA:TIM"});
  BrowseSortOrder by_mode_band =
      WithLocator(Order("AAA:BEY_MODEDIA"), LocatorKind::kIncremental, "AAA:MODE", kModeEntry,
                  {"AAA:DIAPAZ", "AAA:DATA", "AAA:TIM"});
  BrowseSortOrder by_qsl = WithLocator(
      Ranged("AAA:BEY_QSL", "QSL", expr::VarRef::String(QSL_.View().data(), kQSLFieldLength),
             "AAA:QSL", "UPPER(AAA:QSL) = UPPER(qsl)"),
      LocatorKind::kIncremental, "AAA:QSL", 0);
  // Orders 1..9 are the ranged and located ones; 10, by number, is the
  // first tab.
  d.sorts = {by_country, by_date,         by_band,      by_callsign, by_mode,
             by_region,  by_country_band, by_mode_band, by_qsl,      by_number};
  d.order_of_tab = [](int32_t tab) { return tab == kNumberTab ? 10 : tab - 1; };
  d.format = Cp1251FromUtf8(kFormat);
  d.column_fields.assign(std::begin(kColumnFields), std::end(kColumnFields));
  d.buffer_fields = d.column_fields;
  d.buffer_fields.erase(d.buffer_fields.begin());
  d.buffer_fields.push_back("AAA:QTH");
  d.buttons = {kList, kInsert, kChange, kDelete, 0};
  d.update_name = "UpdateAAAA";
  d.update = std::move(update);
  d.bindings = {{"MODE", mode}, {"diapaz", band}, {"po", region}, {"qsl", qsl}};
  d.ValidateRecord = [this] { return ValidateRecord(); };
  d.FillQueueHook = [this] { return FillQueueHook(); };
  // Tag all and reverse tags run their pass even while the count is off:
  // the buttons would otherwise do nothing.
  d.count_pass = [this] { return FL_ != 0 || C3TAG_REVALL != kNoOperation; };
  d.publish_count = [this](int32_t count) { KOLQSO_ = FL_ != 0 ? count : 0; };
  return d;
}

void BrowseAAAA::Attach(BrowseEngine* engine, BrowseList* list, BrowseWindow* window) {
  engine_ = engine;
  list_ = list;
  window_ = window;
}

int32_t BrowseAAAA::ValidateRecord() const {
  const bool tagged = TAG_AAAA.Contains(static_cast<int32_t>(context_.AAAA.file().Pointer()));
  if (C3TAG_DISPLAY == kShowTagged && !tagged) return kRecordFiltered;
  if (C3TAG_DISPLAY == kShowUntagged && tagged) return kRecordFiltered;
  return kRecordShown;
}

int32_t BrowseAAAA::FillQueueHook() {
  const int32_t pointer = static_cast<int32_t>(context_.AAAA.file().Pointer());
  if (!TAG_AAAA.Contains(pointer)) {
    if (C3TAG_REVALL == kTagAll || C3TAG_REVALL == kReverseTags) {
      TAG_AAAA.Add(pointer);
      C3TAG_ICON = 1;
    } else {
      C3TAG_ICON = 0;
    }
  } else if (C3TAG_REVALL == kReverseTags || C3TAG_REVALL == kUntagAll) {
    TAG_AAAA.Delete(pointer);
    C3TAG_ICON = 0;
  } else {
    C3TAG_ICON = 1;
  }
  return C3TAG_ICON;
}

void BrowseAAAA::C3_Tag() {
  C3TAG_REVALL = kNoOperation;
  if (engine_->RecordCount == 0) return;
  engine_->GetRecord();
  const int32_t pointer = static_cast<int32_t>(context_.AAAA.file().Pointer());
  if (TAG_AAAA.Contains(pointer)) {
    TAG_AAAA.Delete(pointer);
  } else {
    TAG_AAAA.Add(pointer);
  }
  engine_->RefreshMode = kRefreshKeepPage;
  engine_->RefreshPage();
  if (FL_ != 0 && C3TAG_DISPLAY != kShowAll) engine_->InitializeBrowse();
  window_->FocusControl(kList);
  list_->PostEvent(browse_event::kScrollDown);
}

void BrowseAAAA::C3_TagAll(uint8_t operation) {
  C3TAG_REVALL = operation;
  C3TAG_SAV_DISPLAY = C3TAG_DISPLAY;
  C3TAG_DISPLAY = kShowAll;
  engine_->SelectSort();
  engine_->InitializeBrowse();
  C3TAG_DISPLAY = C3TAG_SAV_DISPLAY;
  C3TAG_REVALL = kNoOperation;
  // The count follows the display the user sees again.
  if (FL_ != 0) engine_->InitializeBrowse();
  engine_->RefreshMode = kRefreshKeepPage;
  engine_->RefreshPage();
  window_->FocusControl(kList);
}

void BrowseAAAA::C3_ShowTag() {
  C3TAG_REVALL = kNoOperation;
  C3TAG_DISPLAY = static_cast<uint8_t>((C3TAG_DISPLAY + 1) % 3);
  engine_->RefreshMode = kRefreshFromTop;
  engine_->RefreshPage();
  if (FL_ != 0) engine_->InitializeBrowse();
  window_->Redisplay();
  window_->FocusControl(kList);
}

bool BrowseAAAA::FillRegionList(std::vector<RegionEntry>* list) {
  list->clear();
  Table& regions = context_.PREFRUS.file();
  const dict::PREFRUSRecord& r = context_.PREFRUS.rec();
  Status s = regions.SetKey(regions.def().FindKey("PRE:BEY_PREFIS"));
  while (s.ok()) {
    s = regions.Next();
    if (!s.ok()) break;
    FixedText<2> prefix;
    prefix.Set(std::string_view(r.PREF, sizeof r.PREF));
    FixedText<20> city;
    city.Set(std::string_view(r.GOROD, sizeof r.GOROD));
    list->push_back({prefix.Trimmed(), city.Trimmed()});
  }
  if (s.code() != err::kRecordNotAvailable) {
    StandardWarning(warning::kRecordRetrievalError, "prefrus");
    return false;
  }
  if (list->empty()) PO_.Clear();
  return true;
}

bool BrowseAAAA::TakeSelectedRecord() {
  if (engine_->RecordCount == 0) return false;
  engine_->GetRecord();
  return true;
}

bool BrowseAAAA::TakeSelectedBand() {
  if (!TakeSelectedRecord()) return false;
  DIAPAZ = context_.AAAA.rec().DIAPAZ;
  return true;
}

bool BrowseAAAA::TakeSelectedNumber() {
  if (!TakeSelectedRecord()) return false;
  QSO = static_cast<int32_t>(context_.AAAA.rec().N_QSO.get());
  return true;
}

void BrowseAAAA::SetAutoCount(bool on) {
  FL_ = on ? 1 : 0;
  engine_->RefreshWindow();
  engine_->InitializeBrowse();
  engine_->PostNewSelection();
  window_->Redisplay();
}

void BrowseAAAA::SetBand(double band) {
  diapaz_ = band;
  DIAPAZ = band;
  engine_->RefreshWindow();
}

void BrowseAAAA::SetMode(std::string_view mode) {
  mode_.Set(mode);
  MODE.Set(mode);
  engine_->RefreshWindow();
}

void BrowseAAAA::SetRegion(std::string_view prefix) {
  PO_.Set(prefix);
  engine_->RefreshWindow();
}

void BrowseAAAA::SetQSL(std::string_view state) {
  QSL_.Set(state);
  engine_->RefreshWindow();
}

}  // namespace kavo
