// The island report over a generated IOTA table, run as the IOTA window
// runs it: in the window's context, the group list's group in the NA_IOTA
// buffer. It lists exactly that group's islands (the group name compared
// ignoring case), pages as many lines as the detail area takes, and the
// first line's texts sit at their millimetre places.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <variant>

#include "data/dict_records.h"
#include "data/globals.h"
#include "report_test_util.h"
#include "reports/reference_reports.h"
#include "runtime/cp1251.h"
#include "runtime/message_box_scripted.h"

namespace kavo::reports {
namespace {

using testing::PageTexts;

class IslandReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    files_.Open();
    for (const char* group : {"AF", "EU", "OC"}) {
      context_.NA_IOTA.rec().Clear();
      dict::SetText(context_.NA_IOTA.rec().NAIM, group);
      ASSERT_TRUE(context_.NA_IOTA.file().Add().ok());
    }
    // 45 islands of EU under three spellings of the group, 3 of AF, none of OC.
    const char* spellings[] = {"EU", "eu", "Eu"};
    for (int i = 1; i <= 45; ++i) {
      const std::string name = "EU-" + std::string(i < 10 ? "00" : "0") + std::to_string(i);
      ASSERT_NO_FATAL_FAILURE(AddIsland(spellings[i % 3], name, "R1" + std::to_string(i),
                                        "Остров номер " + std::to_string(i), "редкий"));
    }
    for (const char* name : {"AF-001", "AF-002", "AF-003"}) {
      ASSERT_NO_FATAL_FAILURE(AddIsland("AF", name, "FR", "Africa", ""));
    }
  }
  void TearDown() override {
    files_.Release();
    ResetGlobals();
  }

  void AddIsland(const char* group, const std::string& name, const std::string& prefix,
                 const std::string& territory, const std::string& remark) {
    dict::IOTARecord& rec = context_.IOTA.rec();
    rec.Clear();
    dict::SetText(rec.FIRSTNAME, group);
    dict::SetText(rec.NAIM, name);
    dict::SetText(rec.PREFIKS, prefix);
    dict::SetText(rec.TERRIT, Cp1251FromUtf8(territory));
    dict::SetText(rec.PRIMEC, Cp1251FromUtf8(remark));
    ASSERT_TRUE(context_.IOTA.file().Add().ok());
  }

  // The group list has `group` selected; the island list has moved on to
  // another island, as it may have.
  ReportOutcome Run(const char* group) {
    dict::SetText(context_.NA_IOTA.rec().NAIM, group);
    dict::SetText(context_.IOTA.rec().FIRSTNAME, "AF");
    ReportProcedure procedure(PRINTIOTA(), context_, services_);
    procedure.RunWithoutWindow();
    return procedure.outcome();
  }

  kavo::testing::ScratchDir dir_;
  DataContext context_{dir_.path()};
  ProcedureFiles files_{context_, procedure_files::browseiota};
  testing::RecordingServices services_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox scoped_boxes_{&boxes_};
};

const PageText* FindText(const PageImage& page, const std::string& text) {
  for (const PageItem& item : page.items) {
    const auto* t = std::get_if<PageText>(&item);
    if (t != nullptr && t->text == text) return t;
  }
  return nullptr;
}

void ExpectRect(const PageText* text, const RectMm& rect) {
  ASSERT_NE(text, nullptr);
  EXPECT_NEAR(text->rect.x, rect.x, 1e-6);
  EXPECT_NEAR(text->rect.y, rect.y, 1e-6);
  EXPECT_NEAR(text->rect.w, rect.w, 1e-6);
  EXPECT_NEAR(text->rect.h, rect.h, 1e-6);
}

TEST_F(IslandReportTest, ListsTheSelectedGroupsIslandsIgnoringCaseOnFullPages) {
  ASSERT_EQ(Run("eu"), ReportOutcome::kPreviewed);
  ASSERT_EQ(services_.previews, 1);
  // 245 mm of detail area take 40 lines of 6 mm.
  ASSERT_EQ(services_.pages.size(), 2u);
  std::set<std::string> listed;
  for (size_t p = 0; p < services_.pages.size(); ++p) {
    const std::vector<std::string> texts = PageTexts(services_.pages[p]);
    size_t on_page = 0;
    for (const std::string& text : texts) {
      if (text.rfind("EU-", 0) == 0) {
        EXPECT_TRUE(listed.insert(text).second) << text;
        ++on_page;
      }
      EXPECT_NE(text.rfind("AF-", 0), 0u) << text;
    }
    EXPECT_EQ(on_page, p == 0 ? 40u : 5u);
    // The group as the caller's list had it, the running count, the page.
    EXPECT_NE(FindText(services_.pages[p], "eu"), nullptr);
    EXPECT_NE(FindText(services_.pages[p], p == 0 ? "40" : "45"), nullptr);
    EXPECT_NE(FindText(services_.pages[p], Cp1251FromUtf8("Стр.    ") + std::to_string(p + 1)),
              nullptr);
  }
  EXPECT_EQ(listed.size(), 45u);

  // The first line: name, prefix, territory and remark in their columns,
  // a millimetre inside the rules, below the titles.
  const PageImage& first = services_.pages[0];
  ExpectRect(FindText(first, "EU-001"), {19, 33, 24, 4});
  ExpectRect(FindText(first, "R11"), {45, 33, 18, 4});
  ExpectRect(FindText(first, Cp1251FromUtf8("Остров номер 1")), {65, 33, 90, 4});
  ExpectRect(FindText(first, Cp1251FromUtf8("Территория")), {65, 27, 90, 4});
  const PageText* remark = FindText(first, Cp1251FromUtf8("редкий"));
  ASSERT_NE(remark, nullptr);
  EXPECT_NEAR(remark->rect.x, 157, 1e-6);
}

TEST_F(IslandReportTest, AGroupWithoutIslandsPrintsNothing) {
  EXPECT_EQ(Run("OC"), ReportOutcome::kEmpty);
  EXPECT_EQ(services_.previews, 0);
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  // The window's files stay open for its lists.
  EXPECT_TRUE(context_.IOTA.file().is_open());
}

}  // namespace
}  // namespace kavo::reports
