#include "data/transaction_scope.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "store/errors.h"
#include "store/store_transaction.h"
#include "store/transaction.h"

namespace kavo {
namespace {

// Ownership of the process's transaction.
struct Gate {
  std::timed_mutex mutex;
  std::atomic<std::thread::id> owner{};
};

Gate& TheGate() {
  static Gate gate;
  return gate;
}

bool OwnedHere() {
  return TheGate().owner.load() == std::this_thread::get_id();
}

// Ends the owning thread's transaction, keeping the last error as it was.
void RollbackOwned() {
  Gate& gate = TheGate();
  if (!OwnedHere()) return;
  const int code = ERRORCODE();
  const std::string message = ERROR();
  const int file_code = FILEERRORCODE();
  (void)RollbackTransaction();
  gate.owner.store(std::thread::id());
  gate.mutex.unlock();
  if (code == err::kFileSystemError) {
    PostFileSystemError(message, std::to_string(file_code));
  } else if (code != 0) {
    PostError(code);
  }
}

}  // namespace

TransactionScope::~TransactionScope() {
  Rollback();
}

Status TransactionScope::Logout(int seconds, std::initializer_list<Table*> tables) {
  Gate& gate = TheGate();
  if (!gate.mutex.try_lock_for(std::chrono::seconds(seconds))) {
    PostError(err::kLogoutAlreadyActive);
    return Status::Error(err::kLogoutAlreadyActive);
  }
  gate.owner.store(std::this_thread::get_id());
  owner_ = true;
  // The record store begins a transaction on a file without waiting; a file
  // whose writer is busy in another process is tried again until the
  // timeout, then everything logged out so far is let go.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (Table* table : tables) {
    for (;;) {
      Status st = kavo::Logout(*table);
      if (st.ok()) break;
      if (st.code() != err::kFileLocked || std::chrono::steady_clock::now() >= deadline) {
        Rollback();
        return st;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  return Status::OK();
}

Status TransactionScope::Commit() {
  if (!owner_) {
    PostError(err::kLogoutNotActive);
    return Status::Error(err::kLogoutNotActive);
  }
  Status st = CommitTransaction();
  Gate& gate = TheGate();
  gate.owner.store(std::thread::id());
  gate.mutex.unlock();
  owner_ = false;
  return st;
}

void TransactionScope::Rollback() {
  if (!owner_) return;
  owner_ = false;
  RollbackOwned();
}

void RollbackActiveTransaction() {
  if (OwnedHere()) {
    RollbackOwned();
    return;
  }
  // A transaction begun without a scope (no scope owns the gate) is this
  // caller's to end as well; one that a scope on another thread owns is not.
  Gate& gate = TheGate();
  if (!gate.mutex.try_lock()) return;
  if (Transaction::Process().active()) {
    gate.owner.store(std::this_thread::get_id());
    RollbackOwned();
  } else {
    gate.mutex.unlock();
  }
}

}  // namespace kavo
