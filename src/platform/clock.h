// The tick count: hundredths of a second since the program started (reader-slot seed,
// operation timings, lock and hold time limits).
#pragma once

#include <cstdint>

namespace kestrand::platform {

uint32_t ticksSinceStart();

}  // namespace kestrand::platform
