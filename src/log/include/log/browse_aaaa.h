// BrowseAAAA: the operator's log as an instance of the browse engine. Ten
// sort orders chosen by tab, five of them limited to one country, band,
// mode, Russian region or QSL state; the tags of the label printing
// (TAG_AAAA) with their display modes and mass operations; the count of the
// contacts in view ("Автоподсчет").
//
// The tag store lives for the whole run (data/globals.h); the browse never
// clears it, so tags survive closing and reopening the log.
//
// REQUIRES: one thread (the window's). Attach() is called once the engine
// built from Describe() exists and before any routine here runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "browse/browse_engine.h"
#include "browse/browse_instance.h"
#include "runtime/fixed_text.h"

namespace kavo {

// Controls of the window, in the design's numbering.
namespace browse_aaaa {
inline constexpr int32_t kList = 1;
inline constexpr int32_t kTabs = 2;
inline constexpr int32_t kInsert = 3;
inline constexpr int32_t kChange = 4;
inline constexpr int32_t kDelete = 5;
inline constexpr int32_t kClose = 6;
inline constexpr int32_t kNumberEntry = 7;     // ?AAA:N_QSO
inline constexpr int32_t kDateEntry = 8;       // ?AAA:DATA
inline constexpr int32_t kCallsignEntry = 9;   // ?AAA:POZ
inline constexpr int32_t kCountryEntry = 10;   // ?AAA:PREF
inline constexpr int32_t kModeEntry = 11;      // ?AAA:MODE
inline constexpr int32_t kC3TAG = 12;          // ?C3TAG
inline constexpr int32_t kC3UNTAGALL = 13;     // ?C3UNTAGALL
inline constexpr int32_t kC3TAGALL = 14;       // ?C3TAGALL
inline constexpr int32_t kC3REVTAG = 15;       // ?C3REVTAG
inline constexpr int32_t kC3SHOWTAG = 16;      // ?C3SHOWTAG
inline constexpr int32_t kLabels = 17;         // ?BUTTON17
inline constexpr int32_t kSelectCountry = 18;  // ?SELECTDXCC
inline constexpr int32_t kPrintCountry = 19;   // ?BUTTON7
inline constexpr int32_t kPrintBand = 20;      // ?BUTTON8
inline constexpr int32_t kPrintQSL = 21;       // ?BUTTON6
inline constexpr int32_t kPrintMode = 22;      // ?BUTTON9
inline constexpr int32_t kPrintRegion = 23;    // ?BUTTON10
inline constexpr int32_t kPrintModeBand = 24;  // ?BUTTON11
inline constexpr int32_t kBandList = 25;       // ?DIAPAZ
inline constexpr int32_t kModeList = 26;       // ?MODE
inline constexpr int32_t kRegionCombo = 27;    // ?PO
inline constexpr int32_t kQSLList = 28;        // ?QSL
inline constexpr int32_t kAutoCount = 29;      // ?FL

// Tab choice numbers, in the order of the tab control.
inline constexpr int32_t kNumberTab = 1;
inline constexpr int32_t kCountryTab = 2;
inline constexpr int32_t kDateTab = 3;
inline constexpr int32_t kBandTab = 4;
inline constexpr int32_t kCallsignTab = 5;
inline constexpr int32_t kModeTab = 6;
inline constexpr int32_t kRegionTab = 7;
inline constexpr int32_t kCountryBandTab = 8;
inline constexpr int32_t kModeBandTab = 9;
inline constexpr int32_t kQSLTab = 10;
inline constexpr int32_t kTabCount = 10;

// C3TAG_DISPLAY values.
inline constexpr uint8_t kShowAll = 0;
inline constexpr uint8_t kShowTagged = 1;
inline constexpr uint8_t kShowUntagged = 2;

// C3TAG_REVALL values: the mass operation FillQueue applies.
inline constexpr uint8_t kNoOperation = 0;
inline constexpr uint8_t kTagAll = 1;
inline constexpr uint8_t kReverseTags = 2;
inline constexpr uint8_t kUntagAll = 3;
}  // namespace browse_aaaa

// One entry of the region combo: prefix and city, code page 1251, clipped.
struct RegionEntry {
  std::string PREF;
  std::string GOROD;
};

class BrowseAAAA {
 public:
  explicit BrowseAAAA(DataContext& context);
  BrowseAAAA(const BrowseAAAA&) = delete;
  BrowseAAAA& operator=(const BrowseAAAA&) = delete;

  // The description of the list over context.AAAA (open); `update` is
  // UpdateAAAA. The description refers to this object's variables.
  BrowseDescription Describe(std::function<void()> update);
  void Attach(BrowseEngine* engine, BrowseList* list, BrowseWindow* window);

  // The tag button and the space key: toggles the selected contact and
  // moves the selection one row down.
  void C3_Tag();
  // Tag all, reverse tags, untag all (browse_aaaa::kTagAll, ...): one pass
  // over the current range, whether the count is shown or not.
  void C3_TagAll(uint8_t operation);
  // Steps the display mode all -> tagged -> untagged -> all.
  void C3_ShowTag();
  // ?FL: switches the counting pass on or off and recounts.
  void SetAutoCount(bool on);
  bool AutoCount() const { return FL_ != 0; }
  // The range selectors: the band and the mode also set the program-wide
  // DIAPAZ and MODE the reports read. Texts are code page 1251.
  void SetBand(double band);
  void SetMode(std::string_view mode);
  void SetRegion(std::string_view prefix);
  void SetQSL(std::string_view state);
  std::string Region() const { return PO_.Trimmed(); }
  std::string QSLState() const { return QSL_.Trimmed(); }
  double Band() const { return diapaz_; }

  // FLD7::FillList: all of PREFRUS (open) in prefix order. An empty list
  // clears the region. False after a read error (warning 35 shown): the
  // window closes.
  bool FillRegionList(std::vector<RegionEntry>* list);

  // Before a report that lists what the selected contact shares with others
  // (its country, mode or region): the contact is read into the record
  // buffer. Before the band report DIAPAZ takes its band as well, before
  // the QSL report QSO its number. False on an empty page: there is no
  // contact to take the selection from, and no report runs.
  bool TakeSelectedRecord();
  bool TakeSelectedBand();
  bool TakeSelectedNumber();

  DataContext& context() { return context_; }
  int32_t KOLQSO() const { return KOLQSO_; }
  uint8_t C3TAG_DISPLAY = browse_aaaa::kShowAll;
  uint8_t C3TAG_SAV_DISPLAY = browse_aaaa::kShowAll;
  uint8_t C3TAG_REVALL = browse_aaaa::kNoOperation;
  uint8_t C3TAG_ICON = 0;

 private:
  int32_t ValidateRecord() const;
  int32_t FillQueueHook();

  DataContext& context_;
  BrowseEngine* engine_ = nullptr;
  BrowseList* list_ = nullptr;
  BrowseWindow* window_ = nullptr;
  uint8_t FL_ = 0;
  int32_t KOLQSO_ = 0;
  // The range-limit variables bound for the filters. DIAPAZ and MODE are
  // program-wide; the browse keeps the copies its filters read.
  double diapaz_ = 0;
  FixedText<5> mode_;
  FixedText<2> PO_;
  FixedText<7> QSL_;
};

}  // namespace kavo
