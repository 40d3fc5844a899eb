#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <vector>

#include "app/browse_toolbar_qt.h"
#include "app/printer_setup.h"
#include "app/procedure_registry.h"
#include "app/sound_player.h"
#include "app/splash_window.h"
#include "app/window_state_qt.h"
#include "data/globals.h"
#include "main_frame_strings.h"
#include "runtime/cp1251.h"
#include "runtime/message_box.h"

namespace kavo {
namespace {

constexpr char kBackground[] = ":/art/ft1000mp.png";
constexpr char kProgramIcon[] = ":/art/html.png";
constexpr char kFrameSection[] = "Main";
// Where the frame opens when kavo.INI has no placement for it.
constexpr QSize kDesignSize(900, 640);

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QString FromCp1251(const std::string& text) {
  return QString::fromStdString(Utf8FromCp1251(text));
}

// The MDI area with the transceiver centred on a dark desk.
class FrameArea : public QMdiArea {
 public:
  explicit FrameArea(QWidget* parent) : QMdiArea(parent), picture_(Text(kBackground)) {
    setBackground(QColor(0x2b, 0x33, 0x3d));
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QMdiArea::paintEvent(event);
    if (picture_.isNull()) return;
    QPainter painter(viewport());
    QSize room = viewport()->size();
    QPixmap shown = picture_.width() > room.width() || picture_.height() > room.height()
                        ? picture_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                        : picture_;
    painter.drawPixmap((room.width() - shown.width()) / 2, (room.height() - shown.height()) / 2,
                       shown);
  }

 private:
  QPixmap picture_;
};

}  // namespace

MainFrame::MainFrame(FrameServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      mdi_(new FrameArea(this)),
      timer_(new QTimer(this)) {
  setObjectName(kFrameSection);
  setWindowTitle(Text(frame_text::kTitle));
  setFont(QFont(Text(frame_text::kFrameFont)));
  setCentralWidget(mdi_);
  resize(kDesignSize);
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  ConnectSignals();
}

void MainFrame::BuildMenus() {
  // Builds one menu level; each action keeps a copy of what it does.
  std::function<void(QMenu*, const std::vector<frame_text::MenuEntry>&)> fill =
      [&](QMenu* menu, const std::vector<frame_text::MenuEntry>& entries) {
        for (const frame_text::MenuEntry& entry : entries) {
          if (!entry.items.empty()) {
            QMenu* sub = menu->addMenu(Text(entry.text));
            if (entry.status) sub->menuAction()->setStatusTip(Text(entry.status));
            fill(sub, entry.items);
            continue;
          }
          QAction* action = menu->addAction(Text(entry.text));
          if (entry.status) action->setStatusTip(Text(entry.status));
          commands_.emplace_back(action, entry.action);
        }
      };
  for (const frame_text::MenuEntry& top : frame_text::MenuBar()) {
    QMenu* menu = menuBar()->addMenu(Text(top.text));
    if (top.status) menu->menuAction()->setStatusTip(Text(top.status));
    fill(menu, top.items);
  }
}

void MainFrame::BuildToolBar() {
  QToolBar* bar = addToolBar(QString());
  bar->setObjectName("toolbar");
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  for (const frame_text::ToolButtonEntry& entry : frame_text::ToolBar()) {
    QAction* action = bar->addAction(Text(entry.text));
    if (entry.icon) action->setIcon(QIcon(Text(entry.icon)));
    action->setToolTip(Text(entry.tool_tip));
    action->setStatusTip(Text(entry.status));
    action->setFont(QFont(Text(entry.font)));
    if (QWidget* button = bar->widgetForAction(action)) button->setFont(QFont(Text(entry.font)));
    commands_.emplace_back(action, entry.action);
  }
  // The navigation commands of the browse window that is active, on a row
  // of their own.
  addToolBarBreak();
  addToolBar(new BrowseToolbarQt(mdi_, this));
}

void MainFrame::BuildStatusBar() {
  // Zone 1 is the status bar's own message area; zones 2 to 4 sit on the right.
  for (std::size_t i = 0; i < zones_.size(); ++i) {
    zones_[i] = new QLabel(this);
    zones_[i]->setObjectName(QString("zone%1").arg(i + 2));
    zones_[i]->setMinimumWidth(i == 0 ? 40 : 90);
    statusBar()->addPermanentWidget(zones_[i]);
  }
}

void MainFrame::ConnectSignals() {
  for (const auto& [action, what] : commands_) {
    connect(action, &QAction::triggered, this, [this, what = what] { Accept(what); });
  }
  connect(timer_, &QTimer::timeout, this, &MainFrame::ShowDayAndTime);
}

QLabel* MainFrame::zone(int number) const {
  return number >= 2 && number <= 4 ? zones_[static_cast<std::size_t>(number - 2)] : nullptr;
}

void MainFrame::Open() {
  logic_.Open();
  QtPlacedWindow placed(this);
  INIRestoreWindow(kFrameSection, services_.ini_file, placed);
  QIcon icon(Text(kProgramIcon));
  QApplication::setWindowIcon(icon);
  if (windowIcon().isNull()) setWindowIcon(icon);
  timer_->setInterval(FrameTimerPeriod(kDesignTimerPeriod) * 10);
  ShowDayAndTime();
  show();
  timer_->start();

  splash_ = new SplashWindow(this);
  splash_->adjustSize();
  CentreSplash();
  splash_->show();
  logic_.WindowOpened(kSplashThread);
}

void MainFrame::CentreSplash() {
  if (splash_) splash_->move(frameGeometry().center() - splash_->rect().center());
}

void MainFrame::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  CentreSplash();
}

void MainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  CentreSplash();
}

