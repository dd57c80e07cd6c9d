// REMOVE: takes one table out of a data file. When other tables remain, every record
// of the table is erased; when it was the last one, the physical file is deleted.
#pragma once

#include "driver/driver_context.h"

namespace kestrand {

// The handler of REMOVE, on a closed context whose name is the full table name and
// whose owner is the password. 0 when the table is gone. The context is closed again
// on every path.
ErrorCode removeTable(DriverContext& ctx);

}  // namespace kestrand
