#include "data/transaction_scope.h"

#include "store/transaction.h"

namespace kavo {

void RollbackActiveTransaction() {
  Transaction& t = Transaction::Process();
  if (t.active()) (void)t.Rollback();
}

}  // namespace kavo
