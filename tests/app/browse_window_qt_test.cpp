// The browse window on the offscreen platform, with the DXCC list: keys,
// the wheel, the thumb and the frame's navigation toolbar reach the engine
// as its events, and the list, the thumb and the scroll bar follow it.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "app/browse_toolbar_qt.h"
#include "app/browse_window_qt.h"
#include "app/select_dxcc.h"
#include "data/globals.h"
#include "data/procedure_files.h"
#include "data/standard_warning.h"
#include "data_test_util.h"
#include "log/select_dxcc_list.h"
#include "runtime/cp1251.h"
#include "runtime/message_box_scripted.h"

namespace kavo {
namespace {

using testing::ScratchDir;

constexpr const char* kPrefixes[] = {"3A", "4X", "5B", "9A", "A4", "CT", "DL", "EA", "EI", "ES",
                                     "F",  "G",  "HA", "I",  "JA", "K",  "LY", "OH", "OK", "ON",
                                     "PA", "SP", "SV", "UA", "UR", "VE", "YL", "ZS"};

class BrowseWindowQtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    TakeSavedError();
    UseFile(context_.DXCC, 1);
    Table& t = context_.DXCC.file();
    ASSERT_TRUE(t.Stream().ok());
    for (const char* p : kPrefixes) {
      context_.DXCC.rec().Clear();
      dict::SetText(context_.DXCC.rec().PR, p);
      dict::SetText(context_.DXCC.rec().STRANA, std::string("LAND ") + p);
      ASSERT_TRUE(t.Add().ok());
    }
    ASSERT_TRUE(t.Flush().ok());
    // The list without its form, so that no modal window opens.
    window_ = std::make_unique<BrowseWindowQt>(
        SelectDXCCWindow(), context_, procedure_files::SelectDXCC,
        [](DataContext& context, QWidget*) { return SelectDXCCList(context, nullptr); });
    ASSERT_TRUE(window_->valid()) << window_->error();
    window_->SetFrame(window_.get());
    window_->resize(420, 420);
    window_->show();
    window_->OpenLater();
    Settle();
  }
  void TearDown() override {
    window_.reset();
    ReleaseFile(context_.DXCC);
  }

  // Lets every posted event be served.
  static void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
  BrowseEngine& engine() { return window_->engine(); }
  QTableView* view() { return window_->list()->view(); }
  QScrollBar* thumb() { return window_->list()->thumb(); }
  std::string Selected() {
    std::string text = engine().CellText(engine().CurrentChoice, 0);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(view(), key, modifiers);
    Settle();
  }

  ScratchDir dir_;
  DataContext context_{dir_.path()};
  ScriptedMessageBox boxes_;
  ScopedMessageBox scoped_{&boxes_};
  std::unique_ptr<BrowseWindowQt> window_;
};

TEST_F(BrowseWindowQtTest, ShowsOnePageWithHeadersAndTheThumb) {
  const int rows = window_->list()->VisibleRows();
  ASSERT_GT(rows, 3);
  ASSERT_LT(rows, static_cast<int>(std::size(kPrefixes)));
  EXPECT_EQ(engine().RecordCount, rows);
  EXPECT_EQ(view()->model()->rowCount(), rows);
  EXPECT_EQ(view()->model()->headerData(0, Qt::Horizontal).toString(), "Префикс");
  EXPECT_EQ(view()->model()->headerData(1, Qt::Horizontal).toString(), "Страна");
  EXPECT_EQ(view()->model()->index(0, 0).data().toString().trimmed(), "3A");
  EXPECT_EQ(view()->currentIndex().row(), 0);
  EXPECT_EQ(thumb()->minimum(), 0);
  EXPECT_EQ(thumb()->maximum(), 100);
  EXPECT_FALSE(thumb()->isHidden());
  EXPECT_EQ(thumb()->value(), 0);
}

TEST_F(BrowseWindowQtTest, KeysBecomeScrollEvents) {
  const int rows = engine().RecordCount;
  Press(Qt::Key_Down);
  EXPECT_EQ(engine().CurrentChoice, 2);
  EXPECT_EQ(view()->currentIndex().row(), 1);
  Press(Qt::Key_Up);
  Press(Qt::Key_Up);
  EXPECT_EQ(engine().CurrentChoice, 1);
  Press(Qt::Key_PageDown);
  const int count = static_cast<int>(std::size(kPrefixes));
  EXPECT_EQ(view()->model()->index(0, 0).data().toString().trimmed(),
            kPrefixes[std::min(rows, count - rows)]);
  Press(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Selected(), "ZS");
  EXPECT_EQ(view()->currentIndex().row(), rows - 1);
  EXPECT_EQ(thumb()->value(), 100);
  Press(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(Selected(), "3A");
  EXPECT_EQ(thumb()->value(), 0);
}

TEST_F(BrowseWindowQtTest, TypedCharactersLocate) {
  QTest::keyClicks(view(), "U");
  Settle();
  EXPECT_EQ(Selected(), "UA");
  EXPECT_EQ(engine().CurrentLocatorText(), "U");
  QTest::keyClicks(view(), "R");
  Settle();
  EXPECT_EQ(Selected(), "UR");
  Press(Qt::Key_Backspace);
  EXPECT_EQ(Selected(), "UA");
  EXPECT_GT(thumb()->value(), 50);
}

TEST_F(BrowseWindowQtTest, WheelAndThumbDrag) {
  QWheelEvent down(QPointF(10, 10), view()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -240),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view()->viewport(), &down);
  Settle();
  EXPECT_EQ(engine().CurrentChoice, 3);
  thumb()->setSliderDown(true);
  thumb()->setValue(100);
  thumb()->setSliderDown(false);
  Settle();
  EXPECT_EQ(Selected(), "ZS");
  thumb()->setSliderDown(true);
  thumb()->setValue(0);
  thumb()->setSliderDown(false);
  Settle();
  EXPECT_EQ(Selected(), "3A");
}

