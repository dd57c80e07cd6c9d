// The step the driver entry runs after every operation on a context: the commit
// policy of the record layer.
#pragma once

#include <cstdint>

#include "driver/driver_context.h"

namespace kestrand {

ErrorCode endOperation(DriverContext& ctx, int32_t code);

}  // namespace kestrand
