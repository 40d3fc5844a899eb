#include "app/browse_window_qt.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/browse_toolbar_qt.h"
#include "app/window_state_qt.h"
#include "data/globals.h"
#include "runtime/cp1251.h"

namespace kavo {
namespace {

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QString FromCp1251(std::string_view text) {
  return QString::fromStdString(Utf8FromCp1251(text));
}

}  // namespace

BrowseWindowQt::BrowseWindowQt(BrowseWindowDesign design, DataContext& context,
                               std::span<const FileUse> files, const BrowseDescriber& describe,
                               QWidget* parent)
    : QWidget(parent), design_(std::move(design)), context_(context), files_(context, files) {
  setObjectName(Text(design_.procedure));
  setWindowTitle(Text(design_.title));
  files_.Open();
  Build();
  BrowseDescription d = describe(context, this);
  engine_ = BrowseEngine::Create(std::move(d), list_, this, &error_);
  if (!engine_) return;
  engine_->Start();
  list_->SetEngine(engine_.get(), [this](const ListEvent& e) { Serve(e); });
  resize(sizeHint());
  connect(list_, &BrowseListQt::VisibleRowsChanged, this, [this] {
    if (opened_ && !finished_) engine_->Resized();
  });
}

BrowseWindowQt::~BrowseWindowQt() {
  Finish();
}

void BrowseWindowQt::Build() {
  auto* layout = new QVBoxLayout(this);
  if (!design_.tabs.empty()) {
    tabs_ = new QTabWidget(this);
    for (const BrowseTabDesign& tab : design_.tabs) {
      auto* page = new QWidget(tabs_);
      auto* row = new QHBoxLayout(page);
      if (tab.entry_control) {
        if (tab.prompt) row->addWidget(new QLabel(Text(tab.prompt), page));
        auto* entry = new QLineEdit(page);
        if (tab.entry_length > 0) {
          entry->setMaxLength(tab.entry_length);
          entry->setMaximumWidth(entry->fontMetrics().averageCharWidth() * (tab.entry_length + 4));
        }
        row->addWidget(entry);
        connect(entry, &QLineEdit::returnPressed, this, [this, entry] {
          if (engine_) engine_->LocatorAccepted(Cp1251FromUtf8(entry->text().toStdString()));
        });
        entries_[tab.entry_control] = entry;
        controls_[tab.entry_control] = entry;
      }
      row->addStretch();
      tabs_->addTab(page, Text(tab.text));
    }
    layout->addWidget(tabs_);
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
      if (opened_ && !finished_) engine_->RefreshWindow();
    });
  }
  list_ = new BrowseListQt(this);
  layout->addWidget(list_, 1);
  auto* buttons = new QHBoxLayout;
  for (const BrowseButtonDesign& b : design_.buttons) {
    auto* button = new QPushButton(Text(b.text), this);
    button->setAutoDefault(false);
    buttons->addWidget(button);
    controls_[b.control] = button;
    connect(button, &QPushButton::clicked, this, [this, id = b.control] { Accept(id); });
  }
  buttons->insertStretch(0);
  layout->addLayout(buttons);
}

QSize BrowseWindowQt::sizeHint() const {
  // The design size, widened to show every column of the list.
  const QMargins margins = layout()->contentsMargins();
  const int list_width = list_->sizeHint().width() + margins.left() + margins.right();
  return {std::max(design_.width, list_width),
          std::max(design_.height, layout()->minimumSize().height())};
}

QWidget* BrowseWindowQt::control(int32_t id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void BrowseWindowQt::AddControl(int32_t id, QWidget* widget) {
  controls_[id] = widget;
}

void BrowseWindowQt::OpenLater() {
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (opened_ || finished_ || !engine_) return;
        opened_ = true;
        engine_->OpenWindow();
      },
      Qt::QueuedConnection);
}

void BrowseWindowQt::Finish() {
  if (finished_) return;
  finished_ = true;
  if (engine_) engine_->Close();
  files_.Release();
}

void BrowseWindowQt::SetFrame(QWidget* frame) {
  frame_ = frame;
  frame->installEventFilter(this);
}

QWidget* BrowseWindowQt::Frame() const {
  return frame_ ? frame_.data() : window();
}

void BrowseWindowQt::GainFocusLater() {
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (opened_ && !finished_) engine_->GainFocus();
      },
      Qt::QueuedConnection);
}

void BrowseWindowQt::Serve(const ListEvent& event) {
  if (!opened_ || finished_) return;
  engine_->TakeEvent(event);
  emit Served();
}

void BrowseWindowQt::Accept(int32_t control) {
  if (!opened_ || finished_) return;
  if (control == design_.close_control) {
    Frame()->close();
    return;
  }
  engine_->Accepted(control);
  emit Served();
}

void BrowseWindowQt::AttachToolbar(BrowseToolbar* toolbar) {
  toolbar_ = toolbar;
  if (engine_ && !finished_) engine_->SetToolbar(toolbar);
}

void BrowseWindowQt::ToolbarCommand(int32_t command) {
  if (command_target_) {
    command_target_(command);
  } else if (opened_ && !finished_) {
    engine_->ToolbarCommand(command);
  }
}

