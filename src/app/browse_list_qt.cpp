#include "app/browse_list_qt.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QWheelEvent>
#include <algorithm>

#include "app/dialog_units.h"
#include "runtime/cp1251.h"

namespace kavo {
namespace {

// The thumb's range and the part of it one page of the scroll bar covers.
constexpr int kThumbRange = 100;
constexpr int kThumbPage = 10;
// One notch of a mouse wheel.
constexpr int kWheelNotch = 120;
// Pixels added to the font's height for a row.
constexpr int kRowPadding = 4;

QString FromCp1251(std::string_view text) {
  return QString::fromStdString(Utf8FromCp1251(text));
}

Qt::Alignment AlignmentOf(ColumnAlign align) {
  switch (align) {
    case ColumnAlign::kRight:
    case ColumnAlign::kDecimal:
      return Qt::AlignRight | Qt::AlignVCenter;
    case ColumnAlign::kCentre:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case ColumnAlign::kLeft:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

// ---- BrowsePageModel ----

void BrowsePageModel::SetEngine(const BrowseEngine* engine) {
  beginResetModel();
  engine_ = engine;
  endResetModel();
}

void BrowsePageModel::Reload() {
  beginResetModel();
  endResetModel();
}

int BrowsePageModel::rowCount(const QModelIndex& parent) const {
  return engine_ && !parent.isValid() ? engine_->RecordCount : 0;
}

int BrowsePageModel::columnCount(const QModelIndex& parent) const {
  return engine_ && !parent.isValid() ? static_cast<int>(engine_->columns().size()) : 0;
}

QVariant BrowsePageModel::data(const QModelIndex& index, int role) const {
  if (!engine_ || !index.isValid()) return {};
  const ListColumn& column = engine_->columns()[static_cast<size_t>(index.column())];
  const int32_t row = index.row() + 1;
  if (column.icon) {
    if (role != Qt::DecorationRole) return {};
    const int32_t icon = engine_->page()[static_cast<size_t>(index.row())].icon;
    if (icon == 0) return {};
    return QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton);
  }
  switch (role) {
    case Qt::DisplayRole:
      return FromCp1251(engine_->CellText(row, static_cast<size_t>(index.column())));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(AlignmentOf(column.align));
    default:
      return {};
  }
}

QVariant BrowsePageModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!engine_ || orientation != Qt::Horizontal || section < 0 ||
      section >= static_cast<int>(engine_->columns().size())) {
    return {};
  }
  const ListColumn& column = engine_->columns()[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole) return FromCp1251(column.header);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentOf(column.header_align));
  return {};
}

// ---- BrowseListQt ----

BrowseListQt::BrowseListQt(QWidget* parent)
    : QWidget(parent),
      view_(new QTableView(this)),
      thumb_(new QScrollBar(Qt::Vertical, this)),
      model_(new BrowsePageModel(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_);
  layout->addWidget(thumb_);

  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  view_->setTabKeyNavigation(false);
  view_->setWordWrap(false);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + kRowPadding);
  view_->horizontalHeader()->setHighlightSections(false);
  view_->horizontalHeader()->setStretchLastSection(true);
  connect(view_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section) {
    // A width the user gave stays; the list no longer widens that column.
    if (!fitting_ && section >= 0 && static_cast<size_t>(section) < user_sized_.size()) {
      user_sized_[static_cast<size_t>(section)] = true;
    }
  });
  view_->setContextMenuPolicy(Qt::PreventContextMenu);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);
  setFocusProxy(view_);

  thumb_->setRange(0, kThumbRange);
  thumb_->setPageStep(kThumbPage);
  thumb_->setFocusPolicy(Qt::NoFocus);
  connect(thumb_, &QScrollBar::actionTriggered, this, &BrowseListQt::ThumbAction);
  connect(thumb_, &QScrollBar::sliderReleased, this,
          [this] { Post(ListEvent{browse_event::kScrollDrag}); });

  connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (selecting_ || !current.isValid()) return;
            selection_ = current.row() + 1;
            Post(ListEvent{browse_event::kNewSelection});
          });
}

