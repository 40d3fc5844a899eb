// ProgressWindow: the small modal window that long work shows while it runs
// in timer slices, with a user text, a thermometer bar, a percentage text and
// a Cancel button (142 x 59 dialog units).
//
// The owner drives it: it starts a timer, updates the bar and the texts from
// its slices and ends the window with done(). Cancel and the close box do not
// end the window; they emit CancelRequested() and the owner decides.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kavo {

class ProgressWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ProgressWindow(const QString& caption, QWidget* parent = nullptr);

  void SetUserString(const QString& text);
  void SetPctText(const QString& text);
  void SetThermometer(int percent);

  QProgressBar* thermometer() const { return thermometer_; }
  QLabel* pct_text() const { return pct_text_; }
  QPushButton* cancel_button() const { return cancel_; }

 signals:
  void CancelRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* user_string_;
  QProgressBar* thermometer_;
  QLabel* pct_text_;
  QPushButton* cancel_;
};

}  // namespace kavo
