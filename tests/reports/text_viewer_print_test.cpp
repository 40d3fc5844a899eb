#include "reports/text_viewer_print.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace kavo::reports {
namespace {

// The texts of every page, in order, with their tops.
struct PrintedText {
  std::string text;
  double y;
};

std::vector<std::vector<PrintedText>> Printed(const PrintPreviewQueue& queue) {
  std::vector<std::vector<PrintedText>> pages;
  for (size_t i = 0; i < queue.size(); ++i) {
    PageImage page;
    EXPECT_TRUE(queue.ReadPage(i, &page).ok());
    auto& texts = pages.emplace_back();
    for (const PageItem& item : page.items) {
      if (const auto* text = std::get_if<PageText>(&item))
        texts.push_back({text->text, text->rect.y});
    }
  }
  return pages;
}

TEST(TextViewerPrint, LongLinesContinueAndNothingIsCut) {
  const int columns = AsciiPrintColumns();
  ASSERT_GT(columns, 60);
  std::string long_line;
  for (int i = 0; i < 300; ++i) long_line.push_back(static_cast<char>('a' + i % 26));
  PrintPreviewQueue queue;
  ASSERT_TRUE(LayOutAsciiLines({"first", long_line, "   indented", ""}, &queue).ok());
  const auto pages = Printed(queue);
  ASSERT_EQ(pages.size(), 1u);
  const auto& texts = pages[0];
  const size_t long_bands = (300 + columns - 1) / columns;
  ASSERT_EQ(texts.size(), 1 + long_bands + 1 + 1);
  EXPECT_EQ(texts[0].text, "first");
  std::string joined;
  for (size_t i = 1; i <= long_bands; ++i) joined += texts[i].text;
  EXPECT_EQ(joined, long_line);
  // The indentation survives the engine's trimming as no-break spaces.
  EXPECT_EQ(texts[long_bands + 1].text, "\xA0\xA0\xA0indented");
  // Bands of 167 thousandths of an inch from 2.5 inches down.
  EXPECT_NEAR(texts[0].y, 63.5, 1e-9);
  EXPECT_NEAR(texts[1].y - texts[0].y, 4.2418, 1e-9);
}

TEST(TextViewerPrint, TabsAndPages) {
  EXPECT_EQ(AsciiPrintBands("a\tb"), std::vector<std::string>{"a       b"});
  EXPECT_EQ(AsciiPrintBands(""), std::vector<std::string>{""});
  // 35 bands of 4.2418 mm fill the 152.4 mm detail area; the 36th starts a
  // page.
  PrintPreviewQueue queue;
  ASSERT_TRUE(LayOutAsciiLines(std::vector<std::string>(36, "line"), &queue).ok());
  const auto pages = Printed(queue);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].size(), 35u);
  EXPECT_EQ(pages[1].size(), 1u);
}

}  // namespace
}  // namespace kavo::reports