TEST_F(BrowseWindowQtTest, ResizingChangesTheRowsOfThePage) {
  const int before = engine().RecordCount;
  window_->resize(420, 600);
  Settle();
  EXPECT_GT(engine().RecordCount, before);
  EXPECT_EQ(engine().RecordCount, window_->list()->VisibleRows());
  EXPECT_EQ(view()->model()->rowCount(), engine().RecordCount);
}

TEST_F(BrowseWindowQtTest, RightClickMenuAndKeysReachTheButtons) {
  QString entries;
  window_->list()->SetMenuRunner([&](QMenu& menu) -> QAction* {
    for (QAction* a : menu.actions()) entries += a->text() + (a->isEnabled() ? "|" : "~|");
    return menu.actions().at(1);  // "&Изменить"
  });
  QTest::mouseClick(view()->viewport(), Qt::RightButton, Qt::NoModifier,
                    view()->visualRect(view()->model()->index(2, 0)).center());
  Settle();
  EXPECT_EQ(entries, "&Добавить|&Изменить|&Удалить|");
  // Without its update procedure the change is announced as not defined.
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(Utf8FromCp1251(boxes_.shown()[0].text), "Процедура UpdateDXCC еще не определена.");
  EXPECT_EQ(Selected(), "5B");
  Press(Qt::Key_Insert);
  EXPECT_EQ(boxes_.shown().size(), 2u);
}

TEST_F(BrowseWindowQtTest, NavigationToolbarFollowsTheActiveBrowse) {
  QMdiArea area;
  BrowseToolbarQt toolbar(&area);
  EXPECT_FALSE(toolbar.command(browse_toolbar::kBottom)->isEnabled());
  BrowseWindowQt* browse = window_.release();
  QMdiSubWindow* sub = area.addSubWindow(browse);
  area.resize(600, 600);
  area.show();
  sub->show();
  area.setActiveSubWindow(sub);
  Settle();
  EXPECT_EQ(toolbar.owner(), browse);
  EXPECT_TRUE(toolbar.command(browse_toolbar::kBottom)->isEnabled());
  EXPECT_TRUE(toolbar.command(browse_toolbar::kInsert)->isEnabled());
  EXPECT_FALSE(toolbar.command(browse_toolbar::kHistory)->isEnabled());
  EXPECT_EQ(toolbar.command(browse_toolbar::kBottom)->toolTip(), "Go to the Last Page");
  toolbar.command(browse_toolbar::kBottom)->trigger();
  Settle();
  std::string text = browse->engine().CellText(browse->engine().CurrentChoice, 0);
  EXPECT_EQ(text.substr(0, 2), "ZS");
  toolbar.command(browse_toolbar::kUp)->trigger();
  Settle();
  text = browse->engine().CellText(browse->engine().CurrentChoice, 0);
  EXPECT_EQ(text.substr(0, 2), "YL");
  // The other moves, then insert, which reaches the browse's update
  // procedure (here none).
  auto selected_after = [&](int32_t command) {
    toolbar.command(command)->trigger();
    Settle();
    return browse->engine().CellText(browse->engine().CurrentChoice, 0).substr(0, 2);
  };
  EXPECT_EQ(selected_after(browse_toolbar::kTop), "3A");
  EXPECT_EQ(selected_after(browse_toolbar::kDown), "4X");
  EXPECT_NE(selected_after(browse_toolbar::kPageDown), "4X");
  EXPECT_EQ(selected_after(browse_toolbar::kPageUp), "4X");
  ASSERT_TRUE(boxes_.shown().empty());
  toolbar.command(browse_toolbar::kInsert)->trigger();
  Settle();
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(Utf8FromCp1251(boxes_.shown()[0].text), "Процедура UpdateDXCC еще не определена.");
  sub->close();
  delete sub;
  Settle();
  EXPECT_FALSE(toolbar.command(browse_toolbar::kBottom)->isEnabled());
}

// Called as the picker, the list's Enter chooses the highlighted country,
// as a user expects of a choice dialog.
TEST_F(BrowseWindowQtTest, PickerChoosesWithEnter) {
  window_.reset();
  context_.DXCC.rec().Clear();
  dict::SetText(context_.DXCC.rec().PR, "DL");
  bool pressed = false;
  QTimer::singleShot(200, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* list = dialog->findChild<QTableView*>();
    ASSERT_NE(list, nullptr);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    Settle();
    QTest::keyClick(list, Qt::Key_Return);
    pressed = true;
    // A window that stays open ends the test all the same.
    QTimer::singleShot(500, dialog, [dialog] { dialog->reject(); });
  });
  GlobalRequest = kSelectRecord;
  EXPECT_EQ(CallBrowseWindow(
                nullptr, context_, SelectDXCCWindow(), procedure_files::SelectDXCC,
                [](DataContext& context, QWidget*) { return SelectDXCCList(context, nullptr); }),
            kRequestCompleted);
  EXPECT_TRUE(pressed);
  EXPECT_EQ(std::string(dict::TextOf(context_.DXCC.rec().PR)), "EA");
}

}  // namespace
}  // namespace kavo
