#include "app/report_preview.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QProcess>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/file_dialog.h"
#include "app/page_output.h"
#include "app/report_fonts.h"
#include "data/globals.h"
#include "runtime/cp1251.h"
#include "runtime/message_box_scripted.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;
using reports::ZoomMode;

QString Utf8(const char* text) {
  return QString::fromUtf8(text);
}

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "kavo-preview-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  size_t Count() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(path_), {}));
  }

 private:
  std::string path_;
};

reports::PageText MakeText(const reports::RectMm& rect, const std::string& utf8, const char* face,
                           double size_pt, reports::TextAlign align) {
  reports::PageText text;
  text.rect = rect;
  text.text = Cp1251FromUtf8(utf8);
  text.face = face;
  text.size_pt = size_pt;
  text.align = align;
  return text;
}

// Pages "Страница N" with a frame, a rule and a right-aligned number.
void FillQueue(reports::PrintPreviewQueue& queue, int pages) {
  for (int n = 1; n <= pages; ++n) {
    reports::PageImage page;
    page.items.emplace_back(MakeText({20, 20, 170, 8}, "Страница " + std::to_string(n), "Arial Cyr",
                                     14, reports::TextAlign::kLeft));
    page.items.emplace_back(MakeText({20, 280, 170, 5}, std::to_string(n), "Times New Roman Cyr",
                                     10, reports::TextAlign::kRight));
    page.items.emplace_back(reports::PageLine{20, 30, 190, 30, 0.3});
    page.items.emplace_back(reports::PageBox{{15, 15, 180, 267}, 0.2, false});
    ASSERT_TRUE(queue.AddPage(page).ok());
  }
}

class ReportPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallReportFonts();
    ASSERT_NO_FATAL_FAILURE(FillQueue(queue_, 12));
    SetFileDialogService(&files_);
  }
  void TearDown() override { SetFileDialogService(nullptr); }

  // An open preview of the test's queue at a known size.
  std::unique_ptr<ReportPreviewWindow> Open() {
    auto window = std::make_unique<ReportPreviewWindow>(queue_);
    window->resize(900, 800);
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return window;
  }

  reports::PrintPreviewQueue queue_;
  ScriptedFileDialog files_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox installed_{&boxes_};
  ScratchDir dir_;
};

TEST_F(ReportPreviewTest, PagesThroughAGridAndZooms) {
  auto window = Open();
  EXPECT_EQ(window->ZoneText(2), Utf8("Стр. 1 из 12"));
  EXPECT_EQ(window->ZoneText(3), Utf8("Без масшт"));
  ASSERT_EQ(window->slot_views().size(), 1u);

  window->SetPagesAcross(3);
  window->SetPagesDown(2);
  ASSERT_EQ(window->slot_views().size(), 6u);
  EXPECT_EQ(window->ZoneText(2), Utf8("Стр.  1-6 из 12"));
  EXPECT_FALSE(window->previous_action()->isEnabled());
  // Each slot keeps the page's proportions and lies inside the page area.
  for (const PageView* view : window->slot_views()) {
    EXPECT_TRUE(view->isVisible());
    EXPECT_NEAR(static_cast<double>(view->height()) / view->width(), 297.0 / 210.0, 0.05);
  }

  QTest::keyClick(window.get(), Qt::Key_PageDown);
  EXPECT_EQ(window->ZoneText(2), Utf8("Стр.  7-12 из 12"));
  EXPECT_FALSE(window->next_action()->isEnabled());

  window->ClickSlot(3);
  EXPECT_EQ(window->logic().CurrentPage(), 9);
  EXPECT_TRUE(window->slot_views().empty());
  EXPECT_EQ(window->ZoneText(3), Utf8("Масш (Ширина стр)"));
  EXPECT_EQ(window->zoom_area()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_LE(window->zoom_view()->width(), window->zoom_area()->viewport()->width());

  window->SetZoom(ZoomMode::Zoom200);
  EXPECT_EQ(window->zoom_view()->width(), 2 * window->logic().ImageWidth());
  EXPECT_EQ(window->ZoneText(3), Utf8("Масш (200%)"));
  EXPECT_TRUE(window->zoom_action(ZoomMode::Zoom200)->isChecked());
  EXPECT_FALSE(window->zoom_action(ZoomMode::ZoomNoZoom)->isChecked());

  window->ClickZoomView();
  EXPECT_EQ(window->slot_views().size(), 6u);
  EXPECT_EQ(window->ZoneText(2), Utf8("Стр.  9-12 из 12"));
}

TEST_F(ReportPreviewTest, PageTypedBeyondTheLastShowsTheLast) {
  auto window = Open();
  QLineEdit* edit = window->page_spin()->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, "99");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(window->logic().CurrentPage(), 12);
  EXPECT_EQ(window->page_spin()->value(), 12);
  EXPECT_EQ(window->ZoneText(2), Utf8("Стр. 12 из 12"));
}

