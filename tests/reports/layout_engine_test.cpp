// The layout engine: bands placed one below the other in millimetres, a new
// page with footer and header when the detail area is full, the running
// count and page number, pictures and alignment, and the errors of a layout
// that cannot work. Positions are checked on the page images read back.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <string>

#include "reports/layout_engine.h"
#include "runtime/errors.h"

namespace kavo::reports {
namespace {

// A detail area of 20 mm holds three bands of 6 mm; a header with a title
// field and a footer with the count and the page number.
ReportLayout SmallLayout() {
  ReportLayout layout;
  layout.page_width_mm = 100;
  layout.page_height_mm = 50;
  layout.detail_area = {10, 12, 80, 20};
  Band header{{10, 2, 80, 8}, {}};
  header.elements.push_back(Text({0, 0, 30, 5}, "Title"));
  header.elements.push_back(Field({30, 0, 20, 5}, "CALL", "s8"));
  header.elements.push_back(LayoutBox{{0, 6, 80, 2}, 0.3, false});
  layout.header = header;
  Band footer{{10, 40, 80, 6}, {}};
  footer.elements.push_back(Total({0, 0, 15, 4}, FieldTotal::kCount, "n_6"));
  footer.elements.push_back(
      Total({60, 0, 17, 3}, FieldTotal::kPageCount, "pPage <<<#p", {"Arial Cyr", 8}));
  layout.footer = footer;
  layout.detail.rect = {0, 0, 80, 6};
  layout.detail.elements.push_back(Field({1, 1, 20, 4}, "CALL", "s8"));
  layout.detail.elements.push_back(Field({22, 1, 14, 4}, "N", "n-10.0"));
  LayoutField hidden = Field({40, 1, 10, 4}, "N", "n3");
  hidden.hidden = true;
  layout.detail.elements.push_back(hidden);
  layout.detail.elements.push_back(LayoutLine{0, 6, 80, 6, 0.2});
  return layout;
}

struct Vars {
  char call[8];
  int32_t n = 0;

  void Set(const std::string& c, int32_t number) {
    std::string padded = c;
    padded.resize(sizeof call, ' ');
    padded.copy(call, sizeof call);
    n = number;
  }
  FieldResolver Resolver() {
    return [this](std::string_view name, expr::VarRef* out) {
      if (name == "CALL")
        *out = expr::VarRef::String(call, sizeof call);
      else if (name == "N")
        *out = expr::VarRef::Long(&n);
      else
        return false;
      return true;
    };
  }
};

std::vector<PageText> Texts(const PageImage& page) {
  std::vector<PageText> out;
  for (const PageItem& item : page.items) {
    if (const auto* t = std::get_if<PageText>(&item)) out.push_back(*t);
  }
  return out;
}

// The first text item showing `text` at or below `min_y`.
const PageText* Find(const std::vector<PageText>& texts, const std::string& text,
                     double min_y = 0) {
  for (const PageText& t : texts) {
    if (t.text == text && t.rect.y >= min_y) return &t;
  }
  return nullptr;
}

// Below the header band.
constexpr double kDetailTop = 12;

class LayoutEngineTest : public ::testing::Test {
 protected:
  void LayOut(int bands) {
    ASSERT_TRUE(engine_.Open(SmallLayout(), vars_.Resolver()).ok());
    engine_.DirectPages(&queue_);
    for (int i = 1; i <= bands; ++i) {
      vars_.Set("UA" + std::to_string(i), i * 10);
      ASSERT_TRUE(engine_.PrintDetail().ok());
    }
    ASSERT_TRUE(engine_.FinishPage().ok());
  }
  PageImage Page(size_t index) {
    PageImage page;
    EXPECT_TRUE(queue_.ReadPage(index, &page).ok());
    return page;
  }

