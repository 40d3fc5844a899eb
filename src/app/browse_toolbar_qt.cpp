#include "app/browse_toolbar_qt.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

#include "app/browse_window_qt.h"
#include "runtime/cp1251.h"

namespace kavo {
namespace {

struct CommandLook {
  int32_t id;
  QStyle::StandardPixmap icon;
  const char* tip;  // until a browse gives its own
};

constexpr CommandLook kCommands[] = {
    {browse_toolbar::kInsert, QStyle::SP_FileIcon, "Insert a new Record"},
    {browse_toolbar::kChange, QStyle::SP_FileDialogDetailedView, "Change the Record"},
    {browse_toolbar::kDelete, QStyle::SP_TrashIcon, "Delete the Record"},
    {browse_toolbar::kSelect, QStyle::SP_DialogOkButton, "Select the Record"},
    {browse_toolbar::kTop, QStyle::SP_MediaSkipBackward, "Go to the First Page"},
    {browse_toolbar::kPageUp, QStyle::SP_MediaSeekBackward, "Go to the Prior Page"},
    {browse_toolbar::kUp, QStyle::SP_ArrowUp, "Go to the Prior Record"},
    {browse_toolbar::kDown, QStyle::SP_ArrowDown, "Go to the Next Record"},
    {browse_toolbar::kPageDown, QStyle::SP_MediaSeekForward, "Go to the Next Page"},
    {browse_toolbar::kBottom, QStyle::SP_MediaSkipForward, "Go to the Last Page"},
    {browse_toolbar::kLocate, QStyle::SP_FileDialogContentsView, "Locate"},
    {browse_toolbar::kHistory, QStyle::SP_BrowserReload, "History"},
    {browse_toolbar::kHelp, QStyle::SP_DialogHelpButton, "Help"},
};

}  // namespace

BrowseToolbarQt::BrowseToolbarQt(QMdiArea* area, QWidget* parent) : QToolBar(parent) {
  setObjectName("browse_toolbar");
  setMovable(false);
  for (const CommandLook& look : kCommands) {
    QAction* action = addAction(style()->standardIcon(look.icon), QString::fromUtf8(look.tip));
    action->setObjectName(QString("command%1").arg(look.id));
    action->setEnabled(false);
    commands_[look.id] = action;
    connect(action, &QAction::triggered, this, [this, id = look.id] {
      if (owner_) owner_->ToolbarCommand(id);
    });
  }
  connect(area, &QMdiArea::subWindowActivated, this, &BrowseToolbarQt::Activated);
}

QAction* BrowseToolbarQt::command(int32_t id) const {
  auto it = commands_.find(id);
  return it == commands_.end() ? nullptr : it->second;
}

void BrowseToolbarQt::Activated(QMdiSubWindow* sub) {
  auto* browse = sub ? qobject_cast<BrowseWindowQt*>(sub->widget()) : nullptr;
  if (browse == owner_) return;
  if (owner_) owner_->AttachToolbar(nullptr);
  owner_ = browse;
  for (auto& [id, action] : commands_) action->setEnabled(false);
  if (owner_) owner_->AttachToolbar(this);
}

void BrowseToolbarQt::EnableCommand(int32_t id, bool enabled) {
  if (QAction* action = command(id)) action->setEnabled(enabled);
}

void BrowseToolbarQt::SetToolTip(int32_t id, std::string_view text) {
  if (QAction* action = command(id)) {
    action->setToolTip(QString::fromStdString(Utf8FromCp1251(text)));
  }
}

void BrowseToolbarQt::PressHelp() {
  QWidget* target = QApplication::focusWidget();
  if (!target) return;
  QApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
  QApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier));
}

}  // namespace kavo
