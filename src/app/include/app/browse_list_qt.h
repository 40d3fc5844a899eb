// The list control of a browse on the screen: a table view over a model of
// the engine's page queue only (never the table), and beside it a separate
// vertical scroll bar with the range 0..100 that is the engine's thumb.
//
// What the user does becomes the engine's events, posted and delivered
// after the current event has been served, in posting order:
//   arrows, mouse wheel           scroll up / down one row (3, 4)
//   Page Up / Page Down           page up / down (5, 6)
//   Ctrl+Home / Ctrl+End          top / bottom (7, 8)
//   thumb dragged and released    thumb drag (20), the thumb giving 0..100
//   scroll bar arrows and troughs one row / one page
//   click on a row                new selection (2)
//   right click                   new selection with the right button
//   double click, space, Insert, Delete, Ctrl+Enter, backspace and typed
//   characters                    alert key (15) with the key code
// Columns are as wide as the list format's dialog units in the list's font,
// and never narrower than their header or the widest cell shown so far, so
// nothing is cut; a column the user has sized keeps its width. The list asks
// for the width of all its columns.
// The rows the list shows follow its height; a change is announced by
// VisibleRowsChanged so that the window refills the page. Right-click
// menus are the engine's text: "|" between entries, "~" before a disabled
// one, "-" for a separator.
//
// Texts below the window are code page 1251; they become QString here.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>
#include <vector>

#include "browse/browse_engine.h"

class QMenu;
class QScrollBar;
class QTableView;

namespace kavo {

class BrowsePageModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit BrowsePageModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void SetEngine(const BrowseEngine* engine);
  // The page changed: every row is read again.
  void Reload();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  const BrowseEngine* engine_ = nullptr;
};

class BrowseListQt : public QWidget, public BrowseList {
  Q_OBJECT

 public:
  using EventSink = std::function<void(const ListEvent&)>;
  // Chooses an entry of a right-click menu; the default runs the menu at
  // the mouse pointer.
  using MenuRunner = std::function<QAction*(QMenu&)>;

  explicit BrowseListQt(QWidget* parent = nullptr);

  // The engine whose page is shown and the sink its events go to.
  void SetEngine(const BrowseEngine* engine, EventSink sink);
  void SetMenuRunner(MenuRunner runner) { menu_runner_ = std::move(runner); }

  QTableView* view() const { return view_; }
  QScrollBar* thumb() const { return thumb_; }
  BrowsePageModel* model() const { return model_; }

  // BrowseList
  int32_t VisibleRows() const override;
  int32_t Selection() const override { return selection_; }
  void SetSelection(int32_t row) override;
  int32_t Thumb() const override;
  void SetThumb(int32_t position) override;
  void ShowScrollBar(bool shown) override;
  void PostEvent(int32_t event) override { Post(ListEvent{event}); }
  int32_t PopupMenu(std::string_view text) override;
  void PageChanged() override;

  QSize sizeHint() const override;
  // The width of all columns together, in pixels.
  int ColumnsWidth() const;

 signals:
  void VisibleRowsChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Post(ListEvent event);
  void ApplyColumns();
  void FitColumnsToPage();
  bool KeyPressed(QKeyEvent* key);
  void ThumbAction(int action);

  QTableView* view_;
  QScrollBar* thumb_;
  BrowsePageModel* model_;
  const BrowseEngine* engine_ = nullptr;
  EventSink sink_;
  MenuRunner menu_runner_;
  int32_t selection_ = 0;
  int32_t last_rows_ = 0;
  bool selecting_ = false;  // the selection is being set by the engine
  bool fitting_ = false;    // column widths are being set by the list
  std::vector<bool> user_sized_;
};

}  // namespace kavo
