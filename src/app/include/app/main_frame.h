// Main, the program's frame: an MDI window with the menu, the toolbar, the
// status bar with the date and a clock, the transceiver picture behind the
// child windows and the splash window over it at start.
//
// The decisions live in MainLogic and the menu and toolbar in
// main_frame_strings.h; this class builds the widgets from them, forwards
// each event and performs what the logic answers. Every menu item and
// toolbar button goes through Accept().
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/frame_actions.h"
#include "app/frame_logic.h"
#include "app/splash_window.h"

class QAction;
class QLabel;
class QMdiArea;
class QTimer;

namespace kavo {

class MessageBoxService;
class PrinterSetup;
class ProcedureRegistry;
class SoundPlayer;

struct FrameServices {
  MessageBoxService* messages = nullptr;
  PrinterSetup* printer_setup = nullptr;
  SoundPlayer* sound = nullptr;
  const ProcedureRegistry* procedures = nullptr;
  std::function<int32_t()> today;
  std::function<int32_t()> clock;
  std::string ini_file;
};

class MainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // The frame's timer period in hundredths of a second, as designed.
  static constexpr int32_t kDesignTimerPeriod = 50;
  // SplashProcedureThread while the splash window is open.
  static constexpr int32_t kSplashThread = 1;

  explicit MainFrame(FrameServices services, QWidget* parent = nullptr);

  // Restores the placement, shows the frame and opens the splash window.
  void Open();

  void Accept(const FrameAction& action);

  QMdiArea* mdi_area() const { return mdi_; }
  SplashWindow* splash() const { return splash_; }
  QLabel* zone(int number) const;
  const MainLogic& logic() const { return logic_; }
  QTimer* timer() const { return timer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // The window manager places and sizes the frame after it is shown (and
  // the user may move it): the splash follows, centred on the frame.
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void ConnectSignals();
  void ShowDayAndTime();
  void CentreSplash();
  void RunProcedure(const FrameAction& action);
  void ArrangeIcons();
  void ShowMessage(const QString& title, const QString& text);

  FrameServices services_;
  MainLogic logic_;
  QMdiArea* mdi_;
  QTimer* timer_;
  std::array<QLabel*, 3> zones_{};  // status zones 2, 3 and 4
  // Each menu item and toolbar button with what it does, connected in ConnectSignals().
  std::vector<std::pair<QAction*, FrameAction>> commands_;
  QPointer<SplashWindow> splash_;
};

}  // namespace kavo
