// Helpers for the report tests: a working directory with a QSO log of
// generated contacts, and report services that record what the frame asks
// of the preview and the printer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../data/data_test_util.h"
#include "data/context.h"
#include "reports/page_image.h"
#include "reports/report_procedure.h"

namespace kavo::reports::testing {

struct Contact {
  std::string call;
  int32_t number = 0;
  double band = 14.0;
  std::string country = "Russia";
  int32_t date = 80000;
  int32_t time = 360001;
  std::string mode;
  std::string region;  // AAA:PR
  std::string qth;
};

// Writes the contacts into AAAA of `directory` (creating it) and closes it.
void WriteLog(const std::string& directory, const std::vector<Contact>& contacts);

// Writes the station record UA3XYZ, locator KO85, IVAN PETROV into SETUP of
// `directory` (creating it).
void WriteStation(const std::string& directory);

// `count` contacts on `band` numbered from `first`, calls "UA<number>".
std::vector<Contact> Contacts(int count, double band, int first = 1);

class RecordingServices : public ReportServices {
 public:
  void SETDATA() override { ++setdata_calls; }
  bool ReportPreview(const PrintPreviewQueue& queue) override;
  void PrintPages(const PrintPreviewQueue& queue) override { printed = queue.size(); }

  bool choose_print = false;
  int setdata_calls = 0;
  int previews = 0;
  size_t printed = 0;
  // The pages the preview was given, read back from their files.
  std::vector<PageImage> pages;
};

// The texts of a page in item order.
std::vector<std::string> PageTexts(const PageImage& page);

}  // namespace kavo::reports::testing
