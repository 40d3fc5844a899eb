// The transactions of the integrity routines: LOGOUT over the data files a
// routine changes, COMMIT on success, ROLLBACK on every failure.
//
// The record store begins a transaction without waiting and fails when it
// cannot (another thread of the process has its transaction open: error 56;
// a file's lock is taken: error 32). The routines pass a timeout of 2
// seconds; it is spent here: LOGOUT is retried every 50 ms while it fails
// with one of those two passing conditions, until 2 seconds have gone by,
// and then its last error stands. Any other error fails at once.
#pragma once

#include <initializer_list>

#include "store/status.h"
#include "store/table.h"

namespace kavo {

inline constexpr int kLogoutSeconds = 2;

// LOGOUT(seconds, tables...): on failure nothing is left in a transaction.
Status Logout(int seconds, std::initializer_list<Table*> tables);
Status Commit();
// ROLLBACK of the process's transaction; nothing when none is active.
void RollbackActiveTransaction();

}  // namespace kavo
