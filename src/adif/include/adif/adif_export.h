// Taking the log out as an ADIF file (.adi or .adx, by extension): every
// contact in the order of the file, or those of a period in date order.
// The file is written under a temporary name and renamed at the end, so a
// failed or cancelled export leaves no half-written file under the name.
//
// REQUIRES: AAAA open in the calling thread; the export moves its position
// and record buffer. Texts of the summary are UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "store/table.h"

namespace kavo::adif {

struct ExportOptions {
  // A period of day numbers, both ends included; 0 and 0 for the whole log.
  std::int32_t from = 0;
  std::int32_t to = 0;
};

struct ExportSummary {
  std::int64_t written = 0;
  bool cancelled = false;
  std::string failure;  // empty when the file was written
};

// keep_going is asked with the progress (0 to 1) after the first contact
// and after every few hundred more; false cancels.
ExportSummary ExportAdifFile(Table& AAAA, const std::string& path, const ExportOptions& options,
                             const std::function<bool(double)>& keep_going = {});

}  // namespace kavo::adif
