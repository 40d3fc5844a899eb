#include "app/window_resize_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include "app/window_resize.h"

namespace kavo {
namespace {

TEST(QtResizeLayerTest, SpreadsRealWidgetsPlacedByCoordinates) {
  QWidget window;
  window.resize(400, 300);
  auto* name = new QLineEdit(&window);
  name->setGeometry(40, 100, 200, 24);
  auto* ok = new QPushButton("OK", &window);
  ok->setGeometry(320, 260, 60, 24);
  auto* group = new QGroupBox(&window);
  group->setGeometry(20, 20, 200, 60);
  auto* mode = new QComboBox(group);  // a drop list inside the group
  mode->setGeometry(10, 20, 80, 24);
  // Widgets a layout places are not the resizer's business.
  auto* managed = new QWidget(&window);
  managed->setGeometry(250, 10, 100, 60);
  auto* inner = new QVBoxLayout(managed);
  inner->addWidget(new QLabel("x"));

  QtResizeLayer layer(&window, &window);
  ASSERT_EQ(layer.LastControl(), 5);  // name, ok, group, mode, managed
  EXPECT_EQ(layer.ControlType(1), control_type::kEntry);
  EXPECT_EQ(layer.ControlType(2), control_type::kButton);
  EXPECT_EQ(layer.ControlType(4), control_type::kDropList);
  EXPECT_EQ(layer.ControlRect(4), (WindowRect{30, 40, 80, 24}));  // in window coordinates

  WindowResizeType resize;
  resize.Initialize(layer, kSpreadStrategy);
  window.resize(800, 600);
  resize.Resize(layer);
  EXPECT_EQ(name->geometry(), QRect(80, 200, 400, 24));
  EXPECT_EQ(ok->geometry(), QRect(720, 560, 60, 24));
  EXPECT_EQ(group->geometry(), QRect(40, 40, 400, 120));
  // Window coordinates (60, 80) less the group's new origin (40, 40).
  EXPECT_EQ(mode->geometry(), QRect(20, 40, 160, 24));
  EXPECT_TRUE(window.updatesEnabled());
}

TEST(WindowResizerTest, FollowsEveryResizeOfTheWindow) {
  QWidget window;
  window.resize(400, 300);
  auto* ok = new QPushButton("OK", &window);
  ok->setGeometry(320, 260, 60, 24);
  auto* name = new QLineEdit(&window);
  name->setGeometry(40, 100, 200, 24);
  auto* resizer = new WindowResizer(&window, &window, kSpreadStrategy);
  window.show();
  window.resize(600, 450);
  QApplication::processEvents();
  EXPECT_EQ(ok->geometry(), QRect(520, 410, 60, 24));
  EXPECT_EQ(name->geometry(), QRect(60, 150, 300, 24));
  window.resize(400, 300);
  QApplication::processEvents();
  EXPECT_EQ(ok->geometry(), QRect(320, 260, 60, 24));
  EXPECT_EQ(name->geometry(), QRect(40, 100, 200, 24));
  EXPECT_EQ(resizer->WinResize().PreviousWin().Width, 400);
}

}  // namespace
}  // namespace kavo
