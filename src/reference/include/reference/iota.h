// browseiota and f_iot: the IOTA groups (NA_IOTA) and their islands (IOTA).
// One window holds two lists of the browse engine: the groups (BRW1) and,
// beside them, the islands of the selected group (BRW2). The island list's
// range is primed from the group buffer NA_:NAIM, which the group list's
// FillBuffer loads, and kept in its Reset copy
// "BRW2::Sort1:Reset:NA_:Naim"; its filter compares the group names
// ignoring letter case. Only the island list has insert, change and delete
// buttons; they call f_iot.
#pragma once

#include <functional>

#include "browse/browse_instance.h"
#include "forms/form_description.h"

namespace kavo {

// Controls of the window, in the design's numbering.
namespace browseiota {
inline constexpr int32_t kOk = 1;
inline constexpr int32_t kPrint = 2;
inline constexpr int32_t kList = 3;
inline constexpr int32_t kList2 = 4;
inline constexpr int32_t kRemarkPrompt = 5;
inline constexpr int32_t kRemark = 6;
inline constexpr int32_t kInsert2 = 7;
inline constexpr int32_t kChange2 = 8;
inline constexpr int32_t kDelete2 = 9;
}  // namespace browseiota

// BRW1: the groups over context.NA_IOTA; nothing is edited there.
BrowseDescription IotaGroupList(DataContext& context);
// BRW2: the islands of the group in NA_:NAIM; `update` is f_iot.
BrowseDescription IotaIslandList(DataContext& context, std::function<void()> update);

// HISTORY::IOT:RECORD, the source of f_iot's ditto key.
extern forms::HistoryRecord HISTORY_IOT_RECORD;

// f_iot: one island; the group field is primed by the island list.
const forms::FormDescription& f_iotForm();

}  // namespace kavo
