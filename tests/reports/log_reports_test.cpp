// The log reports and the QSL card over one generated log: each report lists
// exactly the contacts its selection names (checked against the selection
// worked out here from the contacts themselves), pages hold as many bands as
// the detail area takes, every footer shows the running count and the page
// number, and the first band's fields sit at their millimetre places.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "data/dict_records.h"
#include "data/dict_tables.h"
#include "data/globals.h"
#include "report_test_util.h"
#include "reports/log_reports.h"
#include "reports/report_procedure.h"
#include "runtime/cp1251.h"
#include "runtime/message_box_scripted.h"
#include "store/table.h"

namespace kavo::reports {
namespace {

using testing::Contact;
using testing::PageTexts;
using testing::WriteStation;

constexpr int32_t kFirstDay = 80000;

// 200 contacts: bands, modes, countries (in two spellings), regions (one of
// them blank) and days in cycles of different lengths.
std::vector<Contact> GeneratedLog() {
  const double bands[] = {7.0, 14.0, 21.0};
  const char* modes[] = {"SSB", "CW", "ssb", "FM"};
  const char* countries[] = {"Russia", "Ukraine", "RUSSIA", "Japan", "Italy"};
  const char* regions[] = {"AB", "", "CD", "ab", "EF", "GH"};
  std::vector<Contact> log;
  for (int i = 1; i <= 200; ++i) {
    Contact c;
    c.number = i;
    c.call = "UA" + std::to_string(i);
    c.band = bands[i % 3];
    c.mode = modes[i % 4];
    c.country = countries[i % 5];
    c.region = regions[i % 6];
    c.date = kFirstDay + i % 40;
    c.time = 100 + i;
    c.qth = "A QTH LONGER THAN TWENTY-TWO LETTERS";
    log.push_back(c);
  }
  return log;
}

std::string Upper(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

bool InPeriod(const Contact& c) {
  return c.date >= kFirstDay + 5 && c.date <= kFirstDay + 24;
}

struct Case {
  const ReportInstance& (*report)();
  // The highlighted contact the browse leaves in the buffer (0: none).
  int highlighted;
  std::function<bool(const Contact& c, const Contact& h)> selects;
  // Where the first band's callsign lies on the page.
  RectMm poz;
};

const Contact& Nth(const std::vector<Contact>& log, int number) {
  return log[static_cast<size_t>(number - 1)];
}

class LogReportsTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    ResetGlobals();
    D1 = kFirstDay + 5;
    D2 = kFirstDay + 24;
    ZAGOL.Set("TITLE OF THE PERIOD");
    ASSERT_NO_FATAL_FAILURE(testing::WriteLog(dir_.path(), log_));
  }
  void TearDown() override { ResetGlobals(); }

  // Runs `report` as the browse would, with contact `highlighted` in the
  // record buffer.
  void Run(const ReportInstance& report, int highlighted) {
    DataFile& log = FileOf(context_, FileId::AAAA);
    UseFile(log, 1);
    log.file().ClearRecord();
    if (highlighted > 0) {
      const Contact& h = Nth(log_, highlighted);
      auto& rec = *reinterpret_cast<dict::AAAARecord*>(log.file().record());
      h.country.copy(rec.PREF, std::min(h.country.size(), sizeof rec.PREF));
      h.mode.copy(rec.MODE, std::min(h.mode.size(), sizeof rec.MODE));
      h.region.copy(rec.PR, std::min(h.region.size(), sizeof rec.PR));
    }
    {
      ReportProcedure procedure(report, context_, services_);
      procedure.RunWithoutWindow();
    }
    ReleaseFile(log);
  }

