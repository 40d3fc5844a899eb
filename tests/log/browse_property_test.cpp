// Random sequences of scrolls, locates, thumb drags, sort changes, inserts
// and deletes (also by a second context) on the DXCC list, checked after
// every step against a model of the key order computed from the rows alone.
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browse/browse_engine.h"
#include "data/globals.h"
#include "data/procedure_files.h"
#include "data/standard_warning.h"
#include "data_test_util.h"
#include "log/select_dxcc_list.h"
#include "runtime/message_box_scripted.h"
#include "scripted_browse.h"

namespace kavo {
namespace {

using testing::ScratchDir;
using testing::ScriptedBrowse;

struct Row {
  uint32_t record = 0;
  std::string prefix;   // blank-padded as stored
  std::string country;  // blank-padded as stored
};

uint32_t RecordOf(const std::string& position) {
  const auto* p = reinterpret_cast<const unsigned char*>(position.data());
  return position.size() < 4 ? 0 : (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

class BrowsePropertyTest : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    ResetGlobals();
    TakeSavedError();
    rng_.seed(GetParam());
    UseFile(context_.DXCC, 1);
    UseFile(other_.DXCC, 1);
    Table& t = other_.DXCC.file();
    ASSERT_TRUE(t.Stream().ok());
    for (int i = 0; i < 40; ++i) ASSERT_NO_FATAL_FAILURE(AddRandom(other_));
    ASSERT_TRUE(t.Flush().ok());
  }
  void TearDown() override {
    engine_.reset();
    ReleaseFile(other_.DXCC);
    ReleaseFile(context_.DXCC);
  }

  std::string RandomText(const char* alphabet, int min, int max) {
    std::string s;
    int n = std::uniform_int_distribution<int>(min, max)(rng_);
    size_t a = std::strlen(alphabet);
    for (int i = 0; i < n; ++i) s.push_back(alphabet[rng_() % a]);
    return s;
  }
  void FillRandom(dict::DXCCRecord& r) {
    r.Clear();
    // Few first letters, so that prefixes and countries repeat.
    dict::SetText(r.PR, RandomText("ABCDEFGH", 1, 1) + RandomText("ABCD0123", 0, 1));
    dict::SetText(r.STRANA, RandomText("KLMNOP", 1, 4));
  }
  void AddRandom(DataContext& context) {
    FillRandom(context.DXCC.rec());
    ASSERT_TRUE(context.DXCC.file().Add().ok());
  }

  // Every row, in the order of the current sort's key: the key value as
  // the NOCASE key compares it, then the record number.
  std::vector<Row> Model() {
    std::vector<Row> rows;
    Table& t = other_.DXCC.file();
    EXPECT_TRUE(t.Set().ok());
    while (t.Next().ok()) {
      const dict::DXCCRecord& r = other_.DXCC.rec();
      rows.push_back({t.Pointer(), std::string(r.PR, 2), std::string(r.STRANA, 20)});
    }
    const bool by_country = engine_->SortOrder == 1;
    std::sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
      const std::string& ka = by_country ? a.country : a.prefix;
      const std::string& kb = by_country ? b.country : b.prefix;
      return ka != kb ? ka < kb : a.record < b.record;
    });
    return rows;
  }
  std::string KeyOf(const Row& r) const { return engine_->SortOrder == 1 ? r.country : r.prefix; }
  size_t KeySize() const { return engine_->SortOrder == 1 ? 20 : 2; }
  // The first row not below a key value (cut and padded to the key's size).
  static size_t FirstNotBelow(const std::vector<Row>& model, std::string value, size_t size,
                              bool by_country) {
    value.resize(size, ' ');
    for (size_t i = 0; i < model.size(); ++i) {
      if ((by_country ? model[i].country : model[i].prefix) >= value) return i;
    }
    return model.size();
  }

  std::vector<uint32_t> PageRecords() const {
    std::vector<uint32_t> out;
    for (const PageEntry& e : engine_->page()) out.push_back(RecordOf(e.Position));
    return out;
  }
  // Index of the page's first row in the model; -1 when it is not there.
  static int IndexOf(const std::vector<Row>& model, uint32_t record) {
    for (size_t i = 0; i < model.size(); ++i) {
      if (model[i].record == record) return static_cast<int>(i);
    }
    return -1;
  }