void MainFrame::ShowDayAndTime() {
  zone(3)->setText(FromCp1251(StatusDayText(services_.today())));
  zone(4)->setText(FromCp1251(StatusTimeText(services_.clock())));
}

void MainFrame::Accept(const FrameAction& action) {
  // The splash may have closed itself already; then there is nothing to close.
  if (logic_.ControlAccepted() && splash_) splash_->close();
  switch (action.command) {
    case FrameCommand::kNone:
      break;
    case FrameCommand::kProcedure:
      RunProcedure(action);
      break;
    case FrameCommand::kCloseFrame:
      close();
      break;
    case FrameCommand::kPrinterSetup:
      services_.printer_setup->Run(this);
      break;
    case FrameCommand::kTile:
      mdi_->tileSubWindows();
      break;
    case FrameCommand::kCascade:
      mdi_->cascadeSubWindows();
      break;
    case FrameCommand::kArrangeIcons:
      ArrangeIcons();
      break;
    case FrameCommand::kHelpOnHelp:
      ShowMessage(Text(frame_text::kHelpOnHelpTitle), Text(frame_text::kHelpOnHelp));
      break;
  }
}

void MainFrame::RunProcedure(const FrameAction& action) {
  if (action.sound) services_.sound->Play(Text(action.sound));
  const ProcedureStarter* starter = services_.procedures->Find(action.procedure);
  if (!starter) {
    ShowMessage(Text(frame_text::kTitle),
                Text(frame_text::kNotDefined).arg(QString::fromLatin1(action.procedure)));
    return;
  }
  // The request is set only when the procedure exists to read and clear it.
  if (action.request != 0) GlobalRequest = action.request;
  (*starter)(ProcedureContext{mdi_, action.launch});
}

void MainFrame::ArrangeIcons() {
  std::vector<QMdiSubWindow*> minimized;
  for (QMdiSubWindow* sub : mdi_->subWindowList()) {
    if (sub->isMinimized()) minimized.push_back(sub);
  }
  if (minimized.empty()) return;
  QSize icon = minimized.front()->size();
  QSize room = mdi_->viewport()->size();
  std::vector<IconSlot> places = ArrangeIconSlots(static_cast<int>(minimized.size()), icon.width(),
                                                  icon.height(), room.width(), room.height());
  for (std::size_t i = 0; i < minimized.size(); ++i) minimized[i]->move(places[i].x, places[i].y);
}

void MainFrame::ShowMessage(const QString& title, const QString& text) {
  MessageBoxRequest request;
  request.title = Cp1251FromUtf8(title.toStdString());
  request.text = Cp1251FromUtf8(text.toStdString());
  request.icon = MessageIcon::kInformation;
  services_.messages->Show(request);
}

void MainFrame::closeEvent(QCloseEvent* event) {
  timer_->stop();
  // Child procedures get their own close event, so they save their placement too.
  mdi_->closeAllSubWindows();
  QtPlacedWindow placed(this);
  INISaveWindow(kFrameSection, services_.ini_file, placed);
  logic_.Close();
  if (splash_) splash_->close();
  event->accept();
}

}  // namespace kavo
