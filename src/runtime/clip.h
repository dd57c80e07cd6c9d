// CLIP: a text without its trailing spaces (only spaces; tabs and the like stay).
#pragma once

#include <string>
#include <string_view>

namespace kestrand::runtime {

std::string CLIP(std::string_view text);

}  // namespace kestrand::runtime
