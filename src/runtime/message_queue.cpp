#include "runtime/message_queue.h"

#include <deque>
#include <map>

namespace kestrand::runtime {

namespace {
std::deque<WindowMessage>& queue() {
  static std::deque<WindowMessage> messages;
  return messages;
}

std::map<uint32_t, MessageHandler>& handlers() {
  static std::map<uint32_t, MessageHandler> table;
  return table;
}
}  // namespace

void setMessageHandler(uint32_t number, MessageHandler handler) {
  if (handler) {
    handlers()[number] = std::move(handler);
  } else {
    handlers().erase(number);
  }
}

void postMessage(const WindowMessage& message) { queue().push_back(message); }

std::intptr_t sendMessage(const WindowMessage& message) {
  auto it = handlers().find(message.number);
  if (it == handlers().end()) return 0;
  MessageHandler handler = it->second;  // a copy: the handler may replace itself
  return handler(message);
}

std::size_t pumpMessages() {
  std::size_t delivered = 0;
  while (!queue().empty()) {
    WindowMessage message = queue().front();
    queue().pop_front();
    ++delivered;
    sendMessage(message);
  }
  return delivered;
}

std::size_t pendingMessages() { return queue().size(); }
void discardMessages() { queue().clear(); }

}  // namespace kestrand::runtime
