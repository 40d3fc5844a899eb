// The program-wide variables that procedures hand to each other.
//
// A caller writes a request or a selection just before it starts or calls
// another procedure; the callee reads it at its start. The numeric variables
// are atomics because procedures may run on threads of their own and share
// them without a lock; the text variables and the tag queue are written and
// read by the window thread only. ResetGlobals() gives every variable its
// start-up value.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/fixed_text.h"

namespace kavo {

// Values of GlobalRequest.
inline constexpr int32_t kInsertRecord = 1;
inline constexpr int32_t kChangeRecord = 2;
inline constexpr int32_t kDeleteRecord = 3;
inline constexpr int32_t kSelectRecord = 4;

// Values of GlobalResponse.
inline constexpr int32_t kRequestCompleted = 1;
inline constexpr int32_t kRequestCancelled = 2;

// The contacts tagged in the log browse: record pointers of AAAA (record
// numbers, never negative), read back in ascending order without
// duplicates. Tagging, untagging and the lookup take constant time, so a
// mass operation over the whole log stays linear; the ordered entries are
// laid out again at the first Get after a change.
//
// REQUIRES: one thread at a time (the browse tags, the label run reads).
struct TagAAAAEntry {
  int32_t POLE = 0;
};

class TagQueue {
 public:
  bool Contains(int32_t pole) const;
  // Adds pole unless it is already tagged; a negative pole is no record.
  void Add(int32_t pole);
  // Removes pole; untagged pointers are ignored.
  void Delete(int32_t pole);
  void Free();
  std::size_t Records() const { return count_; }
  // The entry at 1-based position ordinal; ordinal must be in 1..Records().
  const TagAAAAEntry& Get(std::size_t ordinal) const;

 private:
  static constexpr int kWordBits = 64;
  std::vector<uint64_t> bits_;  // bit pole % 64 of word pole / 64
  std::size_t count_ = 0;
  mutable std::vector<TagAAAAEntry> ordered_;
  mutable bool ordered_valid_ = true;
};

extern std::atomic<int32_t> GlobalRequest;
extern std::atomic<int32_t> GlobalResponse;
extern std::atomic<int32_t> VCRRequest;

extern std::atomic<int32_t> SaveErrorCode;
extern FixedText<255> SaveError;
extern std::atomic<int32_t> SaveFileErrorCode;
extern FixedText<255> SaveFileError;

extern FixedText<80> ASCIIFileName;

// Report period as day numbers, band in MHz, mode, report title, the serial
// number of the contact whose QSL card is printed, and the tagged contacts.
extern std::atomic<double> D1;
extern std::atomic<double> D2;
extern std::atomic<double> DIAPAZ;
extern FixedText<5> MODE;
extern FixedText<60> ZAGOL;
extern std::atomic<int32_t> QSO;
extern TagQueue TAG_AAAA;

void ResetGlobals();

}  // namespace kavo
