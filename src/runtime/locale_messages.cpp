#include "runtime/locale_messages.h"

#include <map>

namespace kestrand::runtime {

namespace {
std::map<int32_t, std::string>& messages() {
  static std::map<int32_t, std::string> table;
  return table;
}
}  // namespace

std::optional<std::string> localeMessage(int32_t number) {
  auto it = messages().find(number);
  if (it == messages().end()) return std::nullopt;
  return it->second;
}

void setLocaleMessage(int32_t number, std::string text) { messages()[number] = std::move(text); }
void clearLocaleMessages() { messages().clear(); }

}  // namespace kestrand::runtime
