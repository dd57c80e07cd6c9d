// What recovery asks of multi-file transactions. Until transactions arrive no data file
// is ever enrolled (the enrolled flag stays off), so commits and endAccess are never
// deferred, and no pending commit belongs to an open transaction.
#pragma once

#include "store/data_file.h"

namespace kestrand {

// Whether the pending commit of this data file belongs to a transaction that had not
// finished its first phase everywhere (then recovery rolls back). Called while the
// commit area's header and relocation list are in place. For now always false.
bool transactionStillOpen(DataFile& dataFile);

}  // namespace kestrand
