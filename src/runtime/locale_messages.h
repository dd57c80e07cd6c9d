// Replacement texts by number from the runtime's locale settings. By default the
// settings define none; a program (or a test) may install some.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrand::runtime {

std::optional<std::string> localeMessage(int32_t number);
void setLocaleMessage(int32_t number, std::string text);
void clearLocaleMessages();

}  // namespace kestrand::runtime
