// The activity log: its settings are read when a context is created, and one line is
// written after every operation of a context whose profile flag is on.
#pragma once

#include <cstdint>
#include <string_view>

#include "driver/driver_context.h"

namespace kestrand {

// Sets the context's profile flag, log file name and details flag from the settings.
void readActivityLogSettings(DriverContext& ctx);

// elapsed: hundredths of a second.
void logOperation(const DriverContext& ctx, const KeyDescriptor* key, std::string_view driverName, int32_t code,
                  ErrorCode error, uint32_t elapsed);

}  // namespace kestrand
