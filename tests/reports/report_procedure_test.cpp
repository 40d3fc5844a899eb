// The report frame over the band report and a generated log: the read loop
// by timer events of 25 records, the progress, the outcomes (empty, laid out,
// cancelled, read error, page error), the pages handed to the preview and the
// printer, and the tables released afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "data/globals.h"
#include "report_test_util.h"
#include "reports/log_reports.h"
#include "reports/report_procedure.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/message_box_scripted.h"

namespace kavo::reports {
namespace {

using testing::Contacts;
using testing::PageTexts;
using testing::WriteLog;

// A view that reads through the real one and fails on read `fail_at`.
class FailingView : public ReportView {
 public:
  FailingView(DataFile& file, int fail_at) : real_(file), fail_at_(fail_at) {}
  Status SetOrder(std::string_view key) override { return real_.SetOrder(key); }
  Status SetFilter(std::string_view f, expr::BindScopes& s) override {
    return real_.SetFilter(f, s);
  }
  Status Open() override { return real_.Open(); }
  Status Next() override {
    if (++reads_ == fail_at_) return Status::Error(err::kAccessDenied);
    return real_.Next();
  }

 private:
  TableReportView real_;
  int fail_at_;
  int reads_ = 0;
};

class ReportProcedureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    DIAPAZ = 14.0;
  }
  void TearDown() override { ResetGlobals(); }

  // Runs PRINTDIAP over `contacts` without a window.
  void Run(const std::vector<testing::Contact>& contacts) {
    ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), contacts));
    ReportProcedure report(PRINTDIAP(), context_, services_);
    report.RunWithoutWindow();
  }

  ::testing::AssertionResult PageFolderEmpty() {
    for (const auto& entry : std::filesystem::directory_iterator(pages_.path())) {
      return ::testing::AssertionFailure() << "left behind: " << entry.path();
    }
    return ::testing::AssertionSuccess();
  }

  kavo::testing::ScratchDir dir_;
  kavo::testing::ScratchDir pages_;
  DataContext context_{dir_.path()};
  testing::RecordingServices services_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox scoped_boxes_{&boxes_};
};

TEST_F(ReportProcedureTest, NoMatchingRecordClosesAtOnceWithoutPreview) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(10, 7.0)));
  ReportProcedure report(PRINTDIAP(), context_, services_, nullptr, pages_.path());
  report.Start();
  EXPECT_EQ(report.progress().Thermometer, 0);
  EXPECT_EQ(report.progress().PctText, Cp1251FromUtf8("0% выполнено"));
  EXPECT_EQ(report.progress().caption, Cp1251FromUtf8("Готовлю отчет"));
  report.WindowOpened();
  EXPECT_EQ(report.state(), ReportState::kEmpty);
  EXPECT_TRUE(report.close_requested());
  report.End();
  EXPECT_EQ(report.state(), ReportState::kClosed);
  EXPECT_EQ(services_.previews, 0);
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(ReportProcedureTest, ExactlyTwentyFiveRecordsFinishInOneTimerEvent) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(25, 14.0)));
  ReportProcedure report(PRINTDIAP(), context_, services_, nullptr, pages_.path());
  report.Start();
  report.WindowOpened();
  EXPECT_EQ(report.state(), ReportState::kLayingOut);
  EXPECT_FALSE(report.close_requested());
  report.TimerEvent();
  EXPECT_TRUE(report.close_requested());
  EXPECT_EQ(report.CISLO(), 25);
  EXPECT_EQ(report.LocalResponse(), kRequestCompleted);
  report.End();
  EXPECT_EQ(services_.previews, 1);
  ASSERT_EQ(services_.pages.size(), 1u);
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  EXPECT_EQ(services_.printed, 0u);
  EXPECT_TRUE(PageFolderEmpty());
}

