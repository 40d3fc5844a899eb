// The worked instance of the engine tests: the DXCC country list, two sort
// orders with incremental locators and string thumb stops, and a select
// button for the picker. Everything that makes it differ from another list
// window is in this description.
#pragma once

#include <functional>
#include <utility>

#include "browse/browse_instance.h"
#include "runtime/cp1251.h"

namespace kavo::testing {

// Controls of the DXCC list window.
inline constexpr int32_t kDxccList = 1;
inline constexpr int32_t kDxccSelect = 2;
inline constexpr int32_t kDxccPrefixEntry = 5;
inline constexpr int32_t kDxccCountryEntry = 7;
inline constexpr int32_t kDxccInsert = 10;
inline constexpr int32_t kDxccChange = 11;
inline constexpr int32_t kDxccDelete = 12;
// Choice numbers of its tabs.
inline constexpr int32_t kDxccPrefixTab = 1;
inline constexpr int32_t kDxccCountryTab = 2;

inline BrowseDescription DxccList(DataContext& context, std::function<void()> update) {
  BrowseDescription d;
  d.table = &context.DXCC;
  d.table_name = "DXCC";
  BrowseSortOrder by_country;
  by_country.key = "DXC:BEY_1";
  by_country.locator = LocatorKind::kIncremental;
  by_country.locator_field = "DXC:STRANA";
  by_country.locator_control = kDxccCountryEntry;
  by_country.thumb = ThumbKind::kString;
  by_country.thumb_field = "DXC:STRANA";
  BrowseSortOrder by_prefix;
  by_prefix.key = "DXC:BEY_S";
  by_prefix.locator = LocatorKind::kIncremental;
  by_prefix.locator_field = "DXC:PR";
  by_prefix.locator_control = kDxccPrefixEntry;
  by_prefix.thumb = ThumbKind::kString;
  by_prefix.thumb_field = "DXC:PR";
  d.sorts = {by_country, by_prefix};
  d.order_of_tab = [](int32_t tab) { return tab == kDxccCountryTab ? 1 : 2; };
  d.format = Cp1251FromUtf8("43L(2)|M~Префикс~@s2@80L(2)|M~Страна~@s20@");
  d.column_fields = {"DXC:PR", "DXC:STRANA"};
  d.buttons = {kDxccList, kDxccInsert, kDxccChange, kDxccDelete, kDxccSelect};
  d.update_name = "UpdateDXCC";
  d.update = std::move(update);
  return d;
}

}  // namespace kavo::testing
