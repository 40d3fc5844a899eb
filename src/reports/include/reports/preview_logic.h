// ReportPreview without a screen: the state of one print preview and every
// decision it makes (which pages the thumbnail slots show and where, the zoom
// factor, paging, the page and zoom texts of the status bar, clamping of the
// spin boxes). The window only draws what Screen() describes and forwards the
// user's actions.
//
// Invariants: 1 <= CurrentPage <= ImageCount; 1 <= PagesAcross, PagesDown
// <= kMaxGrid; exactly one zoom mode is set; ThumbnailsPresent is 0 in zoom
// mode and PagesAcross x PagesDown after ChangeDisplay() in thumbnail mode.
// Thumbnail geometry is in dialog units; the natural page size and the zoom
// view's width are in the same unit as each other (the window's pixels).
//
// Texts are code page 1251 bytes. Not thread-safe: one preview, one thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/globals.h"

namespace kavo::reports {

inline constexpr int32_t kMaxGrid = 10;
// Height of the preview's toolbar, taken from the window height before the
// thumbnail grid is laid out.
inline constexpr int32_t kPreviewToolbarHeight = 18;
// Gap between two thumbnail cells, and the margin around the grid.
inline constexpr int32_t kThumbnailGap = 3;
inline constexpr int32_t kThumbnailMargin = 2;

// The seven zoom modes of the "&Масштаб" menu, in menu order.
enum class ZoomMode { ZoomNoZoom, ZoomPageWidth, Zoom50, Zoom75, Zoom100, Zoom200, Zoom300 };
inline constexpr int kZoomModeCount = 7;

// A value typed into a spin box, pulled back to the bound it crossed.
int32_t ClampSpin(int64_t value, int32_t low, int32_t high);

// One thumbnail slot: the rectangle of its frame and image (dialog units,
// relative to the page area) and the page it shows; 0 for a hidden slot.
struct ThumbnailSlot {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t page = 0;
};

// What the window shows after ChangeDisplay().
struct PreviewScreen {
  bool zoomed = false;
  std::vector<ThumbnailSlot> thumbnails;  // thumbnail mode only
  int32_t zoom_page = 0;                  // zoom mode only
  double ZoomModifier = 1.0;
  bool horizontal_scroll = false;
  std::string page_text;  // status zone 2
  std::string zoom_text;  // status zone 3
  bool previous_enabled = false;
  bool next_enabled = false;
  // The three spin boxes and the "&Смотреть" menu: off for a single page.
  bool paging_enabled = false;
};

// One item of a pop-up menu text ("|" between items, a lone "-" a separator,
// a leading "-" unchecked, "+" checked).
struct PopupItem {
  std::string text;
  bool separator = false;
  bool checked = false;
};
std::vector<PopupItem> ParsePopupMenu(std::string_view menu_text);

class PreviewLogic {
 public:
  // ImageWidth and ImageHeight: the natural size of page 1 (both > 0).
  // unit_shape: the height of a vertical dialog unit over the width of a
  // horizontal one, in the page size's unit; the thumbnail cells keep the
  // page's proportions on the screen whatever the units' shape.
  // REQUIRES: ImageCount >= 1.
  PreviewLogic(int32_t ImageCount, int32_t ImageWidth, int32_t ImageHeight,
               double unit_shape = 1.0);

  // Lays the screen out again for a page area of width x height dialog
  // units (the toolbar excluded) whose zoom view is view_width wide in the
  // page size's unit. Every event below ends with a call of this.
  void ChangeDisplay(int32_t width, int32_t height, int32_t view_width);
  const PreviewScreen& Screen() const { return screen_; }

  // Events. Each returns the state for the next ChangeDisplay().
  void SetPagesAcross(int64_t value);  // toolbar spin box: back to thumbnails
  void SetPagesDown(int64_t value);
  void SetCurrentPage(int64_t value);                // page spin box, clamped
  void SelectDisplay(int64_t across, int64_t down);  // grid dialog: mode kept
  void JumpTo(int64_t page);
  void GetNextPage();
  void GetPrevPage();
  void ClickSlot(int32_t k);  // 1-based slot number
  void ClickZoomView();
  void SetZoom(ZoomMode mode);
  void Print() { ReturnValue_ = 1; }

  // The zoom pop-up's text with the current mode marked, and the mode of a
  // choice (1..7); false for no choice.
  std::string ZoomPopupText() const;
  static bool ZoomForChoice(int choice, ZoomMode* mode);

  // 1 when the user chose to print, 2 otherwise.
  int32_t GlobalResponse() const {
    return ReturnValue_ == 1 ? kRequestCompleted : kRequestCancelled;
  }

  int32_t ImageCount() const { return ImageCount_; }
  int32_t CurrentPage() const { return CurrentPage_; }
  int32_t PagesAcross() const { return PagesAcross_; }
  int32_t PagesDown() const { return PagesDown_; }
  ZoomMode Zoom() const { return zoom_; }
  int32_t ThumbnailsPresent() const { return ThumbnailsPresent_; }
  int32_t ImageWidth() const { return ImageWidth_; }
  int32_t ImageHeight() const { return ImageHeight_; }

 private:
  void PositionThumbnails(int32_t width, int32_t height);
  void FillThumbnails();
  void FillZoomControl(int32_t view_width);
  void ConfigureZoomRatio(int32_t view_width);
  void ClearZoomValues() { zoom_ = ZoomMode::ZoomNoZoom; }

  int32_t ImageCount_;
  int32_t ImageWidth_;
  int32_t ImageHeight_;
  double ImageAspectRatio_;
  double unit_shape_;
  int32_t CurrentPage_ = 1;
  int32_t PagesAcross_ = 1;
  int32_t PagesDown_ = 1;
  int32_t DisplayedPagesAcross_ = 0;
  int32_t DisplayedPagesDown_ = 0;
  int32_t ThumbnailsPresent_ = 0;
  ZoomMode zoom_ = ZoomMode::ZoomNoZoom;
  int32_t ReturnValue_ = 0;
  PreviewScreen screen_;
};

}  // namespace kavo::reports
