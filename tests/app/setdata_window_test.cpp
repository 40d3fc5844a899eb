// The period dialog's window: it shows D1, D2 and ZAGOL, every edit goes
// straight into them (typed dates, the arrows, the title), text that is no
// date changes nothing, and "OK" closes the window keeping its placement.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "../data/data_test_util.h"
#include "app/picture_spin_box.h"
#include "app/setdata_window.h"
#include "data/globals.h"
#include "runtime/datetime.h"
#include "runtime/picture.h"

namespace kavo {
namespace {

class SetdataWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());  // kavo.INI goes here
    ResetGlobals();
    D1 = DateFromParts(2026, 11, 8);
    D2 = DateFromParts(2026, 12, 8);
    ZAGOL.Set("Contest");
  }
  void TearDown() override {
    ResetGlobals();
    std::filesystem::current_path(previous_);
  }

  static QLineEdit* EditOf(PictureSpinBox* box) { return box->findChild<QLineEdit*>(); }
  // A date as the dialog shows it (the regional settings decide the form).
  static QString Shown(int year, int month, int day) {
    return QString::fromStdString(FormatNumber("D6", DateFromParts(year, month, day))).trimmed();
  }

  kavo::testing::ScratchDir dir_;
  std::filesystem::path previous_;
};

TEST_F(SetdataWindowTest, EditsGoStraightIntoThePeriodAndTitle) {
  SetdataWindow window;
  window.show();
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Выбор периода печати"));
  QLineEdit* first = EditOf(window.first_date());
  EXPECT_EQ(first->text(), Shown(2026, 11, 8));
  first->selectAll();
  QTest::keyClicks(first, Shown(2026, 10, 1));
  EXPECT_EQ(D1.load(), DateFromParts(2026, 10, 1));
  // Text that is no date leaves the value alone.
  first->selectAll();
  QTest::keyClicks(first, "31/02/2026");
  EXPECT_EQ(D1.load(), DateFromParts(2026, 10, 1));
  window.last_date()->stepBy(-1);
  EXPECT_EQ(D2.load(), DateFromParts(2026, 12, 7));
  auto* title = window.findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(), "Contest");
  title->selectAll();
  QTest::sendKeyEvent(QTest::Click, title, Qt::Key_unknown, QString::fromUtf8("Итоги"),
                      Qt::NoModifier);
  EXPECT_EQ(ZAGOL.Trimmed(), "\xC8\xF2\xEE\xE3\xE8");
  window.findChild<QPushButton*>()->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(dir_.Exists("kavo.INI"));
}

// Every date of two years fits its box whole: the box was a digit short of
// "31/12/2026" in the dialog's font.
TEST_F(SetdataWindowTest, DateBoxesShowTheWholeDate) {
  SetdataWindow window;
  window.show();
  for (PictureSpinBox* box : {window.first_date(), window.last_date()}) {
    QLineEdit* edit = EditOf(box);
    const QMargins margins = edit->textMargins() + edit->contentsMargins();
    // A line edit keeps 2 pixels free on either side of its text.
    const int room = edit->width() - margins.left() - margins.right() - 4;
    int widest = 0;
    for (int32_t day = DateFromParts(2026, 1, 1); day <= DateFromParts(2027, 12, 31); ++day) {
      widest = std::max(widest, edit->fontMetrics().horizontalAdvance(
                                    QString::fromStdString(FormatNumber("D6", day)).trimmed()));
    }
    EXPECT_GE(room, widest);
    EXPECT_LE(box->geometry().right(), window.width());
  }
}

}  // namespace
}  // namespace kavo