TEST_F(ReportProcedureTest, TheBarReachesOneHundredAtRecordFiveHundredAndStays) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(1000, 14.0)));
  ReportProcedure report(PRINTDIAP(), context_, services_, nullptr, pages_.path());
  report.Start();
  report.WindowOpened();
  // The first read happened when the window opened: 1 record, 0 percent.
  EXPECT_EQ(report.progress().Thermometer, 0);
  int events = 0;
  while (!report.close_requested()) {
    int changes = report.progress().changes;
    report.TimerEvent();
    ++events;
    int read = report.RecordsProcessed();
    EXPECT_EQ(report.progress().Thermometer, std::min(100, read / 5)) << "after " << read;
    // Redrawn only when the percentage moved.
    if (read <= 500) {
      EXPECT_GT(report.progress().changes, changes);
    } else if (read > 525) {
      EXPECT_EQ(report.progress().changes, changes);
    }
  }
  EXPECT_EQ(events, 40);
  EXPECT_EQ(report.progress().PctText, Cp1251FromUtf8("100% выполнено"));
  report.End();
  EXPECT_EQ(services_.previews, 1);
  EXPECT_EQ(services_.pages.size(), 29u);  // 35 contacts a page
}

TEST_F(ReportProcedureTest, PercentTextIsFormattedWithThreeDigits) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(60, 14.0)));
  ReportProcedure report(PRINTDIAP(), context_, services_, nullptr, pages_.path());
  report.Start();
  report.WindowOpened();
  report.TimerEvent();  // 26 records read
  EXPECT_EQ(report.progress().PctText, Cp1251FromUtf8("  5% выполнено"));
  report.Cancel();
  report.End();
}

TEST_F(ReportProcedureTest, CancelDiscardsThePagesAndShowsNoPreview) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(200, 14.0)));
  ReportProcedure report(PRINTDIAP(), context_, services_, nullptr, pages_.path());
  report.Start();
  report.WindowOpened();
  for (int i = 0; i < 3; ++i) report.TimerEvent();
  EXPECT_FALSE(report.close_requested());
  report.Cancel();
  EXPECT_TRUE(report.close_requested());
  report.TimerEvent();  // an event after the request changes nothing
  EXPECT_EQ(report.CISLO(), 75);
  report.End();
  EXPECT_EQ(services_.previews, 0);
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  EXPECT_TRUE(PageFolderEmpty());
}

TEST_F(ReportProcedureTest, AWindowClosedBeforeItOpenedReadsNothing) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(10, 14.0)));
  ReportProcedure report(PRINTDIAP(), context_, services_, nullptr, pages_.path());
  report.Start();
  report.Cancel();
  report.WindowOpened();
  report.TimerEvent();
  EXPECT_EQ(report.RecordsProcessed(), 0);
  report.End();
  EXPECT_EQ(report.outcome(), ReportOutcome::kCancelled);
  EXPECT_EQ(services_.previews, 0);
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
}

TEST_F(ReportProcedureTest, PrintingIsAskedOnlyWhenTheUserChoseIt) {
  services_.choose_print = true;
  ASSERT_NO_FATAL_FAILURE(Run(Contacts(40, 14.0)));
  EXPECT_EQ(services_.printed, 2u);
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
}

TEST_F(ReportProcedureTest, AReadErrorShowsWarning35AndPreviewsWhatWasRead) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(100, 14.0)));
  ReportProcedure report(
      PRINTDIAP(), context_, services_,
      [](DataFile& f) { return std::make_unique<FailingView>(f, 40); }, pages_.path());
  report.RunWithoutWindow();
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_NE(boxes_.shown()[0].text.find("AAAA"), std::string::npos);
  EXPECT_NE(boxes_.shown()[0].text.find("(5)"), std::string::npos) << boxes_.shown()[0].text;
  EXPECT_EQ(services_.previews, 1);
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  ASSERT_EQ(services_.pages.size(), 2u);
  std::vector<std::string> last = PageTexts(services_.pages[1]);
  EXPECT_NE(std::find(last.begin(), last.end(), "39"), last.end());  // the count
  EXPECT_EQ(std::find(last.begin(), last.end(), "UA40"), last.end());
}

