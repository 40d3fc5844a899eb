#include "reports/preview_logic.h"

#include <algorithm>
#include <array>

#include "runtime/cp1251.h"

namespace kavo::reports {

namespace {

struct ZoomEntry {
  double modifier;  // 0: fitted (no zoom) or to the window width
  bool horizontal_scroll;
  const char* status;  // UTF-8
  int popup_mark;      // 1-based position of the item's '-' in kZoomPopup
};

// In the order of ZoomMode.
constexpr std::array<ZoomEntry, kZoomModeCount> kZoomTable = {{
    {0, false, "Без масшт", 1},
    {0, false, "Масш (Ширина стр)", 12},
    {0.5, true, "Масш (50%)", 24},
    {0.75, true, "Масш (75%)", 29},
    {1.0, true, "Масш (100%)", 34},
    {2.0, true, "Масш (200%)", 40},
    {3.0, true, "Масш (300%)", 46},
}};

constexpr char kZoomPopup[] = "-Без мас|-|-Ширина стр|-50%|-75%|-100%|-200%|-300%";

const ZoomEntry& EntryOf(ZoomMode mode) {
  return kZoomTable[static_cast<int>(mode)];
}

std::string PageText(int32_t page, int32_t count) {
  return Cp1251FromUtf8("Стр. ") + std::to_string(page) + Cp1251FromUtf8(" из ") +
         std::to_string(count);
}

}  // namespace

int32_t ClampSpin(int64_t value, int32_t low, int32_t high) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, low, high));
}

std::vector<PopupItem> ParsePopupMenu(std::string_view menu_text) {
  std::vector<PopupItem> items;
  size_t start = 0;
  while (start <= menu_text.size()) {
    size_t end = menu_text.find('|', start);
    if (end == std::string_view::npos) end = menu_text.size();
    std::string_view item = menu_text.substr(start, end - start);
    PopupItem parsed;
    if (item == "-") {
      parsed.separator = true;
    } else {
      if (!item.empty() && (item[0] == '-' || item[0] == '+')) {
        parsed.checked = item[0] == '+';
        item.remove_prefix(1);
      }
      parsed.text = std::string(item);
    }
    items.push_back(std::move(parsed));
    start = end + 1;
  }
  return items;
}

PreviewLogic::PreviewLogic(int32_t ImageCount, int32_t ImageWidth, int32_t ImageHeight,
                           double unit_shape)
    : ImageCount_(std::max(ImageCount, 1)),
      ImageWidth_(std::max(ImageWidth, 1)),
      ImageHeight_(std::max(ImageHeight, 1)),
      ImageAspectRatio_(static_cast<double>(ImageHeight_) / ImageWidth_),
      unit_shape_(unit_shape > 0 ? unit_shape : 1.0) {}

void PreviewLogic::ChangeDisplay(int32_t width, int32_t height, int32_t view_width) {
  screen_ = PreviewScreen{};
  screen_.paging_enabled = ImageCount_ > 1;
  screen_.zoom_text = Cp1251FromUtf8(EntryOf(zoom_).status);
  if (zoom_ == ZoomMode::ZoomNoZoom) {
    if (PagesAcross_ != DisplayedPagesAcross_ || PagesDown_ != DisplayedPagesDown_) {
      ThumbnailsPresent_ = PagesAcross_ * PagesDown_;
      DisplayedPagesAcross_ = PagesAcross_;
      DisplayedPagesDown_ = PagesDown_;
    }
    PositionThumbnails(width, height);
    FillThumbnails();
  } else {
    ThumbnailsPresent_ = 0;
    DisplayedPagesAcross_ = 0;
    DisplayedPagesDown_ = 0;
    FillZoomControl(view_width);
  }
}

void PreviewLogic::PositionThumbnails(int32_t width, int32_t height) {
  const int32_t TotalXSeparation = (PagesAcross_ - 1) * kThumbnailGap + kThumbnailMargin;
  const int32_t TotalYSeparation = (PagesDown_ - 1) * kThumbnailGap + kThumbnailMargin;
  // A window too small for the grid still gets cells of one unit.
  int32_t ThumbnailWidth = std::max((width - TotalXSeparation) / PagesAcross_, 1);
  int32_t ThumbnailHeight =
      std::max((height - kPreviewToolbarHeight - TotalYSeparation) / PagesDown_, 1);
  // The cell's proportions as the screen shows them.
  const double ThumbnailAspectRatio =
      ThumbnailHeight * unit_shape_ / static_cast<double>(ThumbnailWidth);
  if (ImageAspectRatio_ > ThumbnailAspectRatio) {
    ThumbnailWidth =
        std::max(static_cast<int32_t>(ThumbnailHeight * unit_shape_ / ImageAspectRatio_), 1);
  } else {
    ThumbnailHeight =
        std::max(static_cast<int32_t>(ThumbnailWidth * ImageAspectRatio_ / unit_shape_), 1);
  }
  screen_.thumbnails.clear();
  int32_t ThumbnailYPosition = 1;
  for (int32_t ThumbnailRow = 0; ThumbnailRow < PagesDown_; ++ThumbnailRow) {
    int32_t ThumbnailXPosition = 1;
    for (int32_t ThumbnailColumn = 0; ThumbnailColumn < PagesAcross_; ++ThumbnailColumn) {
      screen_.thumbnails.push_back(
          {ThumbnailXPosition, ThumbnailYPosition, ThumbnailWidth, ThumbnailHeight, 0});
      ThumbnailXPosition += ThumbnailWidth + kThumbnailGap;
    }
    ThumbnailYPosition += ThumbnailHeight + kThumbnailGap;
  }
}

