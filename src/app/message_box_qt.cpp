#include "app/message_box_qt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QThread>
#include <utility>
#include <vector>

#include "runtime/cp1251.h"

namespace kavo {
namespace {

QString FromCp1251(const std::string& text) {
  return QString::fromStdString(Utf8FromCp1251(text));
}

// Qt's standard buttons, so that their texts are the desktop's, in its
// language.
struct NamedButton {
  int bit;
  QMessageBox::StandardButton button;
};

constexpr NamedButton kButtons[] = {
    {button::kOk, QMessageBox::Ok},         {button::kYes, QMessageBox::Yes},
    {button::kNo, QMessageBox::No},         {button::kAbort, QMessageBox::Abort},
    {button::kRetry, QMessageBox::Retry},   {button::kIgnore, QMessageBox::Ignore},
    {button::kCancel, QMessageBox::Cancel}, {button::kHelp, QMessageBox::Help},
};

QMessageBox::Icon IconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kStop:
      return QMessageBox::Critical;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

int ShowHere(const MessageBoxRequest& request) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(request.title.empty() ? QApplication::applicationDisplayName()
                                           : FromCp1251(request.title));
  box.setText(FromCp1251(request.text));
  box.setIcon(IconOf(request.icon));
  std::vector<std::pair<QAbstractButton*, int>> added;
  for (const NamedButton& named : kButtons) {
    if ((request.buttons & named.bit) == 0) continue;
    QPushButton* b = box.addButton(named.button);
    added.emplace_back(b, named.bit);
    if (named.bit == request.default_button) box.setDefaultButton(b);
  }
  // Escape answers Cancel, or No, when the box has one.
  for (int escape_bit : {button::kCancel, button::kNo}) {
    for (const auto& [b, bit] : added) {
      if (bit == escape_bit && box.escapeButton() == nullptr) box.setEscapeButton(b);
    }
  }
  box.exec();
  for (const auto& [b, bit] : added) {
    if (box.clickedButton() == b) return bit;
  }
  return FallbackButton(request);
}

}  // namespace

int QtMessageBox::Show(const MessageBoxRequest& request) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) return ShowHere(request);
  int pressed = FallbackButton(request);
  QMetaObject::invokeMethod(
      app, [&request] { return ShowHere(request); }, Qt::BlockingQueuedConnection, &pressed);
  return pressed;
}

}  // namespace kavo
