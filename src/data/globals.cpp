#include "data/globals.h"

#include <algorithm>

namespace kavo {

std::atomic<int32_t> GlobalRequest{0};
std::atomic<int32_t> GlobalResponse{0};
std::atomic<int32_t> VCRRequest{0};

std::atomic<int32_t> SaveErrorCode{0};
FixedText<255> SaveError;
std::atomic<int32_t> SaveFileErrorCode{0};
FixedText<255> SaveFileError;

FixedText<80> ASCIIFileName;

std::atomic<double> D1{0};
std::atomic<double> D2{0};
std::atomic<double> DIAPAZ{0};
FixedText<5> MODE;
FixedText<60> ZAGOL;
std::atomic<int32_t> QSO{0};
TagQueue TAG_AAAA;

namespace {
bool PoleLess(const TagAAAAEntry& e, int32_t pole) {
  return e.POLE < pole;
}
}  // namespace

bool TagQueue::Contains(int32_t pole) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), pole, PoleLess);
  return it != entries_.end() && it->POLE == pole;
}

void TagQueue::Add(int32_t pole) {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), pole, PoleLess);
  if (it == entries_.end() || it->POLE != pole) entries_.insert(it, TagAAAAEntry{pole});
}

void TagQueue::Delete(int32_t pole) {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), pole, PoleLess);
  if (it != entries_.end() && it->POLE == pole) entries_.erase(it);
}

void ResetGlobals() {
  GlobalRequest = 0;
  GlobalResponse = 0;
  VCRRequest = 0;
  SaveErrorCode = 0;
  SaveError.Clear();
  SaveFileErrorCode = 0;
  SaveFileError.Clear();
  ASCIIFileName.Clear();
  D1 = 0;
  D2 = 0;
  DIAPAZ = 0;
  MODE.Clear();
  ZAGOL.Clear();
  QSO = 0;
  TAG_AAAA.Free();
}

}  // namespace kavo
