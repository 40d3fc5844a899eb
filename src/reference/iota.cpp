#include "reference/iota.h"

#include "data/procedure_files.h"
#include "data/ri_routines.h"
#include "runtime/cp1251.h"

namespace kavo {

forms::HistoryRecord HISTORY_IOT_RECORD;

BrowseDescription IotaGroupList(DataContext& context) {
  BrowseDescription d;
  d.table = &context.NA_IOTA;
  d.table_name = "NA_IOTA";
  d.prefix = "BRW1";
  BrowseSortOrder groups;
  groups.key = "NA_:BEY_NA";
  d.sorts = {groups};
  d.format = Cp1251FromUtf8("48C~Континенты~@s13@");
  d.column_fields = {"NA_:NAIM"};
  d.buttons = {browseiota::kList, 0, 0, 0, 0};
  return d;
}

BrowseDescription IotaIslandList(DataContext& context, std::function<void()> update) {
  using namespace browseiota;
  BrowseDescription d;
  d.table = &context.IOTA;
  d.table_name = "IOTA";
  d.prefix = "BRW2";
  BrowseSortOrder islands;
  islands.key = "IOT:BEYNAIM";
  islands.filter = "UPPER(IOT:FIRSTNAME) = UPPER(BRW2::Sort1:Reset:NA_:Naim)";
  dict::NA_IOTARecord& group = context.NA_IOTA.rec();
  islands.ranges = {
      {"NA_:Naim", expr::VarRef::String(group.NAIM, sizeof group.NAIM), "IOT:FIRSTNAME"}};
  d.sorts = {islands};
  d.format = Cp1251FromUtf8("34L~Наименование~@s6@37L~Префикс~@s8@160L~Территория~@s60@");
  d.column_fields = {"IOT:NAIM", "IOT:PREFIKS", "IOT:TERRIT"};
  // The remark is shown under the lists for the selected island.
  d.buffer_fields = {"IOT:NAIM", "IOT:PREFIKS", "IOT:TERRIT", "IOT:FIRSTNAME", "IOT:PRIMEC"};
  d.buttons = {kList2, kInsert2, kChange2, kDelete2, 0};
  d.update_name = "f_iot";
  d.update = std::move(update);
  return d;
}

const forms::FormDescription& f_iotForm() {
  using forms::Ru;
  static const forms::FormDescription d = [] {
    forms::FormDescription d;
    d.procedure = "f_iot";
    d.file = FileId::IOTA;
    d.files = procedure_files::f_iot;
    d.design_title = "IOTA";
    d.insert_title = Ru("Запись будет добавлена");
    d.insert_suffix = "  (New)";
    d.change_title = Ru("Запись будет изменена");
    d.change_suffix_field = "IOT:FIRSTNAME";
    d.fields = {{"IOT:FIRSTNAME", "", "@s13"},
                {"IOT:NAIM", Ru("Наименование:"), "@s6"},
                {"IOT:PREFIKS", Ru("Префикс:"), "@s8"},
                {"IOT:TERRIT", Ru("Территория:"), "@s60"},
                {"IOT:PRIMEC", Ru("Примечание:"), "@s20"}};
    d.history = &HISTORY_IOT_RECORD;
    // Key code 734: Ctrl and the quote key.
    d.ditto_key = "Ctrl+'";
    d.RISnap = RISnap_IOTA;
    d.RIUpdate = RIUpdate_IOTA;
    d.RIDelete = RIDelete_IOTA;
    d.width = 460;
    return d;
  }();
  return d;
}

}  // namespace kavo