void BrowseListQt::SetEngine(const BrowseEngine* engine, EventSink sink) {
  engine_ = engine;
  sink_ = std::move(sink);
  model_->SetEngine(engine);
  ApplyColumns();
}

void BrowseListQt::ApplyColumns() {
  if (!engine_) return;
  const DialogUnits units(view_->fontMetrics());
  QHeaderView* header = view_->horizontalHeader();
  user_sized_.assign(engine_->columns().size(), false);
  fitting_ = true;
  for (size_t i = 0; i < engine_->columns().size(); ++i) {
    const ListColumn& c = engine_->columns()[i];
    const int section = static_cast<int>(i);
    header->setSectionResizeMode(section,
                                 c.resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
    int width = std::max(1, units.ToPixelsX(c.width));
    if (!c.icon) width = std::max(width, header->sectionSizeHint(section));
    view_->setColumnWidth(section, width);
  }
  fitting_ = false;
}

void BrowseListQt::FitColumnsToPage() {
  if (!engine_ || engine_->RecordCount == 0) return;
  // QTableView hides the measure its base class offers.
  const QAbstractItemView* cells = view_;
  fitting_ = true;
  for (size_t i = 0; i < engine_->columns().size() && i < user_sized_.size(); ++i) {
    const int section = static_cast<int>(i);
    if (engine_->columns()[i].icon || user_sized_[i]) continue;
    const int needed = cells->sizeHintForColumn(section);
    if (needed > view_->columnWidth(section)) view_->setColumnWidth(section, needed);
  }
  fitting_ = false;
}

int BrowseListQt::ColumnsWidth() const {
  int width = 0;
  for (int i = 0; i < model_->columnCount(); ++i) width += view_->columnWidth(i);
  return width;
}

QSize BrowseListQt::sizeHint() const {
  const QSize base = QWidget::sizeHint();
  const int frame = 2 * view_->frameWidth();
  return {std::max(base.width(), ColumnsWidth() + frame + thumb_->sizeHint().width()),
          base.height()};
}

int32_t BrowseListQt::VisibleRows() const {
  const int row = view_->verticalHeader()->defaultSectionSize();
  return std::max(1, view_->viewport()->height() / std::max(1, row));
}

void BrowseListQt::SetSelection(int32_t row) {
  selection_ = row;
  selecting_ = true;
  if (row >= 1 && row <= model_->rowCount()) {
    view_->setCurrentIndex(model_->index(row - 1, 0));
    view_->selectRow(row - 1);
  } else {
    view_->clearSelection();
  }
  selecting_ = false;
}

int32_t BrowseListQt::Thumb() const {
  return thumb_->value();
}

void BrowseListQt::SetThumb(int32_t position) {
  if (thumb_->isSliderDown()) return;
  const bool blocked = thumb_->blockSignals(true);
  thumb_->setValue(std::clamp<int32_t>(position, 0, kThumbRange));
  thumb_->blockSignals(blocked);
}

void BrowseListQt::ShowScrollBar(bool shown) {
  thumb_->setVisible(shown);
}

int32_t BrowseListQt::PopupMenu(std::string_view text) {
  QMenu menu(this);
  std::vector<QAction*> entries;
  size_t start = 0;
  while (start <= text.size()) {
    size_t bar = text.find('|', start);
    std::string_view entry =
        text.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
    QAction* action = nullptr;
    if (entry == "-") {
      action = menu.addSeparator();
    } else {
      const bool disabled = !entry.empty() && entry.front() == '~';
      action = menu.addAction(FromCp1251(disabled ? entry.substr(1) : entry));
      action->setEnabled(!disabled);
    }
    entries.push_back(action);
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  QAction* chosen = menu_runner_ ? menu_runner_(menu) : menu.exec(QCursor::pos());
  auto at = std::find(entries.begin(), entries.end(), chosen);
  if (!chosen || at == entries.end()) return 0;
  return static_cast<int32_t>(at - entries.begin()) + 1;
}

void BrowseListQt::PageChanged() {
  selecting_ = true;
  model_->Reload();
  selecting_ = false;
  SetSelection(selection_);
  FitColumnsToPage();
}

void BrowseListQt::Post(ListEvent event) {
  QMetaObject::invokeMethod(
      this,
      [this, event] {
        if (sink_) sink_(event);
      },
      Qt::QueuedConnection);
}

void BrowseListQt::ThumbAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      Post(ListEvent{browse_event::kScrollUp});
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      Post(ListEvent{browse_event::kScrollDown});
      break;
    case QAbstractSlider::SliderPageStepSub:
      Post(ListEvent{browse_event::kPageUp});
      break;
    case QAbstractSlider::SliderPageStepAdd:
      Post(ListEvent{browse_event::kPageDown});
      break;
    case QAbstractSlider::SliderToMinimum:
      Post(ListEvent{browse_event::kScrollTop});
      break;
    case QAbstractSlider::SliderToMaximum:
      Post(ListEvent{browse_event::kScrollBottom});
      break;
    default:
      break;
  }
}