TEST_F(ReportProcedureTest, AFailedFirstReadEndsWithoutPreview) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(10, 14.0)));
  ReportProcedure report(
      PRINTDIAP(), context_, services_,
      [](DataFile& f) { return std::make_unique<FailingView>(f, 1); }, pages_.path());
  report.RunWithoutWindow();
  EXPECT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(services_.previews, 0);
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
}

TEST_F(ReportProcedureTest, APageThatCannotBeStoredEndsTheReportWithAMessage) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(100, 14.0)));
  ReportProcedure report(PRINTDIAP(), context_, services_, nullptr, dir_.File("missing/dir"));
  report.RunWithoutWindow();
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].icon, MessageIcon::kStop);
  EXPECT_EQ(services_.previews, 0);
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
}

TEST_F(ReportProcedureTest, TheUseCounterIsBackWhereItWas) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(30, 14.0)));
  {
    ReportProcedure report(PRINTDIAP(), context_, services_, nullptr, pages_.path());
    report.RunWithoutWindow();
  }
  EXPECT_EQ(context_.AAAA.USED, 0);
  EXPECT_FALSE(context_.AAAA.file().is_open());
  // A caller holding the log keeps it open.
  UseFile(context_.AAAA, 1);
  {
    ReportProcedure report(PRINTDIAP(), context_, services_, nullptr, pages_.path());
    report.Start();
    EXPECT_EQ(context_.AAAA.USED, 2);
    report.WindowOpened();
    report.Cancel();
  }  // the destructor ends the report
  EXPECT_EQ(context_.AAAA.USED, 1);
  EXPECT_TRUE(context_.AAAA.file().is_open());
  ReleaseFile(context_.AAAA);
}

TEST_F(ReportProcedureTest, TheBandReportListsExactlyItsBandWithRunningCounts) {
  std::vector<testing::Contact> log = Contacts(50, 14.0);
  for (const testing::Contact& c : Contacts(20, 7.0, 500)) log.push_back(c);
  for (const testing::Contact& c : Contacts(5, 14.01, 900)) log.push_back(c);
  ASSERT_NO_FATAL_FAILURE(Run(log));
  ASSERT_EQ(services_.pages.size(), 2u);
  int listed = 0;
  for (const PageImage& page : services_.pages) {
    for (const std::string& text : PageTexts(page)) {
      if (text.rfind("UA", 0) == 0) {
        ++listed;
        int number = std::stoi(text.substr(2));
        EXPECT_LE(number, 50) << text;
      }
    }
  }
  EXPECT_EQ(listed, 50);
  std::vector<std::string> p1 = PageTexts(services_.pages[0]);
  std::vector<std::string> p2 = PageTexts(services_.pages[1]);
  EXPECT_NE(std::find(p1.begin(), p1.end(), "35"), p1.end());
  EXPECT_NE(std::find(p2.begin(), p2.end(), "50"), p2.end());
  EXPECT_NE(std::find(p2.begin(), p2.end(), Cp1251FromUtf8("Стр.    2")), p2.end());
  EXPECT_NE(std::find(p1.begin(), p1.end(), "14.0"), p1.end());  // the band in the header
}

TEST_F(ReportProcedureTest, TheSelectionIsTakenWhenTheReportStarts) {
  ASSERT_NO_FATAL_FAILURE(WriteLog(dir_.path(), Contacts(30, 14.0)));
  ReportProcedure report(PRINTDIAP(), context_, services_, nullptr, pages_.path());
  report.Start();
  DIAPAZ = 7.0;  // the browse moves on
  report.WindowOpened();
  while (!report.close_requested()) report.TimerEvent();
  report.End();
  EXPECT_EQ(report.CISLO(), 30);
}

}  // namespace
}  // namespace kavo::reports
