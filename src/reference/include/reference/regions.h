// BROWSEOBL and f_gorod: the Russian region codes and their cities or
// regions (PREFRUS). Built like the DXCC pair: two orders chosen by tab,
// each with an incremental locator, its entry field and string thumb
// stops; a select button for the picker (request 4 leaves the chosen entry
// in the PREFRUS record buffer of the caller's context).
#pragma once

#include <functional>

#include "browse/browse_instance.h"
#include "forms/form_description.h"

namespace kavo {

// Controls of the window, in the design's numbering.
namespace browseobl {
inline constexpr int32_t kList = 1;
inline constexpr int32_t kSelect = 2;
inline constexpr int32_t kInsert = 3;
inline constexpr int32_t kChange = 4;
inline constexpr int32_t kDelete = 5;
inline constexpr int32_t kTabs = 6;
inline constexpr int32_t kPrefixEntry = 9;
inline constexpr int32_t kCityEntry = 12;
inline constexpr int32_t kClose = 13;
// Tab choice numbers: "По префиксу" first, "По городам" second.
inline constexpr int32_t kPrefixTab = 1;
inline constexpr int32_t kCityTab = 2;
}  // namespace browseobl

// The list over context.PREFRUS; `update` is f_gorod.
BrowseDescription RegionList(DataContext& context, std::function<void()> update);

// HISTORY::PRE:RECORD, the source of f_gorod's ditto key.
extern forms::HistoryRecord HISTORY_PRE_RECORD;

const forms::FormDescription& f_gorodForm();

}  // namespace kavo
