#include "app/select_dxcc.h"

#include "app/browse_window_qt.h"
#include "app/form_procedures.h"
#include "log/select_dxcc_list.h"

namespace kavo {

BrowseWindowSpec SelectDXCCWindow() {
  using namespace select_dxcc;
  BrowseWindowSpec spec;
  spec.procedure = "SelectDXCC";
  spec.title = "Выберите страну для фильтра";
  spec.tabs = {{"По префиксу", kPrefixEntry, nullptr, 2},
               {"По странам", kCountryEntry, "Страна", 20}};
  spec.buttons = {{kSelect, "&Выбрать"},
                  {kInsert, "&Добавить"},
                  {kChange, "&Изменить"},
                  {kDelete, "&Удалить"},
                  {kClose, "Закрыть"}};
  spec.close_control = kClose;
  spec.width = 420;
  spec.height = 420;
  return spec;
}

BrowseDescription SelectDXCCDescription(DataContext& context, QWidget* window) {
  return SelectDXCCList(context, [&context, window] { UpdateDXCC(context, window); });
}

void StartSelectDXCC(QMdiArea* area) {
  StartBrowseWindow(area, SelectDXCCWindow(), procedure_files::SelectDXCC, SelectDXCCDescription);
}

int32_t SelectDXCC(DataContext& context, QWidget* caller) {
  return CallBrowseWindow(caller, context, SelectDXCCWindow(), procedure_files::SelectDXCC,
                          SelectDXCCDescription);
}

}  // namespace kavo
