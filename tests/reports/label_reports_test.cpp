// The label sheets over tagged contacts: rows filled left to right in QSO
// number order, a last row showing only its filled labels, a new page after
// the last row of a sheet, and the buffer file gone afterwards; a tagged
// contact deleted since it was tagged costs its label only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "data/dict_tables.h"
#include "data/globals.h"
#include "report_test_util.h"
#include "reports/label_reports.h"
#include "reports/report_procedure.h"
#include "runtime/message_box_scripted.h"
#include "store/table.h"

namespace kavo::reports {
namespace {

class LabelReportsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetGlobals(); }
  void TearDown() override { ResetGlobals(); }

  // Writes `count` contacts and tags them, the highest QSO number first;
  // the record pointers of contacts numbered in `deleted` are tagged and
  // then the contacts are deleted.
  void TagContacts(int count, std::vector<int> deleted = {}) {
    ASSERT_NO_FATAL_FAILURE(testing::WriteLog(dir_.path(), testing::Contacts(count, 14.0)));
    Table table;
    ASSERT_TRUE(table.Open(dir_.path() + "/AAAA", &dict::AAAA()).ok());
    std::vector<std::pair<int, uint32_t>> rows;
    ASSERT_TRUE(table.Set().ok());
    while (table.Next().ok()) {
      const auto& rec = *reinterpret_cast<const dict::AAAARecord*>(table.record());
      rows.emplace_back(static_cast<int>(rec.N_QSO.get()), table.Pointer());
    }
    std::sort(rows.rbegin(), rows.rend());
    for (const auto& [number, pointer] : rows) {
      TAG_AAAA.Add(static_cast<int32_t>(pointer));
      if (std::find(deleted.begin(), deleted.end(), number) != deleted.end()) {
        ASSERT_TRUE(table.GetRecord(pointer).ok());
        ASSERT_TRUE(table.Delete().ok());
      }
    }
    ASSERT_TRUE(table.Close().ok());
  }

  struct Sheet {
    int rows = 0;
    std::vector<std::string> calls;  // in print order
    size_t pages = 0;
  };

  Sheet Run(const ReportInstance& report) {
    Sheet sheet;
    {
      ReportProcedure procedure(report, context_, services_);
      procedure.RunWithoutWindow();
      sheet.rows = procedure.CISLO();
    }
    sheet.pages = services_.pages.size();
    for (const PageImage& page : services_.pages) {
      for (const std::string& text : testing::PageTexts(page)) {
        if (text.rfind("UA", 0) == 0) sheet.calls.push_back(text);
      }
    }
    return sheet;
  }

  kavo::testing::ScratchDir dir_;
  DataContext context_{dir_.path()};
  testing::RecordingServices services_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox scoped_boxes_{&boxes_};
};

struct SheetCase {
  int tags;
  int rows_three;
  int pages_three;
  int rows_two;
  int pages_two;
};

TEST_F(LabelReportsTest, RowsAndPagesForTagCounts) {
  const SheetCase cases[] = {{1, 1, 1, 1, 1}, {2, 1, 1, 1, 1},   {3, 1, 1, 2, 1},
                             {4, 2, 1, 2, 1}, {24, 8, 1, 12, 2}, {25, 9, 2, 13, 2}};
  for (const SheetCase& c : cases) {
    SCOPED_TRACE(c.tags);
    ResetGlobals();
    std::filesystem::remove_all(dir_.path());
    std::filesystem::create_directories(dir_.path());
    ASSERT_NO_FATAL_FAILURE(TagContacts(c.tags));
    for (int across : {3, 2}) {
      services_.pages.clear();
      Sheet sheet = Run(across == 3 ? PECAT_NAKL() : PEC1_NAKL());
      EXPECT_EQ(sheet.rows, across == 3 ? c.rows_three : c.rows_two) << across;
      EXPECT_EQ(sheet.pages, static_cast<size_t>(across == 3 ? c.pages_three : c.pages_two));
      ASSERT_EQ(sheet.calls.size(), static_cast<size_t>(c.tags)) << across;
      for (int i = 0; i < c.tags; ++i)
        EXPECT_EQ(sheet.calls[static_cast<size_t>(i)], "UA" + std::to_string(i + 1));
      EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/PRINT.TMP"));
      EXPECT_EQ(TAG_AAAA.Records(), static_cast<size_t>(c.tags));
    }
  }
}

TEST_F(LabelReportsTest, ALastRowShowsOnlyItsFilledLabels) {
  ASSERT_NO_FATAL_FAILURE(TagContacts(4));
  Run(PECAT_NAKL());
  ASSERT_EQ(services_.pages.size(), 1u);
  std::vector<std::string> texts = testing::PageTexts(services_.pages[0]);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "To Radio:"), 4);
}

TEST_F(LabelReportsTest, ADeletedTaggedContactStillLetsTheLastRowPrint) {
  ASSERT_NO_FATAL_FAILURE(TagContacts(5, {2}));
  Sheet sheet = Run(PECAT_NAKL());
  EXPECT_EQ(sheet.calls, (std::vector<std::string>{"UA1", "UA3", "UA4", "UA5"}));
  EXPECT_EQ(sheet.rows, 2);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/PRINT.TMP"));
}

TEST_F(LabelReportsTest, NoTagsNoPreview) {
  ASSERT_NO_FATAL_FAILURE(testing::WriteLog(dir_.path(), testing::Contacts(3, 14.0)));
  Run(PEC1_NAKL());
  EXPECT_EQ(services_.previews, 0);
}

}  // namespace
}  // namespace kavo::reports
