#include "report_test_util.h"

#include <gtest/gtest.h>

#include <cstring>

#include "data/dict_tables.h"
#include "store/table.h"

namespace kavo::reports::testing {

void WriteLog(const std::string& directory, const std::vector<Contact>& contacts) {
  const std::string path = directory + "/AAAA";
  Table table;
  if (!table.Open(path, &dict::AAAA()).ok()) {
    ASSERT_TRUE(Table::Create(path, dict::AAAA()).ok());
    ASSERT_TRUE(table.Open(path, &dict::AAAA()).ok());
  }
  ASSERT_TRUE(table.Stream().ok());
  for (const Contact& c : contacts) {
    table.ClearRecord();
    auto& rec = *reinterpret_cast<dict::AAAARecord*>(table.record());
    c.call.copy(rec.POZ, std::min(c.call.size(), sizeof rec.POZ));
    c.country.copy(rec.PREF, std::min(c.country.size(), sizeof rec.PREF));
    c.mode.copy(rec.MODE, std::min(c.mode.size(), sizeof rec.MODE));
    c.region.copy(rec.PR, std::min(c.region.size(), sizeof rec.PR));
    c.qth.copy(rec.QTH, std::min(c.qth.size(), sizeof rec.QTH));
    ASSERT_TRUE(rec.N_QSO.set(c.number));
    rec.DATA = c.date;
    rec.TIM = c.time;
    rec.DIAPAZ = c.band;
    ASSERT_TRUE(table.Add().ok());
  }
  ASSERT_TRUE(table.Flush().ok());
  ASSERT_TRUE(table.Close().ok());
}

void WriteStation(const std::string& directory) {
  const std::string path = directory + "/SETUP";
  Table setup;
  ASSERT_TRUE(Table::Create(path, dict::SETUP()).ok());
  ASSERT_TRUE(setup.Open(path, &dict::SETUP()).ok());
  setup.ClearRecord();
  auto& station = *reinterpret_cast<dict::SETUPRecord*>(setup.record());
  std::memcpy(station.CALLSIGN, "UA3XYZ", 6);
  std::memcpy(station.LOC, "KO85", 4);
  std::memcpy(station.IMJA, "IVAN", 4);
  std::memcpy(station.FAM, "PETROV", 6);
  ASSERT_TRUE(setup.Add().ok());
  ASSERT_TRUE(setup.Close().ok());
}

std::vector<Contact> Contacts(int count, double band, int first) {
  std::vector<Contact> out;
  for (int i = 0; i < count; ++i) {
    Contact c;
    c.number = first + i;
    c.call = "UA" + std::to_string(c.number);
    c.band = band;
    out.push_back(c);
  }
  return out;
}

bool RecordingServices::ReportPreview(const PrintPreviewQueue& queue) {
  ++previews;
  pages.clear();
  for (size_t i = 0; i < queue.size(); ++i) {
    PageImage page;
    EXPECT_TRUE(queue.ReadPage(i, &page).ok());
    pages.push_back(page);
  }
  return choose_print;
}

std::vector<std::string> PageTexts(const PageImage& page) {
  std::vector<std::string> out;
  for (const PageItem& item : page.items) {
    if (const auto* t = std::get_if<PageText>(&item)) out.push_back(t->text);
  }
  return out;
}

}  // namespace kavo::reports::testing
