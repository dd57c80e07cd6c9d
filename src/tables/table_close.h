// Closing a table: the pending changes are committed (or, after a recorded
// corruption, the locks are given up without committing), the per-table state is
// freed and the data file released.
#pragma once

#include "driver/driver_context.h"

namespace kestrand {

// 0 for a table that is not open. Otherwise the commit's result; the rest of the
// close is done all the same.
ErrorCode closeTable(DriverContext& ctx);

}  // namespace kestrand
