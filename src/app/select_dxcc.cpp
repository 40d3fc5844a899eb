#include "app/select_dxcc.h"

#include "app/browse_window_qt.h"
#include "app/form_procedures.h"
#include "log/select_dxcc_list.h"

namespace kavo {

BrowseWindowDesign SelectDXCCWindow() {
  using namespace select_dxcc;
  BrowseWindowDesign design;
  design.procedure = "SelectDXCC";
  design.title = "Выберите страну для фильтра";
  design.tabs = {{"По префиксу", kPrefixEntry, nullptr, 2},
                 {"По странам", kCountryEntry, "Страна", 20}};
  design.buttons = {{kSelect, "&Выбрать"},
                    {kInsert, "&Добавить"},
                    {kChange, "&Изменить"},
                    {kDelete, "&Удалить"},
                    {kClose, "Закрыть"}};
  design.close_control = kClose;
  design.width = 420;
  design.height = 420;
  return design;
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
