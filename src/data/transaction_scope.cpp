#include "data/transaction_scope.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "runtime/errors.h"
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
  // The record store begins a transaction on a file without waiting. When
  // another process is writing one of the files, the files taken so far are
  // let go (so that a process taking them in another order can finish) and
  // all are tried again, until the timeout.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (int attempt = 0;; ++attempt) {
    Status st;
    for (Table* table : tables) {
      st = kavo::Logout(*table);
      if (!st.ok()) break;
    }
    if (st.ok()) return st;
    if (st.code() != err::kFileLocked || std::chrono::steady_clock::now() >= deadline) {
      Rollback();
      return st;
    }
    (void)RollbackTransaction();
    // Backing off by different times keeps two processes from meeting again.
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + (attempt * 7 + getpid()) % 20));
  }
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
