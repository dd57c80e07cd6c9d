// After a saved state was restored, the next NEXT, PREVIOUS or SKIP first brings the
// sequence back to the saved position, through ordinary operations on the block.
#pragma once

#include <cstdint>

#include "driver/driver_context.h"
#include "filelayer/file_control_block.h"

namespace kestrand {

// Does nothing unless the context holds a resynchronisation position; uses it once.
void resynchronise(FileControlBlock& block, DriverContext& ctx, int32_t code);

}  // namespace kestrand
