// A report run in the program: the progress window "Готовлю отчет" follows
// the frame's timer events to the preview, and its Cancel button ends the
// report without one.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "../reports/report_test_util.h"
#include "app/progress_window.h"
#include "app/report_run.h"
#include "data/globals.h"
#include "reports/log_reports.h"

namespace kavo {
namespace {

using reports::testing::Contacts;
using reports::testing::RecordingServices;

class ReportRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    DIAPAZ = 14.0;
    ASSERT_NO_FATAL_FAILURE(reports::testing::WriteLog(dir_.path(), Contacts(60, 14.0)));
  }
  void TearDown() override { ResetGlobals(); }

  // Starts PRINTDIAP over the generated log.
  ReportRun* Begin() {
    auto services = std::make_unique<RecordingServices>();
    services_ = services.get();
    auto* run = new ReportRun(reports::PRINTDIAP(), &context_, std::move(services), nullptr);
    QObject::connect(run, &ReportRun::Finished, &loop_, &QEventLoop::quit);
    run->Begin();
    return run;
  }
  void WaitForTheEnd() {
    QTimer::singleShot(10000, &loop_, &QEventLoop::quit);
    loop_.exec();
  }

  kavo::testing::ScratchDir dir_;
  DataContext context_{dir_.path()};
  RecordingServices* services_ = nullptr;
  QEventLoop loop_;
};

TEST_F(ReportRunTest, TheProgressWindowLeadsToThePreview) {
  ReportRun* run = Begin();
  ProgressWindow* window = run->window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Готовлю отчет"));
  EXPECT_EQ(window->pct_text()->text(), QString::fromUtf8("0% выполнено"));
  EXPECT_TRUE(window->isVisible());
  int seen_percent = 0;
  QObject::connect(window->thermometer(), &QProgressBar::valueChanged,
                   [&](int v) { seen_percent = v; });
  RecordingServices* services = services_;
  WaitForTheEnd();
  EXPECT_EQ(services->previews, 1);
  EXPECT_EQ(services->pages.size(), 2u);
  EXPECT_EQ(seen_percent, 12);  // 60 of 500
  EXPECT_EQ(GlobalResponse.load(), kRequestCompleted);
  EXPECT_EQ(context_.AAAA.USED, 0);
}

TEST_F(ReportRunTest, CancelEndsTheReportWithoutPreview) {
  ReportRun* run = Begin();
  RecordingServices* services = services_;
  run->window()->cancel_button()->click();
  WaitForTheEnd();
  EXPECT_EQ(services->previews, 0);
  EXPECT_EQ(GlobalResponse.load(), kRequestCancelled);
  EXPECT_EQ(context_.AAAA.USED, 0);
}

}  // namespace
}  // namespace kavo
