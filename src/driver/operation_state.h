// Checking an operation against the context's OptionFlags before it runs, and
// updating them after it, by the operation's rule.
#pragma once

#include <cstdint>
#include <string_view>

#include "driver/driver_context.h"
#include "filelayer/error_state.h"

namespace kestrand {

// 0 to go on; an ErrorCode to refuse; -1 to do nothing and report nothing.
ErrorCode checkOperation(DriverContext& ctx, const KeyDescriptor* key, int32_t code, std::string_view text1);

void applyOperation(DriverContext& ctx, KeyDescriptor* key, int32_t code, ErrorCode error);

}  // namespace kestrand