bool BrowseListQt::KeyPressed(QKeyEvent* key) {
  const bool ctrl = key->modifiers() & Qt::ControlModifier;
  auto post = [this](int32_t event) {
    Post(ListEvent{event});
    return true;
  };
  auto alert = [this](int32_t code, char c = 0) {
    Post(ListEvent{browse_event::kAlertKey, code, c});
    return true;
  };
  switch (key->key()) {
    case Qt::Key_Up:
      return post(browse_event::kScrollUp);
    case Qt::Key_Down:
      return post(browse_event::kScrollDown);
    case Qt::Key_PageUp:
      return post(browse_event::kPageUp);
    case Qt::Key_PageDown:
      return post(browse_event::kPageDown);
    case Qt::Key_Home:
      return post(browse_event::kScrollTop);
    case Qt::Key_End:
      return post(browse_event::kScrollBottom);
    case Qt::Key_Insert:
      return alert(browse_key::kInsertKey);
    case Qt::Key_Delete:
      return alert(browse_key::kDeleteKey);
    case Qt::Key_Backspace:
      return alert(browse_key::kBSKey);
    case Qt::Key_Space:
      return alert(browse_key::kSpaceKey, ' ');
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (ctrl) return alert(browse_key::kCtrlEnter);
      return false;
    default:
      break;
  }
  if (ctrl || key->text().isEmpty() || !key->text().at(0).isPrint()) return false;
  const std::string c = Cp1251FromUtf8(key->text().left(1).toStdString());
  if (c.size() != 1) return false;
  return alert(static_cast<unsigned char>(c[0]), c[0]);
}

bool BrowseListQt::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (watched == view_ && KeyPressed(static_cast<QKeyEvent*>(event))) return true;
      break;
    case QEvent::Wheel: {
      const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
      const int notches = std::max(1, std::abs(delta) / kWheelNotch);
      if (delta == 0) return true;
      for (int i = 0; i < notches; ++i) {
        Post(ListEvent{delta > 0 ? browse_event::kScrollUp : browse_event::kScrollDown});
      }
      return true;
    }
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (watched != view_->viewport() || mouse->button() != Qt::RightButton) break;
      const QModelIndex at = view_->indexAt(mouse->position().toPoint());
      if (at.isValid()) {
        selecting_ = true;
        view_->selectRow(at.row());
        selecting_ = false;
        selection_ = at.row() + 1;
      }
      Post(ListEvent{browse_event::kNewSelection, browse_key::kMouseRight});
      return true;
    }
    case QEvent::Resize:
      // The viewport's height decides how many rows the page holds.
      if (watched == view_->viewport() && VisibleRows() != last_rows_) {
        last_rows_ = VisibleRows();
        emit VisibleRowsChanged();
      }
      break;
    case QEvent::MouseButtonDblClick:
      if (watched != view_->viewport()) break;
      if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
      Post(ListEvent{browse_event::kAlertKey, browse_key::kMouseLeft2});
      return true;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kavo
