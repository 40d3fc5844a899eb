#include "reference/regions.h"

#include "data/procedure_files.h"
#include "data/ri_routines.h"
#include "runtime/cp1251.h"

namespace kavo {

forms::HistoryRecord HISTORY_PRE_RECORD;

BrowseDescription RegionList(DataContext& context, std::function<void()> update) {
  using namespace browseobl;
  BrowseDescription d;
  d.table = &context.PREFRUS;
  d.table_name = "prefrus";
  d.sorts = {IncrementalOrder("PRE:BEY_GOROD", "PRE:GOROD", kCityEntry),
             IncrementalOrder("PRE:BEY_PREFIS", "PRE:PREF", kPrefixEntry)};
  d.order_of_tab = [](int32_t tab) { return tab == kCityTab ? 1 : 2; };
  d.format = Cp1251FromUtf8("36C(2)|M~Префикс~L@s2@64L(2)|M~Город или область~@s20@");
  d.column_fields = {"PRE:PREF", "PRE:GOROD"};
  d.buttons = {kList, kInsert, kChange, kDelete, kSelect};
  d.update_name = "f_gorod";
  d.update = std::move(update);
  return d;
}

const forms::FormDescription& f_gorodForm() {
  using forms::Ru;
  static const forms::FormDescription d = [] {
    forms::FormDescription d;
    d.procedure = "f_gorod";
    d.file = FileId::PREFRUS;
    d.files = procedure_files::f_gorod;
    d.design_title = Ru("Ввод и обновление");
    d.insert_title = Ru("Добавление новой записии");
    d.change_title = Ru("Редактирование записи");
    d.fields = {{"PRE:PREF", Ru("Префикс"), "@s2"}, {"PRE:GOROD", Ru("Город"), "@s20"}};
    d.history = &HISTORY_PRE_RECORD;
    // Key code 734: Ctrl and the quote key.
    d.ditto_key = "Ctrl+'";
    d.RISnap = RISnap_PREFRUS;
    d.RIUpdate = RIUpdate_PREFRUS;
    d.RIDelete = RIDelete_PREFRUS;
    d.width = 300;
    return d;
  }();
  return d;
}

}  // namespace kavo