TEST_F(ReportPreviewTest, PrintAnswersOneAndTheCloseBoxTwo) {
  QTimer::singleShot(0, [] {
    auto* window = qobject_cast<ReportPreviewWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    window->Print();
  });
  EXPECT_EQ(ReportPreview(queue_, nullptr), 1);
  EXPECT_EQ(GlobalResponse, 1);

  QTimer::singleShot(0, [] {
    auto* window = qobject_cast<ReportPreviewWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    window->close();
  });
  EXPECT_EQ(ReportPreview(queue_, nullptr), 2);
  EXPECT_EQ(GlobalResponse, 2);
}

TEST_F(ReportPreviewTest, SavesAPdfThatHoldsEveryPageInOrder) {
  const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
  if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
  auto window = Open();
  files_.Answer(QString::fromStdString(dir_.File("report")));
  ASSERT_TRUE(window->SavePdf());
  ASSERT_EQ(files_.requests().size(), 1u);
  EXPECT_TRUE(files_.requests()[0].save);
  const std::string pdf = dir_.File("report.pdf");
  ASSERT_TRUE(fs::exists(pdf));
  EXPECT_EQ(dir_.Count(), 1u);

  QProcess process;
  process.start(pdftotext, {"-layout", QString::fromStdString(pdf), "-"});
  ASSERT_TRUE(process.waitForFinished());
  const QString text = QString::fromUtf8(process.readAllStandardOutput());
  qsizetype at = 0;
  for (int n = 1; n <= 12; ++n) {
    at = text.indexOf(Utf8("Страница ") + QString::number(n), at);
    ASSERT_GE(at, 0) << "page " << n << " missing or out of order:\n" << text.toStdString();
  }
}

TEST_F(ReportPreviewTest, FailedPdfLeavesNothingBehind) {
  // A page file gone missing fails the write; the earlier file stays whole.
  const std::string pdf = dir_.File("old.pdf");
  std::ofstream(pdf) << "earlier";
  fs::remove(queue_.PrintPreviewImage(5));
  QString error;
  EXPECT_FALSE(WritePagesPdf(queue_, QString::fromStdString(pdf), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("6"))) << error.toStdString();
  std::ifstream in(pdf);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "earlier");
  EXPECT_EQ(dir_.Count(), 1u);

  // A folder that does not exist: the user is told.
  auto window = Open();
  files_.Answer(QString::fromStdString(dir_.File("missing/report.pdf")));
  EXPECT_FALSE(window->SavePdf());
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_NE(Utf8FromCp1251(boxes_.shown()[0].text).find("report.pdf"), std::string::npos);
}

TEST(ReportFonts, LayoutFacesLandOnMetricCompatibleFonts) {
  InstallReportFonts();
  EXPECT_EQ(QFontInfo(QFont("Arial Cyr")).family(), "Liberation Sans");
  EXPECT_EQ(QFontInfo(QFont("Times New Roman Cyr")).family(), "Liberation Serif");
  EXPECT_EQ(QFontInfo(QFont("Times new Roman Cyr")).family(), "Liberation Serif");
  EXPECT_EQ(QFontInfo(QFont("Courier New")).family(), "Liberation Mono");
  EXPECT_TRUE(QFontInfo(QFont("Fixedsys")).fixedPitch());
  // Arial's W advances 1933/2048 of the em: ten of them at 100 pixels.
  reports::PageText text;
  text.face = "Arial";
  text.size_pt = 72;
  const QFont font = ReportFont(text, 100.0 / 25.4);  // one unit per pixel at 100 per inch
  EXPECT_NEAR(QFontMetricsF(font).horizontalAdvance("WWWWWWWWWW"), 10 * 100 * 1933.0 / 2048, 2);
}

}  // namespace
}  // namespace kavo
