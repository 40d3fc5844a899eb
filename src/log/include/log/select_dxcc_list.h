// SelectDXCC: the DXCC country list as an instance of the browse engine.
// Two sort orders chosen by tab (by country name, by prefix), each with an
// incremental locator and an entry field, string thumb stops on the key
// field, and a select button for the picker (request 4: the chosen country
// is left in the DXCC record buffer of the caller's context).
#pragma once

#include <functional>

#include "browse/browse_instance.h"

namespace kavo {

// Controls of the window, in the design's numbering.
namespace select_dxcc {
inline constexpr int32_t kList = 1;
inline constexpr int32_t kSelect = 2;
inline constexpr int32_t kTabs = 3;
inline constexpr int32_t kPrefixEntry = 5;
inline constexpr int32_t kCountryEntry = 7;
inline constexpr int32_t kClose = 9;
inline constexpr int32_t kInsert = 10;
inline constexpr int32_t kChange = 11;
inline constexpr int32_t kDelete = 12;
// Tab choice numbers: "По префиксу" first, "По странам" second.
inline constexpr int32_t kPrefixTab = 1;
inline constexpr int32_t kCountryTab = 2;
}  // namespace select_dxcc

// The list over context.DXCC; `update` is UpdateDXCC (empty: announced as
// not defined).
BrowseDescription SelectDXCCList(DataContext& context, std::function<void()> update);

}  // namespace kavo
