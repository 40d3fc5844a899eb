#include "app/text_viewer_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/file_dialog.h"
#include "app/progress_window.h"
#include "data/globals.h"
#include "runtime/cp1251.h"
#include "runtime/message_box_scripted.h"

namespace kavo {
namespace {

namespace fs = std::filesystem;

// Ends a load in time on a slow machine; the load itself is not timed.
constexpr int kLoadWaitMs = 120000;

class TextViewerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kavo-viewer-XXXXXX").string();
    dir_ = ::mkdtemp(pattern.data());
    previous_ = fs::current_path();
    fs::current_path(dir_);
    fs::create_directory("dx425");
    ASCIIFileName.Clear();
    SetFileDialogService(&files_);
  }
  void TearDown() override {
    SetFileDialogService(nullptr);
    ASCIIFileName.Clear();
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // A bulletin of about `bytes` bytes in UTF-8 whose line `marker_line`
  // (1-based) names the marker; returns the number of lines.
  int WriteBulletin(const std::string& name, size_t bytes, int marker_line) {
    std::ofstream out(name, std::ios::binary);
    size_t written = 0;
    int line = 0;
    while (written < bytes) {
      ++line;
      std::string text = line == marker_line ? "QSL via EA5XYZ - МАРКЕР маяка"
                                             : "DX news, line " + std::to_string(line) +
                                                   ": 14025 kHz CW, Москва, пайлап";
      text += "\n";
      out << text;
      written += text.size();
    }
    return line;
  }

  // Opens dxinfo on the file picked in its dialog and waits for its window.
  TextViewerWindow* OpenDxinfo(const QString& picked) {
    files_.Answer(picked);
    dxinfo(ProcedureContext{nullptr, Launch::kStart});
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* viewer = qobject_cast<TextViewerWindow*>(widget)) return viewer;
    }
    return nullptr;
  }

  std::string dir_;
  fs::path previous_;
  ScriptedFileDialog files_;
  ScriptedMessageBox boxes_;
  ScopedMessageBox installed_{&boxes_};
};

TEST_F(TextViewerWindowTest, FiveMegabytesLoadAndSearch) {
  const int lines = WriteBulletin("dx425/BIG.TXT", 5 << 20, 70000);
  TextViewerWindow* viewer = OpenDxinfo(QString::fromStdString(dir_ + "/dx425/BIG.TXT"));
  ASSERT_NE(viewer, nullptr);
  ASSERT_EQ(files_.requests().size(), 1u);
  EXPECT_EQ(files_.requests()[0].title, QString::fromUtf8("Выберите файл"));
  EXPECT_TRUE(files_.requests()[0].directory.endsWith("dx425"));
  EXPECT_EQ(ASCIIFileName.Trimmed(), "dx425/BIG.TXT");

  QListView* list = viewer->list();
  ASSERT_TRUE(QTest::qWaitFor([&] { return list->model()->rowCount() == lines; }, kLoadWaitMs));
  EXPECT_TRUE(list->isEnabled());
  EXPECT_EQ(list->model()->index(1, 0).data().toString(),
            QString::fromUtf8("DX news, line 2: 14025 kHz CW, Москва, пайлап"));

  reports::TextSearch search;
  search.SearchString = Cp1251FromUtf8("маркер");
  viewer->Find(search);
  EXPECT_EQ(list->currentIndex().row(), 69999);
  EXPECT_TRUE(viewer->repeat_button()->isEnabled());

  // Again from there: the end of the file, and No keeps the line.
  boxes_.Answer(button::kNo);
  viewer->FindNext();
  EXPECT_EQ(list->currentIndex().row(), 69999);
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, "End of File Error");
  viewer->close();
  delete viewer;
}

// A line longer than the list is wide shows whole: its row reaches past the
// list, which scrolls sideways to it (the rows were cut at the list's edge).
TEST_F(TextViewerWindowTest, LongLinesShowWholeAndScrollSideways) {
  const std::string long_line = "QSL via " + std::string(150, 'X') + " end";
  std::ofstream("dx425/LONG.TXT") << "short\n" << long_line << "\nshort again\n";
  TextViewerWindow* viewer = OpenDxinfo(QString::fromStdString(dir_ + "/dx425/LONG.TXT"));
  ASSERT_NE(viewer, nullptr);
  viewer->show();
  QListView* list = viewer->list();
  ASSERT_TRUE(QTest::qWaitFor([&] { return list->model()->rowCount() == 3; }, kLoadWaitMs));
  QApplication::processEvents();
  const int text_width = list->fontMetrics().horizontalAdvance(QString::fromStdString(long_line));
  EXPECT_GE(list->visualRect(list->model()->index(1, 0)).width(), text_width);
  EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
  viewer->close();
}

TEST_F(TextViewerWindowTest, CancelKeepsTheLinesReadSoFar) {
  const int lines = WriteBulletin("dx425/LONG.TXT", 2 << 20, 1);
  boxes_.Answer(button::kOk);
  bool cancelled = false;
  // Cancel once the progress window has shown some progress.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* progress = qobject_cast<ProgressWindow*>(QApplication::activeModalWidget());
    if (cancelled || progress == nullptr || progress->thermometer()->value() < 5) return;
    cancelled = true;
    EXPECT_EQ(progress->windowTitle(), "Reading File");
    progress->cancel_button()->click();
  });
  poll.start(5);
  TextViewerWindow* viewer = OpenDxinfo("dx425/LONG.TXT");
  ASSERT_NE(viewer, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return cancelled && !QApplication::activeModalWidget(); },
                              kLoadWaitMs));
  const int shown = viewer->list()->model()->rowCount();
  EXPECT_GT(shown, 0);
  EXPECT_LT(shown, lines);
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, "Cancel Request");
  delete viewer;
}

TEST_F(TextViewerWindowTest, CancelledDialogAtFirstShowsAnEmptyDisabledList) {
  files_.Answer(std::nullopt);
  dxinfo(ProcedureContext{nullptr, Launch::kStart});
  TextViewerWindow* viewer = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* found = qobject_cast<TextViewerWindow*>(widget)) viewer = found;
  }
  ASSERT_NE(viewer, nullptr);
  QTest::qWait(20);
  EXPECT_EQ(viewer->list()->model()->rowCount(), 0);
  EXPECT_FALSE(viewer->list()->isEnabled());
  EXPECT_TRUE(boxes_.shown().empty());
  delete viewer;
}

}  // namespace
}  // namespace kavo