  // The invariants every step keeps; with `contiguous`, the page is the
  // model's stretch [first, first + RecordCount).
  ::testing::AssertionResult Invariants(bool contiguous, int* first) {
    const std::vector<Row> model = Model();
    const std::vector<uint32_t> page = PageRecords();
    const int32_t n = engine_->RecordCount;
    if (static_cast<size_t>(n) != page.size()) return ::testing::AssertionFailure() << "count";
    if (n > list_.rows) return ::testing::AssertionFailure() << "more rows than visible";
    if ((n == 0) != (engine_->CurrentChoice == 0) || engine_->CurrentChoice > n) {
      return ::testing::AssertionFailure() << "choice " << engine_->CurrentChoice << " of " << n;
    }
    if (list_.selection != engine_->CurrentChoice) {
      return ::testing::AssertionFailure() << "list selection " << list_.selection;
    }
    if (list_.thumb < 0 || list_.thumb > 100) return ::testing::AssertionFailure() << "thumb";
    int previous = -1;
    for (uint32_t r : page) {
      int at = IndexOf(model, r);
      if (at < 0) {
        if (contiguous) return ::testing::AssertionFailure() << "row " << r << " not stored";
        continue;
      }
      if (at <= previous) return ::testing::AssertionFailure() << "rows out of key order";
      if (contiguous && previous >= 0 && at != previous + 1) {
        return ::testing::AssertionFailure() << "gap in the page";
      }
      previous = at;
    }
    *first = page.empty() ? -1 : IndexOf(model, page.front());
    if (contiguous) {
      const size_t full = std::min<size_t>(model.size(), static_cast<size_t>(list_.rows));
      if (page.size() != full) {
        return ::testing::AssertionFailure()
               << "page of " << page.size() << ", " << full << " expected";
      }
    }
    if (!boxes_.shown().empty()) return ::testing::AssertionFailure() << "a warning was shown";
    return ::testing::AssertionSuccess();
  }

  // Checks that the selected row is model[index] (the located record).
  ::testing::AssertionResult SelectedIs(size_t index) {
    const std::vector<Row> model = Model();
    if (index >= model.size()) {
      // Nothing at or after the value: the last page, its last row selected.
      if (engine_->CurrentChoice != engine_->RecordCount) {
        return ::testing::AssertionFailure() << "last row not selected";
      }
      if (!model.empty() && PageRecords().back() != model.back().record) {
        return ::testing::AssertionFailure() << "not the last page";
      }
      return ::testing::AssertionSuccess();
    }
    uint32_t selected = PageRecords()[static_cast<size_t>(engine_->CurrentChoice - 1)];
    if (selected != model[index].record) {
      return ::testing::AssertionFailure()
             << "selected " << selected << ", expected " << model[index].record;
    }
    return ::testing::AssertionSuccess();
  }

  void Update() {
    GlobalResponse = kRequestCancelled;
    Table& t = context_.DXCC.file();
    switch (GlobalRequest) {
      case kInsertRecord:
        FillRandom(context_.DXCC.rec());
        if (t.Add().ok()) {
          GlobalResponse = kRequestCompleted;
          added_ = t.Pointer();
        }
        break;
      case kDeleteRecord:
        if (t.Delete().ok()) GlobalResponse = kRequestCompleted;
        break;
      default:
        break;
    }
  }

  ScratchDir dir_;
  DataContext context_{dir_.path()};
  DataContext other_{dir_.path()};
  ScriptedMessageBox boxes_;
  ScopedMessageBox scoped_boxes_{&boxes_};
  ScriptedBrowse list_;
  std::unique_ptr<BrowseEngine> engine_;
  std::mt19937 rng_;
  uint32_t added_ = 0;
};

