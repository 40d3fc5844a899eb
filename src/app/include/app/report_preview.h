// ReportPreview: the print preview window over a report's page queue, with
// thumbnails, seven zoom modes, paging, the jump and grid dialogs, printing
// and saving the pages as PDF. PreviewLogic makes every decision; this
// window measures itself, draws what the logic's screen says and forwards
// the user's actions.
#pragma once

#include <QDialog>
#include <QSpinBox>
#include <optional>
#include <vector>

#include "reports/page_image.h"
#include "reports/preview_logic.h"
#include "reports/print_preview_queue.h"

class QAction;
class QLabel;
class QMenu;
class QScrollArea;
class QStackedWidget;

namespace kavo {

// A spin box that takes any number of up to `digits` digits and pulls a
// value outside its range back to the bound it crossed.
class ClampingSpinBox : public QSpinBox {
 public:
  ClampingSpinBox(int digits, QWidget* parent = nullptr);

 protected:
  QValidator::State validate(QString& input, int& pos) const override;
  int valueFromText(const QString& text) const override;

 private:
  int digits_;
};

// One page drawn to the widget's size on white; emits Clicked() on a click
// of the left mouse button.
class PageView : public QWidget {
  Q_OBJECT

 public:
  explicit PageView(QWidget* parent = nullptr);
  void SetPage(const reports::PageImage* page);
  const reports::PageImage* page() const { return page_; }

 signals:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  const reports::PageImage* page_ = nullptr;
};

// JUMPWINDOW: the page to show, CurrentPage when cancelled.
int JumpToPage(int CurrentPage, int TotalPages, QWidget* parent);
// SELECTWINDOW: edits the grid in place.
void SelectDisplay(int& PagesAcross, int& PagesDown, QWidget* parent);

class ReportPreviewWindow : public QDialog {
  Q_OBJECT

 public:
  // REQUIRES: queue holds at least one page and outlives the window.
  explicit ReportPreviewWindow(const reports::PrintPreviewQueue& queue, QWidget* parent = nullptr);

  const reports::PreviewLogic& logic() const { return logic_; }
  // Status zone 2 (page) or 3 (zoom).
  QString ZoneText(int zone) const;
  const std::vector<PageView*>& slot_views() const { return slots_; }
  PageView* zoom_view() const { return zoom_view_; }
  QScrollArea* zoom_area() const { return zoom_area_; }
  QSpinBox* page_spin() const { return page_spin_; }
  QAction* next_action() const { return next_; }
  QAction* previous_action() const { return previous_; }
  QAction* zoom_action(reports::ZoomMode mode) const;

  // The user's actions, also reachable from the menus and the toolbar.
  void Next();
  void Previous();
  void SetZoom(reports::ZoomMode mode);
  void ClickSlot(int k);
  void ClickZoomView();
  void SetPagesAcross(int value);
  void SetPagesDown(int value);
  void SetCurrentPage(int value);
  void Print();
  // Asks for a file name and writes the pages there; true when written.
  bool SavePdf();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void Jump();
  void ChangeGrid();
  void ZoomPopup();
  void ChangeDisplay();
  void ShowThumbnails(const reports::PreviewScreen& screen);
  void ShowZoom(const reports::PreviewScreen& screen);
  void ShowControls(const reports::PreviewScreen& screen);
  const reports::PageImage* Page(int32_t number);

  const reports::PrintPreviewQueue& queue_;
  std::vector<std::optional<reports::PageImage>> pages_;  // read on first use
  reports::PreviewLogic logic_;

  QMenu* view_menu_ = nullptr;
  QAction* print_ = nullptr;
  QAction* save_pdf_ = nullptr;
  QAction* exit_ = nullptr;
  QAction* next_ = nullptr;
  QAction* previous_ = nullptr;
  QAction* jump_ = nullptr;
  QAction* change_display_ = nullptr;
  std::vector<QAction*> zoom_actions_;
  ClampingSpinBox* page_spin_ = nullptr;
  ClampingSpinBox* across_spin_ = nullptr;
  ClampingSpinBox* down_spin_ = nullptr;
  QStackedWidget* pages_area_ = nullptr;
  QWidget* thumbnails_ = nullptr;
  std::vector<PageView*> slots_;
  QScrollArea* zoom_area_ = nullptr;
  PageView* zoom_view_ = nullptr;
  QLabel* page_zone_ = nullptr;
  QLabel* zoom_zone_ = nullptr;
};

// Shows the pages of queue modally; returns GlobalResponse (also stored
// there): 1 when the user chose to print, 2 otherwise. The caller prints.
int ReportPreview(const reports::PrintPreviewQueue& queue, QWidget* parent);

}  // namespace kavo