  std::vector<Contact> log_ = GeneratedLog();
  kavo::testing::ScratchDir dir_;
  DataContext context_{dir_.path()};
  testing::RecordingServices services_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox scoped_boxes_{&boxes_};
};

TEST_P(LogReportsTest, ListsItsSelectionWithRunningCountsAndFieldsInPlace) {
  const Case& c = GetParam();
  const ReportInstance& report = c.report();
  ASSERT_NO_FATAL_FAILURE(Run(report, c.highlighted));

  std::set<int> expected;
  const Contact blank;
  for (const Contact& contact : log_) {
    if (c.selects(contact, c.highlighted > 0 ? Nth(log_, c.highlighted) : blank)) {
      expected.insert(contact.number);
    }
  }
  ASSERT_FALSE(expected.empty());
  const int n = static_cast<int>(expected.size());
  const int per_page =
      static_cast<int>(std::floor(report.layout.detail_area.h / report.layout.detail.rect.h));
  ASSERT_EQ(services_.previews, 1);
  ASSERT_EQ(static_cast<int>(services_.pages.size()), (n + per_page - 1) / per_page);

  std::set<int> listed;
  for (size_t p = 0; p < services_.pages.size(); ++p) {
    std::vector<std::string> texts = PageTexts(services_.pages[p]);
    for (const std::string& text : texts) {
      if (text.rfind("UA", 0) == 0) {
        EXPECT_TRUE(listed.insert(std::stoi(text.substr(2))).second);
      }
    }
    const int running = std::min(n, per_page * static_cast<int>(p + 1));
    EXPECT_NE(std::find(texts.begin(), texts.end(), std::to_string(running)), texts.end())
        << "page " << p + 1;
    std::string page_number = std::to_string(p + 1);
    page_number.insert(0, 4 - page_number.size(), ' ');
    EXPECT_NE(std::find(texts.begin(), texts.end(), Cp1251FromUtf8("Стр. ") + page_number),
              texts.end());
  }
  EXPECT_EQ(listed, expected);

  // The first band's callsign, and every text of the page inside the page's
  // printable width; a QTH too long for its picture is cut to 22 letters.
  bool found_poz = false;
  for (const PageItem& item : services_.pages[0].items) {
    const auto* t = std::get_if<PageText>(&item);
    if (t == nullptr) continue;
    if (t->text.rfind("UA", 0) == 0 && !found_poz) {
      found_poz = true;
      EXPECT_NEAR(t->rect.x, c.poz.x, 1e-6);
      EXPECT_NEAR(t->rect.y, c.poz.y, 1e-6);
      EXPECT_NEAR(t->rect.w, c.poz.w, 1e-6);
      EXPECT_NEAR(t->rect.h, c.poz.h, 1e-6);
    }
    if (t->text.rfind("A QTH", 0) == 0) {
      EXPECT_EQ(t->text, "A QTH LONGER THAN TWEN");
    }
  }
  EXPECT_TRUE(found_poz);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, LogReportsTest,
    ::testing::Values(
        Case{&STRANA21,
             7,
             [](const Contact& c, const Contact& h) {
               return InPeriod(c) && Upper(c.region) == Upper(h.region);
             },
             {22, 29, 35, 4}},
        // A highlighted contact with a blank region lists every blank region.
        Case{&STRANA21,
             1,
             [](const Contact& c, const Contact&) { return InPeriod(c) && c.region.empty(); },
             {22, 29, 35, 4}},
        Case{&STRANA22,
             0,
             [](const Contact& c, const Contact&) { return InPeriod(c); },
             {20, 30, 35, 4}},
        Case{
            &PRINTAAA_BEY_SS,
            2,
            [](const Contact& c, const Contact& h) { return Upper(c.country) == Upper(h.country); },
            {21, 35, 19, 4}},
        Case{&PRINTMODE,
             3,
             [](const Contact& c, const Contact& h) { return Upper(c.mode) == Upper(h.mode); },
             {21, 41, 15, 4}},
        Case{&PRINTAAA_BEY_D,
             0,
             [](const Contact& c, const Contact&) { return InPeriod(c); },
             {21, 24, 25, 4}},
        Case{&STRANA,
             0,
             [](const Contact& c, const Contact&) { return InPeriod(c); },
             {21, 44, 35, 4}},
        Case{&STRANA1,
             0,
             [](const Contact& c, const Contact&) { return InPeriod(c); },
             {21, 44, 35, 4}},
        Case{&STRANA2,
             0,
             [](const Contact& c, const Contact&) { return InPeriod(c); },
             {21, 44, 35, 4}}));

class QslCardTest : public LogReportsTest {};

TEST_F(QslCardTest, OneCardWithTheStationAndTheContact) {
  ASSERT_NO_FATAL_FAILURE(WriteStation(dir_.path()));
  QSO = 42;
  ASSERT_NO_FATAL_FAILURE(Run(REPORTQSL(), 0));
  ASSERT_EQ(services_.pages.size(), 1u);
  std::vector<std::string> texts = PageTexts(services_.pages[0]);
  for (const char* want : {"RUSSIA", "UA3XYZ", "KO85", "IVAN", "PETROV", "ssb", "7.0"}) {
    EXPECT_NE(std::find(texts.begin(), texts.end(), want), texts.end()) << want;
  }
  for (const PageItem& item : services_.pages[0].items) {
    const auto* t = std::get_if<PageText>(&item);
    if (t != nullptr && t->text == "UA3XYZ") {
      EXPECT_EQ(t->rect, (RectMm{14, 24, 106, 17}));
      EXPECT_EQ(t->face, "Bookman Old Style");
      EXPECT_EQ(t->size_pt, 48);
    }
  }

  QSO = 999;  // a number no contact has
  services_.previews = 0;
  ASSERT_NO_FATAL_FAILURE(Run(REPORTQSL(), 0));
  EXPECT_EQ(services_.previews, 0);
}

}  // namespace
}  // namespace kavo::reports
