#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "app/message_box_qt.h"
#include "runtime/cp1251.h"

namespace kavo {
namespace {

struct Seen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
  QString default_button;
};

// Presses the button labelled `label` on the next message box that appears
// and records what the box showed.
void PressWhenShown(const QString& label, Seen* seen) {
  QTimer::singleShot(10, [label, seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      PressWhenShown(label, seen);
      return;
    }
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
    if (box->defaultButton() != nullptr) seen->default_button = box->defaultButton()->text();
    for (QAbstractButton* b : box->buttons()) {
      if (b->text() == label) b->click();
    }
  });
}

int argc = 1;
char arg0[] = "standard_warning_qt_test";
char* argv[] = {arg0, nullptr};

TEST(QtMessageBox, ShowsTheNamedButtonsAndReturnsThePressedBit) {
  QApplication app(argc, argv);
  QtMessageBox service;
  MessageBoxRequest request;
  request.title = Cp1251FromUtf8("Отмена изменений");
  request.text = Cp1251FromUtf8("Вы хотите сохранить изменения?");
  request.icon = MessageIcon::kExclamation;
  request.buttons = button::kYes | button::kNo | button::kCancel;
  request.default_button = button::kNo;
  Seen seen;
  PressWhenShown("Cancel", &seen);
  EXPECT_EQ(service.Show(request), button::kCancel);
  EXPECT_EQ(seen.title, QString::fromUtf8("Отмена изменений"));
  EXPECT_EQ(seen.text, QString::fromUtf8("Вы хотите сохранить изменения?"));
  EXPECT_EQ(seen.icon, QMessageBox::Warning);
  EXPECT_EQ(seen.buttons.size(), 3);
  EXPECT_TRUE(seen.buttons.contains("&Yes"));
  EXPECT_TRUE(seen.buttons.contains("&No"));
  EXPECT_EQ(seen.default_button, "&No");

  // From a procedure's own thread the box still appears on the window thread.
  MessageBoxRequest halt;
  halt.text = "Disk Error";
  halt.icon = MessageIcon::kStop;
  Seen seen_halt;
  std::atomic<int> pressed{0};
  std::thread worker([&] {
    pressed = service.Show(halt);
    QMetaObject::invokeMethod(
        &app, [] { QApplication::quit(); }, Qt::QueuedConnection);
  });
  PressWhenShown("OK", &seen_halt);
  app.exec();
  worker.join();
  EXPECT_EQ(pressed.load(), button::kOk);
  EXPECT_EQ(seen_halt.text, "Disk Error");
  EXPECT_EQ(seen_halt.icon, QMessageBox::Critical);
}

}  // namespace
}  // namespace kavo
