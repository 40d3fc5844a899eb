#include "store/locks.h"

#include <chrono>

namespace kavo {
namespace {

const auto kProgramStart = std::chrono::steady_clock::now();

}  // namespace

LockResult FileLocks::Take(uint64_t offset, uint64_t length, bool wait, bool exclusive) {
  Status st = file_->Lock(offset, length, exclusive, wait);
  if (st.ok()) return LockResult::kGranted;
  if (st.code() == err::kFileLocked && !wait) return LockResult::kBusy;
  status_ = st;
  return LockResult::kFailed;
}

void FileLocks::Drop(uint64_t offset, uint64_t length) {
  // An unlock only fails for a bad descriptor, and then no lock is left to drop.
  (void)file_->Unlock(offset, length);
}

int StartSlot() {
  auto elapsed = std::chrono::steady_clock::now() - kProgramStart;
  auto hundredths = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 10;
  return static_cast<int>(hundredths % kReaderSlots);
}

bool FileLocks::LockReader() {
  if (reader_held_) return true;
  for (int tried = 0; tried < kReaderSlots; ++tried) {
    switch (Take(kLockBase + slot_, 1, false, !read_only_)) {
      case LockResult::kGranted:
        reader_held_ = true;
        return true;
      case LockResult::kFailed:
        return false;
      case LockResult::kBusy:
        slot_ = (slot_ + 1) % kReaderSlots;
        break;
    }
  }
  if (Take(kLockBase + slot_, 1, true, !read_only_) != LockResult::kGranted) return false;
  reader_held_ = true;
  return true;
}

void FileLocks::UnlockReader() {
  if (!reader_held_) return;
  if (!all_slots_held_) Drop(kLockBase + slot_, 1);
  reader_held_ = false;
}

bool FileLocks::LockWriter() {
  if (writer_held_) return true;
  if (Take(kWriterByte, 1, true) != LockResult::kGranted) return false;
  writer_held_ = true;
  return true;
}

LockResult FileLocks::TryLockWriter() {
  if (writer_held_) return LockResult::kGranted;
  LockResult r = Take(kWriterByte, 1, false);
  if (r == LockResult::kGranted) writer_held_ = true;
  return r;
}

void FileLocks::UnlockWriter() {
  if (!writer_held_) return;
  Drop(kWriterByte, 1);
  writer_held_ = false;
}

bool FileLocks::WriterBusyElsewhere() {
  if (writer_held_) return false;
  // A shared probe works on read-only files too and conflicts only with a
  // writer's exclusive byte.
  switch (Take(kWriterByte, 1, false, false)) {
    case LockResult::kGranted:
      Drop(kWriterByte, 1);
      return false;
    case LockResult::kBusy:
      return true;
    case LockResult::kFailed:
      break;
  }
  return true;
}

bool FileLocks::LockAllSlots() {
  if (all_slots_held_) return true;
  if (Take(kLockBase, kReaderSlots, true) != LockResult::kGranted) return false;
  all_slots_held_ = true;
  return true;
}

void FileLocks::UnlockAllSlots() {
  if (!all_slots_held_) return;
  all_slots_held_ = false;
  if (!reader_held_) {
    Drop(kLockBase, kReaderSlots);
    return;
  }
  // Keep our own slot: a lock range of one instance is a single set of bytes,
  // so releasing the whole range would drop the reader slot as well.
  if (slot_ > 0) Drop(kLockBase, slot_);
  if (slot_ + 1 < kReaderSlots) {
    Drop(kLockBase + slot_ + 1, kReaderSlots - slot_ - 1);
  }
}

LockResult FileLocks::TryNumberByte(uint32_t number) {
  return Take(NumberByte(number), 1, false);
}

void FileLocks::UnlockNumberByte(uint32_t number) {
  Drop(NumberByte(number), 1);
}

}  // namespace kavo
