#include "log/select_dxcc_list.h"

#include "runtime/cp1251.h"

namespace kavo {

BrowseDescription SelectDXCCList(DataContext& context, std::function<void()> update) {
  using namespace select_dxcc;
  BrowseDescription d;
  d.table = &context.DXCC;
  d.table_name = "DXCC";
  d.sorts = {IncrementalOrder("DXC:BEY_1", "DXC:STRANA", kCountryEntry),
             IncrementalOrder("DXC:BEY_S", "DXC:PR", kPrefixEntry)};
  d.order_of_tab = [](int32_t tab) { return tab == kCountryTab ? 1 : 2; };
  d.format = Cp1251FromUtf8("43L(2)|M~Префикс~@s2@80L(2)|M~Страна~@s20@");
  d.column_fields = {"DXC:PR", "DXC:STRANA"};
  d.buttons = {kList, kInsert, kChange, kDelete, kSelect};
  d.update_name = "UpdateDXCC";
  d.update = std::move(update);
  return d;
}

}  // namespace kavo
