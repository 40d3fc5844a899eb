// BROWSEADRESS and F_ADRESS: the station's address book of the first call
// area (RAJON). The list has two orders chosen by tab, by surname (the
// address text begins with it) and by callsign, each with an incremental
// locator and its entry field. Both keys are unique: a duplicate on adding
// is named in standard warning 24 as "RAj:BEY_POZ" or "RAj:BEY_FAM".
#pragma once

#include <functional>

#include "browse/browse_instance.h"
#include "forms/form_description.h"

namespace kavo {

// Controls of the window, in the design's numbering.
namespace browseadress {
inline constexpr int32_t kList = 1;
inline constexpr int32_t kInsert = 2;
inline constexpr int32_t kChange = 3;
inline constexpr int32_t kDelete = 4;
inline constexpr int32_t kTabs = 5;
inline constexpr int32_t kCallsignEntry = 8;
inline constexpr int32_t kSurnameEntry = 11;
inline constexpr int32_t kClose = 12;
// Tab choice numbers: "По позывным" first, "По фамилии" second.
inline constexpr int32_t kCallsignTab = 1;
inline constexpr int32_t kSurnameTab = 2;
}  // namespace browseadress

// The list over context.RAJON; `update` is F_ADRESS.
BrowseDescription AddressBookList(DataContext& context, std::function<void()> update);

// HISTORY::RAJ:RECORD, the source of F_ADRESS's ditto key.
extern forms::HistoryRecord HISTORY_RAJ_RECORD;

const forms::FormDescription& F_ADRESSForm();

}  // namespace kavo
