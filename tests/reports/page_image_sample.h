// A page image that holds every kind of item and every text option, shared by
// the page image tests.
#pragma once

#include "reports/page_image.h"

namespace kavo::reports::testing {

inline PageImage SamplePage() {
  PageImage page;
  PageText title;
  title.rect = {18, 16, 120, 5};
  title.text = "\xD0\xE0\xE4\xE8\xEE\xF1\xE2\xFF\xE7\xE8";  // "Радиосвязи" in 1251
  title.face = "MS Sans Serif";
  title.size_pt = 10;
  title.bold = true;
  page.items.push_back(title);
  PageText field;
  field.rect = {22.5, 32, 14, 4};
  field.text = "1234";
  field.face = "Arial Cyr";
  field.size_pt = 8;
  field.italic = true;
  field.underline = true;
  field.align = TextAlign::kRight;
  field.clip = RectMm{22.5, 32, 14, 4};
  page.items.push_back(field);
  page.items.push_back(PageLine{18, 37, 197, 37, 0.25});
  page.items.push_back(PageBox{{18, 24, 179, 6}, 0.3, false});
  page.items.push_back(PageBox{{0, 0, 1, 1}, 0, true});
  return page;
}

}  // namespace kavo::reports::testing
