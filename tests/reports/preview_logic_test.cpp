#include "reports/preview_logic.h"

#include <gtest/gtest.h>

#include "runtime/cp1251.h"

namespace kavo::reports {
namespace {

// A4 portrait in tenths of a millimetre: height / width = 1.414...
constexpr int32_t kA4Width = 2100;
constexpr int32_t kA4Height = 2970;

std::string Utf8(const std::string& cp1251) {
  return Utf8FromCp1251(cp1251);
}

testing::AssertionResult SlotIs(const ThumbnailSlot& slot, int32_t x, int32_t y, int32_t width,
                                int32_t height, int32_t page) {
  if (slot.x == x && slot.y == y && slot.width == width && slot.height == height &&
      slot.page == page) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure()
         << "slot (" << slot.x << ", " << slot.y << ", " << slot.width << " x " << slot.height
         << ", page " << slot.page << "), expected (" << x << ", " << y << ", " << width << " x "
         << height << ", page " << page << ")";
}

TEST(PreviewThumbnails, OneByOneFitsTheWholePage) {
  PreviewLogic preview(3, kA4Width, kA4Height);
  preview.ChangeDisplay(400, 300, 800);
  // Cell 398 x 280 is relatively wider than the page: the width narrows to
  // 280 / 1.414 = 197.9.
  ASSERT_EQ(preview.Screen().thumbnails.size(), 1u);
  EXPECT_TRUE(SlotIs(preview.Screen().thumbnails[0], 1, 1, 197, 280, 1));
  EXPECT_EQ(Utf8(preview.Screen().zoom_text), "Без масшт");
  EXPECT_EQ(Utf8(preview.Screen().page_text), "Стр. 1 из 3");
}

TEST(PreviewThumbnails, GridOfThreeByTwo) {
  PreviewLogic preview(10, kA4Width, kA4Height);
  preview.SetPagesAcross(3);
  preview.SetPagesDown(2);
  preview.ChangeDisplay(400, 300, 800);
  // Separations 8 and 5: cells (392 / 3) x (277 / 2) = 130 x 138, narrowed
  // to 138 / 1.414 = 97.5.
  const auto& thumbnails = preview.Screen().thumbnails;
  ASSERT_EQ(thumbnails.size(), 6u);
  EXPECT_TRUE(SlotIs(thumbnails[0], 1, 1, 97, 138, 1));
  EXPECT_TRUE(SlotIs(thumbnails[2], 201, 1, 97, 138, 3));
  EXPECT_TRUE(SlotIs(thumbnails[3], 1, 142, 97, 138, 4));
  EXPECT_TRUE(SlotIs(thumbnails[5], 201, 142, 97, 138, 6));
  EXPECT_EQ(preview.ThumbnailsPresent(), 6);
}

TEST(PreviewThumbnails, WidePageKeepsWidthAndLosesHeight) {
  PreviewLogic preview(1, 300, 200);
  preview.ChangeDisplay(400, 300, 800);
  // Cell 398 x 280 (ratio 0.70) is relatively taller than the page (0.67).
  EXPECT_TRUE(SlotIs(preview.Screen().thumbnails[0], 1, 1, 398, 265, 1));
}

TEST(PreviewThumbnails, CellsKeepTheProportionsOfTallUnits) {
  // A square page where a vertical unit is twice as tall as a horizontal one
  // is wide: a square on the screen is 398 units across and 199 down.
  PreviewLogic preview(1, 100, 100, 2.0);
  preview.ChangeDisplay(400, 300, 800);
  EXPECT_TRUE(SlotIs(preview.Screen().thumbnails[0], 1, 1, 398, 199, 1));
}

TEST(PreviewThumbnails, TenByTenAndATinyWindow) {
  PreviewLogic preview(150, kA4Width, kA4Height);
  preview.SetPagesAcross(10);
  preview.SetPagesDown(10);
  preview.ChangeDisplay(640, 480, 800);
  // Separations 29: cells 61 x 43, narrowed to 30.
  const auto& thumbnails = preview.Screen().thumbnails;
  ASSERT_EQ(thumbnails.size(), 100u);
  EXPECT_TRUE(SlotIs(thumbnails[10], 1, 47, 30, 43, 11));
  EXPECT_TRUE(SlotIs(thumbnails[99], 1 + 9 * 33, 1 + 9 * 46, 30, 43, 100));

  preview.ChangeDisplay(10, 20, 10);
  EXPECT_GE(preview.Screen().thumbnails[0].width, 1);
  EXPECT_GE(preview.Screen().thumbnails[0].height, 1);
}

TEST(PreviewPaging, TenPagesInAThreeByTwoGrid) {
  PreviewLogic preview(10, kA4Width, kA4Height);
  preview.SetPagesAcross(3);
  preview.SetPagesDown(2);
  preview.ChangeDisplay(400, 300, 800);
  EXPECT_EQ(Utf8(preview.Screen().page_text), "Стр.  1-6 из 10");
  EXPECT_FALSE(preview.Screen().previous_enabled);
  EXPECT_TRUE(preview.Screen().next_enabled);

  preview.GetNextPage();
  preview.ChangeDisplay(400, 300, 800);
  EXPECT_EQ(Utf8(preview.Screen().page_text), "Стр.  7-10 из 10");
  const auto& thumbnails = preview.Screen().thumbnails;
  EXPECT_EQ(thumbnails[3].page, 10);
  EXPECT_EQ(thumbnails[4].page, 0);
  EXPECT_EQ(thumbnails[5].page, 0);
  EXPECT_TRUE(preview.Screen().previous_enabled);
  EXPECT_FALSE(preview.Screen().next_enabled);

  preview.GetNextPage();
  EXPECT_EQ(preview.CurrentPage(), 7);

  preview.GetPrevPage();
  EXPECT_EQ(preview.CurrentPage(), 1);
  preview.GetPrevPage();
  EXPECT_EQ(preview.CurrentPage(), 1);
}

TEST(PreviewPaging, LastPageInAGridUsesTheSinglePageText) {
  PreviewLogic preview(10, kA4Width, kA4Height);
  preview.SetPagesAcross(2);
  preview.SetCurrentPage(10);
  preview.ChangeDisplay(400, 300, 800);
  EXPECT_EQ(Utf8(preview.Screen().page_text), "Стр. 10 из 10");
  preview.SetCurrentPage(9);
  preview.ChangeDisplay(400, 300, 800);
  EXPECT_EQ(Utf8(preview.Screen().page_text), "Стр.  9-10 из 10");
}

TEST(PreviewPaging, SinglePageDisablesPaging) {
  PreviewLogic preview(1, kA4Width, kA4Height);
  preview.ChangeDisplay(400, 300, 800);
  EXPECT_FALSE(preview.Screen().paging_enabled);
  EXPECT_FALSE(preview.Screen().previous_enabled);
  EXPECT_FALSE(preview.Screen().next_enabled);
  preview.GetNextPage();
  EXPECT_EQ(preview.CurrentPage(), 1);
  EXPECT_EQ(preview.GlobalResponse(), 2);
  preview.Print();
  EXPECT_EQ(preview.GlobalResponse(), 1);
}

TEST(PreviewZoom, ClickOnTheThirdSlotShowsItsPageAtPageWidth) {
  PreviewLogic preview(10, 800, 1131);
  preview.SetPagesAcross(3);
  preview.SetCurrentPage(4);
  preview.ChangeDisplay(400, 300, 600);
  preview.ClickSlot(3);
  preview.ChangeDisplay(400, 300, 600);
  const PreviewScreen& screen = preview.Screen();
  EXPECT_TRUE(screen.zoomed);
  EXPECT_TRUE(screen.thumbnails.empty());
  EXPECT_EQ(preview.ThumbnailsPresent(), 0);
  EXPECT_EQ(screen.zoom_page, 6);
  EXPECT_DOUBLE_EQ(screen.ZoomModifier, 0.75);
  EXPECT_FALSE(screen.horizontal_scroll);
  EXPECT_EQ(Utf8(screen.zoom_text), "Масш (Ширина стр)");
  EXPECT_EQ(Utf8(screen.page_text), "Стр. 6 из 10");
}

TEST(PreviewZoom, TwoHundredPercentAndBackToTheGrid) {
  PreviewLogic preview(10, 800, 1131);
  preview.SetPagesAcross(2);
  preview.ChangeDisplay(400, 300, 600);
  preview.SetZoom(ZoomMode::Zoom200);
  preview.ChangeDisplay(400, 300, 600);
  EXPECT_DOUBLE_EQ(preview.Screen().ZoomModifier, 2.0);
  EXPECT_TRUE(preview.Screen().horizontal_scroll);
  EXPECT_EQ(Utf8(preview.Screen().zoom_text), "Масш (200%)");

  // Zoom mode pages one at a time and stops at the ends.
  preview.GetNextPage();
  EXPECT_EQ(preview.CurrentPage(), 2);
  preview.GetPrevPage();
  preview.GetPrevPage();
  EXPECT_EQ(preview.CurrentPage(), 1);

  // The grid dialog keeps the mode; the click on the page returns to the
  // thumbnails with the last grid, rebuilt.
  preview.SelectDisplay(3, 3);
  preview.ChangeDisplay(400, 300, 600);
  EXPECT_TRUE(preview.Screen().zoomed);
  preview.ClickZoomView();
  preview.ChangeDisplay(400, 300, 600);
  EXPECT_FALSE(preview.Screen().zoomed);
  EXPECT_EQ(preview.ThumbnailsPresent(), 9);
}

TEST(PreviewZoom, ToolbarGridSpinReturnsToThumbnails) {
  PreviewLogic preview(10, 800, 1131);
  preview.SetZoom(ZoomMode::Zoom75);
  preview.ChangeDisplay(400, 300, 600);
  preview.SetPagesDown(2);
  preview.ChangeDisplay(400, 300, 600);
  EXPECT_FALSE(preview.Screen().zoomed);
  EXPECT_EQ(preview.Zoom(), ZoomMode::ZoomNoZoom);
  EXPECT_EQ(preview.ThumbnailsPresent(), 2);
}

TEST(PreviewSpin, ValuesOutsideTheRangeTakeTheCrossedBound) {
  PreviewLogic preview(12, kA4Width, kA4Height);
  preview.SetCurrentPage(99);
  EXPECT_EQ(preview.CurrentPage(), 12);
  preview.SetCurrentPage(0);
  EXPECT_EQ(preview.CurrentPage(), 1);
  preview.JumpTo(-5);
  EXPECT_EQ(preview.CurrentPage(), 1);
  preview.SetPagesAcross(11);
  preview.SetPagesDown(0);
  EXPECT_EQ(preview.PagesAcross(), 10);
  EXPECT_EQ(preview.PagesDown(), 1);
  EXPECT_EQ(ClampSpin(int64_t{1} << 40, 1, 10), 10);
}

TEST(PreviewZoomPopup, MarkedItemIsTheChoiceOfTheCurrentMode) {
  for (int choice = 1; choice <= kZoomModeCount; ++choice) {
    ZoomMode mode;
    ASSERT_TRUE(PreviewLogic::ZoomForChoice(choice, &mode));
    PreviewLogic preview(2, 100, 141);
    preview.SetZoom(mode);
    const std::string text = preview.ZoomPopupText();
    EXPECT_EQ(text.size(), 50u);
    int checked_choice = 0;
    int number = 0;
    for (const PopupItem& item : ParsePopupMenu(text)) {
      if (item.separator) continue;
      ++number;
      if (item.checked) {
        EXPECT_EQ(checked_choice, 0) << "two marked items";
        checked_choice = number;
      }
    }
    EXPECT_EQ(number, kZoomModeCount);
    EXPECT_EQ(checked_choice, choice);
  }
  ZoomMode unused;
  EXPECT_FALSE(PreviewLogic::ZoomForChoice(0, &unused));
  EXPECT_FALSE(PreviewLogic::ZoomForChoice(8, &unused));
}

}  // namespace
}  // namespace kavo::reports
