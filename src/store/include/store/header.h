// The 512-byte file header in memory. Its first ten bytes have a page
// header's layout (home 0, size 512, then the committed end and journal end)
// so that the header travels through the journal like a page.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/status.h"

namespace kavo {

struct FileHeader {
  uint32_t committed_end = 512;  // file offset where the journal begins
  uint32_t journal_end = 512;    // equal to committed_end when no journal is pending
  uint32_t last_number = 0;      // last issued record or table number
  int32_t change_counter = 0;
  int32_t root = -1;
  std::array<int32_t, 60> region_start{};
  std::array<int32_t, 60> region_end{};

  // A header of a new, empty file.
  static FileHeader Fresh();
  void Encode(uint8_t out[512]) const;
  // Error 36 for a wrong magic; check failures for impossible region tables.
  static Status Decode(const uint8_t in[512], FileHeader* h);

  bool journal_pending() const { return committed_end != journal_end; }
  // Offset after the highest non-empty region, 512 when all are empty.
  int64_t EndOfFile() const;
  // The size class of the region holding block ref, 0 when none.
  int RegionOf(int32_t ref) const;
  int RegionPages(int k) const { return (region_end[k] - region_start[k]) / k; }
};

}  // namespace kavo
