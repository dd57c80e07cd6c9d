#include "filelayer/text_stack.h"

#include <vector>

namespace kestrand {

namespace {
std::vector<StackValue>& stack() {
  static std::vector<StackValue> values;
  return values;
}
}  // namespace

void pushText(std::string text) { stack().emplace_back(std::move(text)); }
void pushReference(ByteReference ref) { stack().emplace_back(ref); }

StackValue popValue() {
  if (stack().empty()) return std::string();
  StackValue top = std::move(stack().back());
  stack().pop_back();
  return top;
}

std::string popText() {
  StackValue top = popValue();
  if (auto* text = std::get_if<std::string>(&top)) return std::move(*text);
  const ByteReference& ref = std::get<ByteReference>(top);
  return ref.data == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(ref.data), ref.size);
}

std::size_t textStackDepth() { return stack().size(); }
void clearTextStack() { stack().clear(); }

}  // namespace kestrand
