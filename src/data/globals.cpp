#include "data/globals.h"

#include <bit>

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

bool TagQueue::Contains(int32_t pole) const {
  if (pole < 0) return false;
  const std::size_t word = static_cast<std::size_t>(pole) / kWordBits;
  return word < bits_.size() && (bits_[word] >> (pole % kWordBits) & 1) != 0;
}

void TagQueue::Add(int32_t pole) {
  if (pole < 0 || Contains(pole)) return;
  const std::size_t word = static_cast<std::size_t>(pole) / kWordBits;
  if (word >= bits_.size()) bits_.resize(word + 1, 0);
  bits_[word] |= uint64_t{1} << (pole % kWordBits);
  ++count_;
  ordered_valid_ = false;
}

void TagQueue::Delete(int32_t pole) {
  if (!Contains(pole)) return;
  bits_[static_cast<std::size_t>(pole) / kWordBits] &= ~(uint64_t{1} << (pole % kWordBits));
  --count_;
  ordered_valid_ = false;
}

void TagQueue::Free() {
  bits_.clear();
  count_ = 0;
  ordered_.clear();
  ordered_valid_ = true;
}

const TagAAAAEntry& TagQueue::Get(std::size_t ordinal) const {
  if (!ordered_valid_) {
    ordered_.clear();
    ordered_.reserve(count_);
    for (std::size_t word = 0; word < bits_.size(); ++word) {
      for (uint64_t w = bits_[word]; w != 0; w &= w - 1) {
        const int bit = std::countr_zero(w);
        ordered_.push_back(
            {static_cast<int32_t>(word * kWordBits + static_cast<std::size_t>(bit))});
      }
    }
    ordered_valid_ = true;
  }
  return ordered_.at(ordinal - 1);
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
