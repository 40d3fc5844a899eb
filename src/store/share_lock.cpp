#include "store/share_lock.h"

#include "store/locks.h"

namespace kavo {
namespace {

// Beyond the hold and table lock bytes of every record and table number.
constexpr uint64_t kShareBase = kLockBase + (uint64_t{1} << 32);
constexpr uint64_t kGate = kShareBase;
constexpr uint64_t kReading = kShareBase + 1;
constexpr uint64_t kWriting = kShareBase + 2;
constexpr uint64_t kDenyingRead = kShareBase + 3;
constexpr uint64_t kDenyingWrite = kShareBase + 4;

Status TestAndTake(File* file, const ShareRequest& request) {
  const struct {
    bool applies;
    uint64_t byte;
  } conflicts[] = {{true, kDenyingRead},
                   {request.write, kDenyingWrite},
                   {request.deny_read, kReading},
                   {request.deny_write, kWriting}};
  for (const auto& c : conflicts) {
    if (!c.applies) continue;
    bool held = false;
    KAVO_RETURN_IF_ERROR(file->Held(c.byte, 1, &held));
    if (held) return Status::Error(err::kAccessDenied);
  }
  const struct {
    bool applies;
    uint64_t byte;
  } takes[] = {{true, kReading},
               {request.write, kWriting},
               {request.deny_read, kDenyingRead},
               {request.deny_write, kDenyingWrite}};
  for (const auto& t : takes) {
    if (t.applies) KAVO_RETURN_IF_ERROR(file->Lock(t.byte, 1, false, true));
  }
  return Status::OK();
}

}  // namespace

Status TakeShare(File* file, const ShareRequest& request) {
  // A read-only instance can take the gate only shared. Two read-only opens
  // may then test at once and miss each other's denial; neither writes, so
  // nothing can be lost by it.
  KAVO_RETURN_IF_ERROR(file->Lock(kGate, 1, request.write, true));
  Status st = TestAndTake(file, request);
  (void)file->Unlock(kGate, 1);
  return st;
}

}  // namespace kavo