  Vars vars_;
  LayoutEngine engine_;
  PrintPreviewQueue queue_;
};

TEST_F(LayoutEngineTest, BandsGoOneBelowTheOtherAndBreakWhenTheAreaIsFull) {
  ASSERT_NO_FATAL_FAILURE(LayOut(7));
  ASSERT_EQ(queue_.size(), 3u);  // 3 + 3 + 1
  EXPECT_EQ(engine_.CISLO(), 7);
  EXPECT_EQ(engine_.PAGECOUNT(), 3);
  std::vector<PageText> p1 = Texts(Page(0));
  const PageText* first = Find(p1, "UA1", kDetailTop);
  const PageText* third = Find(p1, "UA3", kDetailTop);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(first->rect, (RectMm{11, 13, 20, 4}));
  EXPECT_EQ(third->rect, (RectMm{11, 25, 20, 4}));
  EXPECT_EQ(Find(p1, "UA4"), nullptr);
  std::vector<PageText> p2 = Texts(Page(1));
  ASSERT_NE(Find(p2, "UA4", kDetailTop), nullptr);
  EXPECT_EQ(Find(p2, "UA4", kDetailTop)->rect, (RectMm{11, 13, 20, 4}));
  // The header shows the record whose band starts the page.
  ASSERT_NE(Find(p2, "UA4"), nullptr);
  EXPECT_EQ(Find(p2, "UA4")->rect, (RectMm{40, 2, 20, 5}));
  PageImage page2 = Page(1);
  EXPECT_EQ(page2.width_mm, 100);
  EXPECT_EQ(page2.height_mm, 50);
}

TEST_F(LayoutEngineTest, FootersCarryTheRunningCountAndThePageNumber) {
  ASSERT_NO_FATAL_FAILURE(LayOut(7));
  const char* counts[] = {"3", "6", "7"};
  const char* pages[] = {"Page    1", "Page    2", "Page    3"};
  for (size_t i = 0; i < 3; ++i) {
    std::vector<PageText> texts = Texts(Page(i));
    const PageText* count = Find(texts, counts[i]);
    ASSERT_NE(count, nullptr) << "page " << i + 1;
    EXPECT_EQ(count->rect, (RectMm{10, 40, 15, 4}));
    EXPECT_EQ(count->align, TextAlign::kRight);
    const PageText* page = Find(texts, pages[i]);
    ASSERT_NE(page, nullptr) << "page " << i + 1;
    EXPECT_EQ(page->rect, (RectMm{70, 40, 17, 3}));
    EXPECT_EQ(page->size_pt, 8);
    EXPECT_EQ(page->face, "Arial Cyr");
  }
}

TEST_F(LayoutEngineTest, FieldsAreFormattedTrimmedAlignedAndClipped) {
  ASSERT_NO_FATAL_FAILURE(LayOut(1));
  std::vector<PageText> texts = Texts(Page(0));
  const PageText* number = Find(texts, "10");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->align, TextAlign::kRight);
  // Cut at its column, free to reach the top and bottom of its band.
  ASSERT_TRUE(number->clip.has_value());
  EXPECT_EQ(number->clip->x, number->rect.x);
  EXPECT_EQ(number->clip->w, number->rect.w);
  EXPECT_LE(number->clip->y, number->rect.y);
  EXPECT_GT(number->clip->h, number->rect.h);
  const PageText* call = Find(texts, "UA1", kDetailTop);
  EXPECT_EQ(call->align, TextAlign::kLeft);
  // The hidden field is not printed: "10" appears once.
  int tens = 0;
  for (const PageText& t : texts) tens += t.text == "10";
  EXPECT_EQ(tens, 1);
  // Fixed text, the header box and the detail's rule are there.
  ASSERT_NE(Find(texts, "Title"), nullptr);
  EXPECT_FALSE(Find(texts, "Title")->clip.has_value());
  PageImage page = Page(0);
  int lines = 0, boxes = 0;
  for (const PageItem& item : page.items) {
    if (const auto* l = std::get_if<PageLine>(&item)) {
      ++lines;
      EXPECT_EQ(*l, (PageLine{10, 18, 90, 18, 0.2}));
    }
    if (const auto* b = std::get_if<PageBox>(&item)) {
      ++boxes;
      EXPECT_EQ(b->rect, (RectMm{10, 8, 80, 2}));
    }
  }
  EXPECT_EQ(lines, 1);
  EXPECT_EQ(boxes, 1);
}

TEST_F(LayoutEngineTest, ExactlyFullPagesMakeNoEmptyPage) {
  ASSERT_NO_FATAL_FAILURE(LayOut(6));
  EXPECT_EQ(queue_.size(), 2u);
  ASSERT_TRUE(engine_.FinishPage().ok());
  EXPECT_EQ(queue_.size(), 2u);
}

TEST_F(LayoutEngineTest, NoBandMakesNoPage) {
  ASSERT_NO_FATAL_FAILURE(LayOut(0));
  EXPECT_TRUE(queue_.empty());
  EXPECT_EQ(engine_.PAGECOUNT(), 0);
}

TEST(LayoutEngine, LayoutsThatCannotWorkAreRefusedAtOpen) {
  Vars vars;
  LayoutEngine engine;
  ReportLayout unknown = SmallLayout();
  unknown.detail.elements.push_back(Field({0, 0, 5, 4}, "NOSUCH", "s3"));
  EXPECT_EQ(engine.Open(unknown, vars.Resolver()).code(), err::kNoBind);
  ReportLayout bad_picture = SmallLayout();
  std::get<LayoutField>(bad_picture.detail.elements[1]).picture = "q9";
  EXPECT_EQ(engine.Open(bad_picture, vars.Resolver()).code(), err::kInvalidDataFile);
  ReportLayout tall = SmallLayout();
  tall.detail.rect.h = 21;
  EXPECT_EQ(engine.Open(tall, vars.Resolver()).code(), err::kInvalidDataFile);
  EXPECT_FALSE(engine.is_open());
  EXPECT_EQ(engine.PrintDetail().code(), err::kFileNotOpen);
}

TEST(LayoutEngine, APageThatCannotBeStoredIsReportedAndNotCounted) {
  Vars vars;
  LayoutEngine engine;
  PrintPreviewQueue queue("/nonexistent-kavo-dir");
  ASSERT_TRUE(engine.Open(SmallLayout(), vars.Resolver()).ok());
  engine.DirectPages(&queue);
  vars.Set("UA1", 1);
  Status st;
  for (int i = 0; i < 4 && st.ok(); ++i) st = engine.PrintDetail();
  EXPECT_FALSE(st.ok());
  EXPECT_TRUE(queue.empty());
}

}  // namespace
}  // namespace kavo::reports
