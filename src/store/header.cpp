#include "store/header.h"

#include <cstring>

#include "store/format.h"

namespace kavo {

FileHeader FileHeader::Fresh() {
  FileHeader h;
  h.region_start.fill(0);
  h.region_end.fill(0);
  return h;
}

void FileHeader::Encode(uint8_t out[512]) const {
  std::memset(out, 0, 512);
  fmt::Put32(out + 0, 0);
  fmt::Put16(out + 4, 512);
  fmt::Put32(out + 6, committed_end);
  fmt::Put32(out + 10, journal_end);
  std::memcpy(out + 14, fmt::kMagic, 4);
  fmt::PutBE32(out + 20, last_number);
  fmt::Put32(out + 24, static_cast<uint32_t>(change_counter));
  fmt::Put32(out + 28, static_cast<uint32_t>(root));
  for (int k = 0; k < 60; ++k) {
    fmt::Put32(out + 32 + 4 * k, static_cast<uint32_t>(region_start[k]));
    fmt::Put32(out + 272 + 4 * k, static_cast<uint32_t>(region_end[k]));
  }
}

Status FileHeader::Decode(const uint8_t in[512], FileHeader* h) {
  if (std::memcmp(in + 14, fmt::kMagic, 4) != 0) return Status::Error(err::kInvalidDataFile);
  FileHeader r;
  r.committed_end = fmt::Get32(in + 6);
  r.journal_end = fmt::Get32(in + 10);
  r.last_number = fmt::GetBE32(in + 20);
  r.change_counter = static_cast<int32_t>(fmt::Get32(in + 24));
  r.root = static_cast<int32_t>(fmt::Get32(in + 28));
  for (int k = 0; k < 60; ++k) {
    r.region_start[k] = static_cast<int32_t>(fmt::Get32(in + 32 + 4 * k));
    r.region_end[k] = static_cast<int32_t>(fmt::Get32(in + 272 + 4 * k));
  }
  // Regions must be well formed, lie in increasing order of class without
  // overlapping, and end below the lock bytes and within the committed
  // data: every commit leaves the committed end at or beyond the end of the
  // highest region, and a region reaching past it would place the next
  // journal far out in the file.
  // Region 0 is never used; placement reads its end as the floor of region 1.
  if (r.region_start[0] != 0 || r.region_end[0] != 0) return Status::Check(101);
  int32_t prev_end = 0;
  for (int k = 1; k < 60; ++k) {
    int32_t s = r.region_start[k], e = r.region_end[k];
    if (s < 0 || e < s || (e - s) % k != 0) return Status::Check(101);
    if (s == e) continue;
    if (s < prev_end) return Status::Check(102);
    if (e > fmt::kDataEndBlock || fmt::RefOffset(e) > static_cast<int64_t>(r.committed_end))
      return Status::Check(103);
    prev_end = e;
  }
  if (r.committed_end < 512 || r.journal_end < r.committed_end) return Status::Check(104);
  if (r.root != -1 && r.RegionOf(r.root) == 0) return Status::Check(105);
  *h = r;
  return Status::OK();
}

int64_t FileHeader::EndOfFile() const {
  int32_t end = 0;
  for (int k = 1; k < 60; ++k) {
    if (region_end[k] > region_start[k] && region_end[k] > end) end = region_end[k];
  }
  return fmt::RefOffset(end);
}

int FileHeader::RegionOf(int32_t ref) const {
  for (int k = 1; k < 60; ++k) {
    if (ref >= region_start[k] && ref < region_end[k])
      return (ref - region_start[k]) % k == 0 ? k : 0;
  }
  return 0;
}

}  // namespace kavo
