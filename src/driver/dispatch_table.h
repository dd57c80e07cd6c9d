// The one table from operation code to handler.
#pragma once

#include <cstdint>

#include "driver/operation_call.h"

namespace kestrand {

// The handler of a code, or nullptr when it has none (the operation answers 80).
Handler handlerFor(int32_t code);

}  // namespace kestrand
