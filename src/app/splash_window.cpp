#include "app/splash_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

namespace kavo {
namespace {

constexpr char kTitle[] = "\"Аппаратный журнал\"";
constexpr char kLine1[] = "Журнал радиосвязей любительской станции";
constexpr char kLine2[] = "Связи, QSL, справочники DXCC, IOTA и областей";
constexpr char kPicture[] = ":/art/zvonok6.png";
constexpr char kAnimation[] = ":/art/anim_bar.gif";

}  // namespace

SplashWindow::SplashWindow(QWidget* over)
    : QWidget(over, Qt::Tool | Qt::FramelessWindowHint),
      animation_(new QMovie(QString::fromLatin1(kAnimation), QByteArray(), this)),
      timer_(new QTimer(this)) {
  setObjectName("DDD");
  setAttribute(Qt::WA_DeleteOnClose);
  setAutoFillBackground(true);

  auto* picture = new QLabel(this);
  picture->setPixmap(QPixmap(QString::fromLatin1(kPicture)));
  auto* title = new QLabel(QString::fromUtf8(kTitle), this);
  QFont title_font = title->font();
  title_font.setPointSize(title_font.pointSize() + 6);
  title_font.setBold(true);
  title->setFont(title_font);
  auto* line1 = new QLabel(QString::fromUtf8(kLine1), this);
  auto* line2 = new QLabel(QString::fromUtf8(kLine2), this);
  auto* bar = new QLabel(this);
  bar->setMovie(animation_);

  auto* texts = new QVBoxLayout;
  texts->addStretch();
  texts->addWidget(title);
  texts->addWidget(line1);
  texts->addWidget(line2);
  texts->addStretch();
  texts->addWidget(bar);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(12, 12, 12, 12);
  row->setSpacing(16);
  row->addWidget(picture);
  row->addLayout(texts);

  timer_->setSingleShot(true);
  timer_->setInterval(kTimerPeriod * 10);
  connect(timer_, &QTimer::timeout, this, &QWidget::close);
  timer_->start();
  animation_->start();
}

void SplashWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
    close();
    return;
  }
  QWidget::mousePressEvent(event);
}

void SplashWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    close();
    return;
  }
  QWidget::mouseDoubleClickEvent(event);
}

}  // namespace kavo
