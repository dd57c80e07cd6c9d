#include "store/transaction_hooks.h"

namespace kestrand {

// Without transactions no commit area carries an open transaction's marker.
bool transactionStillOpen(DataFile&) { return false; }

}  // namespace kestrand