TEST_P(BrowsePropertyTest, PageFollowsTheKeyOrder) {
  list_.rows = 6;
  list_.tab = select_dxcc::kPrefixTab;
  std::string error;
  engine_ = testing::OpenBrowse(list_, SelectDXCCList(context_, [this] { Update(); }), &error);
  ASSERT_TRUE(engine_) << error;
  int first = 0;
  ASSERT_TRUE(Invariants(true, &first));
  ASSERT_TRUE(SelectedIs(0));
  bool contiguous = true;

  for (int step = 0; step < 250; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const int32_t n = engine_->RecordCount;
    const int32_t choice = engine_->CurrentChoice;
    const size_t size = Model().size();
    const int op = static_cast<int>(rng_() % 14);
    bool check_shift = false;
    int expected_first = 0;
    int32_t expected_choice = 0;
    switch (op) {
      case 0:
      case 1: {  // one row down or up
        const bool down = op == 0;
        list_.Event(*engine_, down ? browse_event::kScrollDown : browse_event::kScrollUp);
        if (!contiguous || n == 0) break;
        check_shift = true;
        if (down ? choice < n : choice > 1) {
          expected_first = first;
          expected_choice = down ? choice + 1 : choice - 1;
        } else {
          const int moved =
              down ? std::min<int>(first + 1, static_cast<int>(size) - n) : std::max(first - 1, 0);
          expected_first = moved;
          expected_choice = choice;
        }
        break;
      }
      case 2:
      case 3: {  // a page down or up
        const bool down = op == 2;
        list_.Event(*engine_, down ? browse_event::kPageDown : browse_event::kPageUp);
        if (!contiguous || n == 0) break;
        check_shift = true;
        const int rows = list_.rows;
        if (down) {
          expected_first =
              std::min<int>(first + rows, std::max<int>(0, static_cast<int>(size) - n));
          expected_choice = std::min<int32_t>(n, choice + (rows - (expected_first - first)));
        } else {
          expected_first = std::max(0, first - rows);
          expected_choice = std::max<int32_t>(1, choice - (rows - (first - expected_first)));
        }
        break;
      }
      case 4:
      case 5: {  // top or bottom
        const bool top = op == 4;
        list_.Event(*engine_, top ? browse_event::kScrollTop : browse_event::kScrollBottom);
        if (n == 0) break;
        contiguous = true;
        check_shift = true;
        expected_first = top ? 0 : std::max<int>(0, static_cast<int>(size) - list_.rows);
        expected_choice = top ? 1 : std::min<int32_t>(list_.rows, static_cast<int32_t>(size));
        break;
      }
      case 6: {  // a typed locator character or a backspace
        if (n == 0) break;
        const bool back = rng_() % 4 == 0;
        const std::string before = engine_->CurrentLocatorText();
        if (back) {
          list_.Key(*engine_, browse_key::kBSKey);
        } else {
          list_.Type(*engine_, "ABCDEFGHKLMNOPZ0"[rng_() % 16]);
        }
        const std::string text = engine_->CurrentLocatorText();
        if (text == before) break;
        contiguous = true;
        ASSERT_TRUE(SelectedIs(
            FirstNotBelow(Model(), text.substr(0, KeySize()), KeySize(), engine_->SortOrder == 1)))
            << "locator \"" << text << "\"";
        break;
      }
      case 7: {  // a thumb drag
        if (n == 0) break;
        list_.thumb = static_cast<int32_t>(rng_() % 101);
        const int32_t p = list_.thumb;
        list_.Event(*engine_, browse_event::kScrollDrag);
        contiguous = true;
        if (p <= 1 || p == 100) {
          check_shift = true;
          expected_first = p <= 1 ? 0 : std::max<int>(0, static_cast<int>(size) - list_.rows);
          expected_choice = p <= 1 ? 1 : std::min<int32_t>(list_.rows, static_cast<int32_t>(size));
        } else {
          const std::string stop = engine_->sorts[engine_->SortOrder - 1u].string_stops[p - 1];
          ASSERT_TRUE(
              SelectedIs(FirstNotBelow(Model(), stop.substr(0, std::min(stop.size(), KeySize())),
                                       KeySize(), engine_->SortOrder == 1)))
              << "thumb " << p;
        }
        break;
      }
      case 8: {  // another sort order keeps the selected record's key
        std::string key;
        if (n > 0) {
          const PageEntry& e = engine_->page()[static_cast<size_t>(choice - 1)];
          const bool next_by_country = engine_->SortOrder != 1;
          key = next_by_country
                    ? std::string(reinterpret_cast<const char*>(e.record.data()) + 2, 20)
                    : std::string(reinterpret_cast<const char*>(e.record.data()), 2);
        }
        list_.tab = list_.tab == select_dxcc::kPrefixTab ? select_dxcc::kCountryTab
                                                         : select_dxcc::kPrefixTab;
        engine_->RefreshWindow();
        list_.Pump(*engine_);
        contiguous = true;
        if (n > 0) {
          ASSERT_TRUE(SelectedIs(FirstNotBelow(Model(), key, KeySize(), engine_->SortOrder == 1)));
        }
        break;
      }
      case 9: {  // insert through the update procedure
        if (rng_() % 3 != 0) break;
        list_.Key(*engine_, browse_key::kInsertKey);
        contiguous = true;
        const std::vector<Row> model = Model();
        ASSERT_TRUE(SelectedIs(static_cast<size_t>(IndexOf(model, added_))));
        break;
      }
      case 10: {  // delete through the update procedure
        if (n == 0 || rng_() % 3 != 0) break;
        const uint32_t gone = PageRecords()[static_cast<size_t>(choice - 1)];
        list_.Key(*engine_, browse_key::kDeleteKey);
        contiguous = true;
        EXPECT_EQ(IndexOf(Model(), gone), -1);
        for (uint32_t r : PageRecords()) ASSERT_NE(r, gone);
        break;
      }
      case 11: {  // another context adds or deletes a record
        if (rng_() % 2 == 0) {
          ASSERT_NO_FATAL_FAILURE(AddRandom(other_));
        } else {
          std::vector<Row> model = Model();
          if (model.empty()) break;
          Table& t = other_.DXCC.file();
          ASSERT_TRUE(t.GetRecord(model[rng_() % model.size()].record).ok());
          ASSERT_TRUE(t.Delete().ok());
        }
        contiguous = false;
        break;
      }
      case 12: {  // the window gets the focus back: the page is rebuilt
        engine_->GainFocus();
        list_.Pump(*engine_);
        contiguous = true;
        break;
      }
      default: {  // a click on a row
        if (n == 0) break;
        list_.Click(*engine_, 1 + static_cast<int32_t>(rng_() % static_cast<uint32_t>(n)));
        break;
      }
    }
    ASSERT_TRUE(Invariants(contiguous, &first)) << "op " << op;
    if (check_shift) {
      EXPECT_EQ(first, expected_first) << "op " << op;
      EXPECT_EQ(engine_->CurrentChoice, expected_choice) << "op " << op;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, BrowsePropertyTest, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
}  // namespace kavo
