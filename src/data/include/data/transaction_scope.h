// The transactions of the integrity routines: LOGOUT over the data files a
// routine changes, COMMIT on success, ROLLBACK on every failure.
//
// The record store keeps one transaction per process, shared by all threads.
// So that a routine on one thread never commits or rolls back the changes of
// a routine on another, a TransactionScope owns the process's transaction
// from its LOGOUT until its COMMIT or ROLLBACK; a scope on another thread
// waits for it. The routines pass LOGOUT a timeout of 2 seconds, and that is
// what it bounds: a LOGOUT that cannot have the transaction within 2 seconds
// fails with error 56 (LOGOUT Already Active) and the routine reports it.
// The store's own LOGOUT is not retried: it waits for a file's writer lock
// itself, and its other failures do not pass with time.
#pragma once

#include <initializer_list>

#include "runtime/status.h"
#include "store/table.h"

namespace kavo {

inline constexpr int kLogoutSeconds = 2;

class TransactionScope {
 public:
  TransactionScope() = default;
  // Rolls back a transaction still open.
  ~TransactionScope();
  TransactionScope(const TransactionScope&) = delete;
  TransactionScope& operator=(const TransactionScope&) = delete;

  // LOGOUT(seconds, tables...). On failure no transaction is left open and
  // the failure is the last error.
  Status Logout(int seconds, std::initializer_list<Table*> tables);
  // COMMIT; the result is the last error. The transaction ends either way.
  Status Commit();
  // ROLLBACK; nothing when the transaction has ended already.
  void Rollback();

 private:
  bool owner_ = false;
};

// Rolls back the calling thread's transaction, if it has one (RISaveError).
void RollbackActiveTransaction();

}  // namespace kavo
