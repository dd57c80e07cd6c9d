// A minimal window runtime: messages posted to the program's current window wait in
// one queue until the program (or a test) pumps it; each is delivered to the handler
// registered for its number. Sent messages are delivered at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kestrand::runtime {

// Events the runtime sends the program during a deferred key build.
inline constexpr uint32_t kEventBuildKey = 0x1641;
inline constexpr uint32_t kEventBuildDone = 0x1642;

struct WindowMessage {
  uint32_t number = 0;
  std::intptr_t first = 0;
  std::intptr_t second = 0;
};

// The handler answers the message; a message without a handler is dropped (sent: 0).
using MessageHandler = std::function<std::intptr_t(const WindowMessage&)>;

// Replaces the handler of a message number; an empty handler removes it.
void setMessageHandler(uint32_t number, MessageHandler handler);

void postMessage(const WindowMessage& message);
// Delivers the queued messages in the order posted, including those posted while
// pumping; returns how many were taken off the queue.
std::size_t pumpMessages();
std::intptr_t sendMessage(const WindowMessage& message);

std::size_t pendingMessages();
void discardMessages();

}  // namespace kestrand::runtime
