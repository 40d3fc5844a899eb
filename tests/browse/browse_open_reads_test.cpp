// Opening a browse over a large log reads the first page and the two edge
// records that place the thumb, never the whole range: the records read at
// open must not grow with the number of rows in the file.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "browse/browse_engine.h"
#include "data/globals.h"
#include "data/procedure_files.h"
#include "data/standard_warning.h"
#include "data_test_util.h"
#include "runtime/message_box_scripted.h"
#include "scripted_browse.h"

namespace kavo {
namespace {

using testing::ScratchDir;
using testing::ScriptedBrowse;

constexpr int32_t kList = 4;
constexpr int32_t kVisibleRows = 30;

// Opens the log in AAA:BEY_P order over `rows` contacts and returns the
// records the view read to show the first page.
::testing::AssertionResult RecordsReadAtOpen(int rows, uint64_t* reads) {
  ResetGlobals();
  ScratchDir dir;
  DataContext context(dir.path());
  ScriptedMessageBox boxes;
  ScopedMessageBox scoped_boxes(&boxes);
  UseFile(context.AAAA, 1);
  Table& t = context.AAAA.file();
  if (!t.Stream().ok()) return ::testing::AssertionFailure() << "stream";
  for (int i = 0; i < rows; ++i) {
    dict::AAAARecord& r = context.AAAA.rec();
    r.Clear();
    char call[12];
    std::snprintf(call, sizeof call, "UA%06d", (i * 7919) % rows);
    dict::SetText(r.POZ, call);
    r.DATA = 80000 + i % 365;
    r.TIM = i % 86400;
    if (!t.Add().ok()) return ::testing::AssertionFailure() << "add " << i;
  }
  if (!t.Flush().ok()) return ::testing::AssertionFailure() << "flush";

  BrowseDescription d;
  d.table = &context.AAAA;
  d.table_name = "AAAA";
  BrowseSortOrder s;
  s.key = "AAA:BEY_P";
  s.locator = LocatorKind::kIncremental;
  s.locator_field = "AAA:POZ";
  s.thumb = ThumbKind::kString;
  s.thumb_field = "AAA:POZ";
  d.sorts = {s};
  d.format = "48L~Callsign~@s12@";
  d.column_fields = {"AAA:POZ"};
  d.buttons.list = kList;
  ScriptedBrowse list;
  list.rows = kVisibleRows;
  std::string error;
  std::unique_ptr<BrowseEngine> engine = testing::OpenBrowse(list, std::move(d), &error);
  if (!engine) return ::testing::AssertionFailure() << error;
  if (engine->RecordCount != kVisibleRows) {
    return ::testing::AssertionFailure() << "page of " << engine->RecordCount;
  }
  if (testing::PageColumn(*engine).front() != "UA000000") {
    return ::testing::AssertionFailure() << "first row " << testing::PageColumn(*engine).front();
  }
  if (!boxes.shown().empty()) return ::testing::AssertionFailure() << "a message box";
  *reads = engine->RecordsRead();
  engine.reset();
  ReleaseFile(context.AAAA);
  return ::testing::AssertionSuccess();
}

TEST(BrowseOpenReadsTest, OpeningReadsThePageAndTheEdgesWhateverTheFileSize) {
  uint64_t small = 0, large = 0;
  ASSERT_TRUE(RecordsReadAtOpen(2 * kVisibleRows, &small));
  ASSERT_TRUE(RecordsReadAtOpen(5000, &large));
  EXPECT_EQ(large, small);
  EXPECT_LE(large, static_cast<uint64_t>(kVisibleRows + 4));
}

}  // namespace
}  // namespace kavo
