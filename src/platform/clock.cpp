#include "platform/clock.h"

#include <chrono>

namespace kestrand::platform {

namespace {
const std::chrono::steady_clock::time_point gStart = std::chrono::steady_clock::now();
}

uint32_t ticksSinceStart() {
  auto elapsed = std::chrono::steady_clock::now() - gStart;
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 10);
}

}  // namespace kestrand::platform
