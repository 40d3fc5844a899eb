// DDD, the splash window shown over the frame at start: the program's
// picture, an animated bar, its title and two lines about it. It closes
// itself after 8 seconds or on a left click, left double click or right
// click over it; the frame closes it on its first accepted control.
#pragma once

#include <QWidget>

class QMovie;
class QTimer;

namespace kavo {

class SplashWindow : public QWidget {
  Q_OBJECT

 public:
  // The period of the window's timer in hundredths of a second.
  static constexpr int kTimerPeriod = 800;

  explicit SplashWindow(QWidget* over);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QMovie* animation_;
  QTimer* timer_;
};

}  // namespace kavo