void BrowseWindowQt::SetCommandTarget(std::function<void(int32_t)> target) {
  command_target_ = std::move(target);
  if (toolbar_) toolbar_->EnableCommand(browse_toolbar::kHistory, bool(command_target_));
}

QAction* BrowseWindowQt::FrameCommand(int32_t command) const {
  auto* frame_toolbar = dynamic_cast<BrowseToolbarQt*>(toolbar_);
  return frame_toolbar ? frame_toolbar->command(command) : nullptr;
}

void BrowseWindowQt::PostAccepted(int32_t control) {
  QMetaObject::invokeMethod(
      this, [this, control] { Accept(control); }, Qt::QueuedConnection);
}

void BrowseWindowQt::PostCloseRequest() {
  QMetaObject::invokeMethod(
      this, [this] { Frame()->close(); }, Qt::QueuedConnection);
}

void BrowseWindowQt::EnableControl(int32_t control, bool enabled) {
  if (QWidget* w = this->control(control)) w->setEnabled(enabled);
}

void BrowseWindowQt::FocusControl(int32_t control) {
  if (engine_ && control == engine_->description().buttons.list) {
    list_->view()->setFocus();
  } else if (QWidget* w = this->control(control)) {
    w->setFocus();
  }
}

void BrowseWindowQt::TypeInto(int32_t control, char character) {
  auto it = entries_.find(control);
  if (it == entries_.end()) return;
  it->second->setFocus();
  it->second->insert(FromCp1251(std::string_view(&character, 1)));
}

int32_t BrowseWindowQt::SelectedTab() const {
  return tabs_ ? tabs_->currentIndex() + 1 : 0;
}

void BrowseWindowQt::SetWaitCursor(bool wait) {
  if (wait == wait_) return;
  wait_ = wait;
  if (wait) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

void BrowseWindowQt::Redisplay() {
  // The current order's entry field shows what was typed into its locator.
  if (!tabs_ || !engine_) return;
  const size_t tab = static_cast<size_t>(tabs_->currentIndex());
  if (tab >= design_.tabs.size()) return;
  auto it = entries_.find(design_.tabs[tab].entry_control);
  if (it != entries_.end() && !it->second->hasFocus()) {
    it->second->setText(FromCp1251(engine_->CurrentLocatorText()));
  }
}

bool BrowseWindowQt::eventFilter(QObject* watched, QEvent* event) {
  if (watched == frame_) {
    // The window regains the focus: the page is rebuilt from the store.
    if (event->type() == QEvent::WindowActivate) GainFocusLater();
    if (event->type() == QEvent::Close) Finish();
  }
  return QWidget::eventFilter(watched, event);
}

BrowseWindowQt* StartBrowseWindow(QMdiArea* area, const BrowseWindowDesign& design,
                                  std::span<const FileUse> files, const BrowseDescriber& describe) {
  auto context = std::make_unique<DataContext>();
  auto* window = new BrowseWindowQt(design, *context, files, describe);
  window->OwnContext(std::move(context));
  if (!window->valid()) {
    QMessageBox::critical(area, Text(design.title), QString::fromStdString(window->error()));
    delete window;
    return nullptr;
  }
  QMdiSubWindow* sub = area->addSubWindow(window);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->adjustSize();
  sub->resize(sub->size().boundedTo(area->viewport()->size()));
  sub->setWindowTitle(window->windowTitle());
  window->SetFrame(sub);
  QObject::connect(sub, &QMdiSubWindow::aboutToActivate, window, &BrowseWindowQt::GainFocusLater);
  new PlacementKeeper(sub, design.procedure);
  sub->show();
  window->OpenLater();
  return window;
}

void RefreshBrowseWindows(QMdiArea* area, const TableDef& table) {
  if (area == nullptr) return;
  for (QMdiSubWindow* sub : area->subWindowList()) {
    auto* browse = qobject_cast<BrowseWindowQt*>(sub->widget());
    if (browse && browse->valid() && &browse->engine().description().table->def() == &table) {
      browse->GainFocusLater();
    }
  }
}

int32_t CallBrowseWindow(QWidget* parent, DataContext& context, const BrowseWindowDesign& design,
                         std::span<const FileUse> files, const BrowseDescriber& describe) {
  QDialog dialog(parent);
  dialog.setObjectName(Text(design.procedure));
  auto* layout = new QVBoxLayout(&dialog);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* window = new BrowseWindowQt(design, context, files, describe, &dialog);
  if (!window->valid()) {
    QMessageBox::critical(parent, Text(design.title), QString::fromStdString(window->error()));
    window->Finish();
    GlobalResponse = kRequestCancelled;
    return GlobalResponse;
  }
  layout->addWidget(window);
  dialog.setWindowTitle(window->windowTitle());
  dialog.adjustSize();
  window->SetFrame(&dialog);
  // Called as a picker, Enter in the list chooses the highlighted record:
  // the list passes a plain Enter on to the dialog's default button.
  if (auto* select = qobject_cast<QPushButton*>(
          window->control(window->engine().description().buttons.select))) {
    select->setDefault(true);
  }
  new PlacementKeeper(&dialog, design.procedure);
  window->OpenLater();
  dialog.exec();
  window->Finish();
  return GlobalResponse;
}

}  // namespace kavo