void PreviewLogic::FillThumbnails() {
  int32_t ProcessedPage = CurrentPage_;
  for (int32_t k = 1; k <= ThumbnailsPresent_; ++k) {
    const int32_t page = CurrentPage_ + k - 1;
    if (page <= ImageCount_) {
      screen_.thumbnails[k - 1].page = page;
      ProcessedPage = page;
    }
  }
  if (ImageCount_ > 1) {
    screen_.previous_enabled = CurrentPage_ != 1;
    screen_.next_enabled = CurrentPage_ + ThumbnailsPresent_ <= ImageCount_;
  }
  if (ThumbnailsPresent_ > 1 && CurrentPage_ != ImageCount_) {
    screen_.page_text = Cp1251FromUtf8("Стр.  ") + std::to_string(CurrentPage_) + "-" +
                        std::to_string(ProcessedPage) + Cp1251FromUtf8(" из ") +
                        std::to_string(ImageCount_);
  } else {
    screen_.page_text = PageText(CurrentPage_, ImageCount_);
  }
}

void PreviewLogic::FillZoomControl(int32_t view_width) {
  ConfigureZoomRatio(view_width);
  screen_.zoomed = true;
  screen_.zoom_page = CurrentPage_;
  screen_.page_text = PageText(CurrentPage_, ImageCount_);
  if (ImageCount_ > 1) {
    screen_.previous_enabled = CurrentPage_ > 1;
    screen_.next_enabled = CurrentPage_ < ImageCount_;
  }
}

void PreviewLogic::ConfigureZoomRatio(int32_t view_width) {
  const ZoomEntry& entry = EntryOf(zoom_);
  screen_.horizontal_scroll = entry.horizontal_scroll;
  screen_.ZoomModifier = zoom_ == ZoomMode::ZoomPageWidth
                             ? static_cast<double>(view_width) / ImageWidth_
                             : entry.modifier;
}

void PreviewLogic::SetPagesAcross(int64_t value) {
  PagesAcross_ = ClampSpin(value, 1, kMaxGrid);
  ClearZoomValues();
}

void PreviewLogic::SetPagesDown(int64_t value) {
  PagesDown_ = ClampSpin(value, 1, kMaxGrid);
  ClearZoomValues();
}

void PreviewLogic::SetCurrentPage(int64_t value) {
  CurrentPage_ = ClampSpin(value, 1, ImageCount_);
}

void PreviewLogic::SelectDisplay(int64_t across, int64_t down) {
  PagesAcross_ = ClampSpin(across, 1, kMaxGrid);
  PagesDown_ = ClampSpin(down, 1, kMaxGrid);
}

void PreviewLogic::JumpTo(int64_t page) {
  SetCurrentPage(page);
}

void PreviewLogic::GetNextPage() {
  if (zoom_ == ZoomMode::ZoomNoZoom) {
    if (CurrentPage_ + ThumbnailsPresent_ <= ImageCount_) CurrentPage_ += ThumbnailsPresent_;
  } else if (CurrentPage_ < ImageCount_) {
    ++CurrentPage_;
  }
}

void PreviewLogic::GetPrevPage() {
  if (zoom_ == ZoomMode::ZoomNoZoom) {
    CurrentPage_ = std::max(CurrentPage_ - ThumbnailsPresent_, 1);
  } else if (CurrentPage_ > 1) {
    --CurrentPage_;
  }
}

void PreviewLogic::ClickSlot(int32_t k) {
  CurrentPage_ = ClampSpin(static_cast<int64_t>(CurrentPage_) + k - 1, 1, ImageCount_);
  zoom_ = ZoomMode::ZoomPageWidth;
}

void PreviewLogic::ClickZoomView() {
  ClearZoomValues();
}

void PreviewLogic::SetZoom(ZoomMode mode) {
  zoom_ = mode;
}

std::string PreviewLogic::ZoomPopupText() const {
  std::string text = Cp1251FromUtf8(kZoomPopup);
  text[EntryOf(zoom_).popup_mark - 1] = '+';
  return text;
}

bool PreviewLogic::ZoomForChoice(int choice, ZoomMode* mode) {
  if (choice < 1 || choice > kZoomModeCount) return false;
  *mode = static_cast<ZoomMode>(choice - 1);
  return true;
}

}  // namespace kavo::reports
