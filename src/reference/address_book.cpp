#include "reference/address_book.h"

#include "data/procedure_files.h"
#include "data/ri_routines.h"
#include "runtime/cp1251.h"

namespace kavo {

forms::HistoryRecord HISTORY_RAJ_RECORD;

BrowseDescription AddressBookList(DataContext& context, std::function<void()> update) {
  using namespace browseadress;
  BrowseDescription d;
  d.table = &context.RAJON;
  d.table_name = "RAJON";
  // By surname: the address text begins with it; the thumb follows the
  // fixed rule there.
  BrowseSortOrder by_surname = IncrementalOrder("RAJ:BEY_FAM", "RAJ:ADRESS", kSurnameEntry);
  by_surname.thumb = ThumbKind::kFixed;
  by_surname.thumb_field.clear();
  d.sorts = {by_surname, IncrementalOrder("RAJ:BEY_POZ", "RAJ:POZ", kCallsignEntry)};
  d.order_of_tab = [](int32_t tab) { return tab == kSurnameTab ? 1 : 2; };
  d.format = Cp1251FromUtf8("36L(2)|M~Callsign~@s8@40L(2)|M~Телефон~@s9@80L(2)|M~Адрес~C@s120@");
  d.column_fields = {"RAJ:POZ", "RAJ:TELEFON", "RAJ:ADRESS"};
  d.buttons = {kList, kInsert, kChange, kDelete, 0};
  d.update_name = "F_ADRESS";
  d.update = std::move(update);
  return d;
}

const forms::FormDescription& F_ADRESSForm() {
  using forms::Ru;
  static const forms::FormDescription d = [] {
    forms::FormDescription d;
    d.procedure = "F_ADRESS";
    d.file = FileId::RAJON;
    d.files = procedure_files::F_ADRESS;
    d.design_title = Ru("Ввод и редактирование адресов радиолюбителей");
    d.insert_title = Ru("Добавение записи");
    d.change_title = Ru("Изменение записи");
    d.cancel_text = Ru("Отмена");
    d.fields = {{"RAJ:POZ", Ru("Позывной"), "@s8"},
                {"RAJ:TELEFON", Ru(" Телефон"), "@s9"},
                {"RAJ:ADRESS", Ru("Адрес"), "@s120"}};
    d.history = &HISTORY_RAJ_RECORD;
    // Key code 734: Ctrl and the quote key.
    d.ditto_key = "Ctrl+'";
    // The names are shown as the warning has always shown them.
    d.duplicate_keys = {{"RAJ:BEY_POZ", "RAj:BEY_POZ"}, {"RAJ:BEY_FAM", "RAj:BEY_FAM"}};
    d.RISnap = RISnap_RAJON;
    d.RIUpdate = RIUpdate_RAJON;
    d.RIDelete = RIDelete_RAJON;
    d.width = 560;
    return d;
  }();
  return d;
}

}  // namespace kavo
