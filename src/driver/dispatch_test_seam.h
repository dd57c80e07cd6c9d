// For tests only: puts a handler into one dispatch slot for as long as the object
// lives (nullptr empties the slot), so that tests can drive the entry through
// handlers that do not exist yet or that fail on purpose. Scopes nest: the slot gets
// back what it held before.
#pragma once

#include <cstdint>
#include <optional>

#include "driver/operation_call.h"

namespace kestrand::testing_seam {

class ScopedHandler {
 public:
  ScopedHandler(int32_t code, Handler handler);
  ~ScopedHandler();
  ScopedHandler(const ScopedHandler&) = delete;
  ScopedHandler& operator=(const ScopedHandler&) = delete;

 private:
  int32_t code_;
  std::optional<Handler> previous_;
};

}  // namespace kestrand::testing_seam
