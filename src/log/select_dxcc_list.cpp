#include "log/select_dxcc_list.h"

#include "runtime/cp1251.h"

namespace kavo {

BrowseDescription SelectDXCCList(DataContext& context, std::function<void()> update) {
  using namespace select_dxcc;
  BrowseDescription d;
  d.table = &context.DXCC;
  d.table_name = "DXCC";
  BrowseSortOrder by_country;
  by_country.key = "DXC:BEY_1";
  by_country.locator = LocatorKind::kIncremental;
  by_country.locator_field = "DXC:STRANA";
  by_country.locator_control = kCountryEntry;
  by_country.thumb = ThumbKind::kString;
  by_country.thumb_field = "DXC:STRANA";
  BrowseSortOrder by_prefix;
  by_prefix.key = "DXC:BEY_S";
  by_prefix.locator = LocatorKind::kIncremental;
  by_prefix.locator_field = "DXC:PR";
  by_prefix.locator_control = kPrefixEntry;
  by_prefix.thumb = ThumbKind::kString;
  by_prefix.thumb_field = "DXC:PR";
  d.sorts = {by_country, by_prefix};
  d.order_of_tab = [](int32_t tab) { return tab == kCountryTab ? 1 : 2; };
  d.format = Cp1251FromUtf8("43L(2)|M~Префикс~@s2@80L(2)|M~Страна~@s20@");
  d.column_fields = {"DXC:PR", "DXC:STRANA"};
  d.buttons = {kList, kInsert, kChange, kDelete, kSelect};
  d.update_name = "UpdateDXCC";
  d.update = std::move(update);
  return d;
}

}  // namespace kavo
