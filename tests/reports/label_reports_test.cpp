// The label sheets over tagged contacts: rows filled left to right in QSO
// number order, a last row showing only its filled labels, a new page after
// the last row of a sheet, and the buffer file gone afterwards; a tagged
// contact deleted since it was tagged costs its label only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

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

// Where each text of `texts` stands on the page (x, y in millimetres), in
// page order, with the styles of the first.
struct Placed {
  std::vector<std::pair<double, double>> at;
  bool bold = false;
  bool underline = false;
  double size_pt = 0;
  std::string face;
};
Placed PlacedTexts(const PageImage& page, const std::string& text) {
  Placed out;
  for (const PageItem& item : page.items) {
    const auto* t = std::get_if<PageText>(&item);
    if (t == nullptr || t->text != text) continue;
    if (out.at.empty()) {
      out.bold = t->bold;
      out.underline = t->underline;
      out.size_pt = t->size_pt;
      out.face = t->face;
    }
    out.at.emplace_back(t->rect.x, t->rect.y);
  }
  std::sort(out.at.begin(), out.at.end(), [](const auto& a, const auto& b) {
    return std::tie(a.second, a.first) < std::tie(b.second, b.first);
  });
  return out;
}

using Points = std::vector<std::pair<double, double>>;

TEST_F(LabelReportsTest, TwoRowsOfThreeStandAtTheirMillimetres) {
  // The sheet's area starts 5 mm down; a row is 35 mm high.
  ASSERT_NO_FATAL_FAILURE(TagContacts(6));
  Run(PECAT_NAKL());
  ASSERT_EQ(services_.pages.size(), 1u);
  const PageImage& page = services_.pages[0];
  Placed to = PlacedTexts(page, "To Radio:");
  EXPECT_EQ(to.at, (Points{{19, 8}, {83, 8}, {157, 8}, {19, 43}, {83, 43}, {157, 43}}));
  EXPECT_EQ(to.face, "Arial");
  EXPECT_EQ(to.size_pt, 8);
  Placed call = PlacedTexts(page, "UA5");  // second row, second label
  EXPECT_EQ(call.at, (Points{{95, 43}}));
  EXPECT_TRUE(call.bold && call.underline);
  EXPECT_EQ(PlacedTexts(page, "Data").at,
            (Points{{11, 14}, {76, 14}, {148, 14}, {11, 49}, {76, 49}, {148, 49}}));
  EXPECT_EQ(PlacedTexts(page, "RS(T)").at,
            (Points{{35, 20}, {98, 20}, {174, 20}, {35, 55}, {98, 55}, {174, 55}}));
  EXPECT_EQ(PlacedTexts(page, "QSO.").at,
            (Points{{37, 26}, {97, 26}, {170, 26}, {37, 61}, {97, 61}, {170, 61}}));
  Placed closing = PlacedTexts(page, "TKS for nice QSO dr friend,73! FB DX...");
  EXPECT_EQ(closing.at, (Points{{10, 32}, {76, 32}, {148, 32}, {10, 67}, {76, 67}, {148, 67}}));
  EXPECT_EQ(closing.face, "Small Fonts");
  EXPECT_EQ(closing.size_pt, 7);
}

TEST_F(LabelReportsTest, TwoRowsOfTwoStandAtTheirMillimetres) {
  // The sheet's area starts at 5, 15 mm; a row is 24 mm high. Label 1's
  // "QSO." sits a millimetre lower than label 2's.
  ASSERT_NO_FATAL_FAILURE(TagContacts(4));
  Run(PEC1_NAKL());
  ASSERT_EQ(services_.pages.size(), 1u);
  const PageImage& page = services_.pages[0];
  EXPECT_EQ(PlacedTexts(page, "To Radio:").at, (Points{{19, 16}, {110, 16}, {19, 40}, {110, 40}}));
  EXPECT_EQ(PlacedTexts(page, "UA4").at, (Points{{123, 40}}));
  EXPECT_EQ(PlacedTexts(page, "Band:").at, (Points{{46, 21}, {135, 21}, {46, 45}, {135, 45}}));
  EXPECT_EQ(PlacedTexts(page, "QSO.").at, (Points{{139, 27}, {51, 28}, {139, 51}, {51, 52}}));
  EXPECT_EQ(PlacedTexts(page, "2 x WAY").at, (Points{{30, 27}, {116, 27}, {30, 51}, {116, 51}}));
  EXPECT_EQ(PlacedTexts(page, "TKS for nice QSO dr friend,73! FB DX...").at,
            (Points{{10, 32}, {99, 32}, {10, 56}, {99, 56}}));
  // The values of time, band, report and mode are bold.
  Placed band = PlacedTexts(page, "14.0");
  EXPECT_EQ(band.at, (Points{{54, 21}, {143, 21}, {54, 45}, {143, 45}}));
  EXPECT_TRUE(band.bold);
}

TEST_F(LabelReportsTest, NoTagsNoPreview) {
  ASSERT_NO_FATAL_FAILURE(testing::WriteLog(dir_.path(), testing::Contacts(3, 14.0)));
  Run(PEC1_NAKL());
  EXPECT_EQ(services_.previews, 0);
}

}  // namespace
}  // namespace kavo::reports
