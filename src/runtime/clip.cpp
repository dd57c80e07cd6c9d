#include "runtime/clip.h"

namespace kestrand::runtime {

std::string CLIP(std::string_view text) {
  std::string_view::size_type last = text.find_last_not_of(' ');
  return std::string(last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1));
}

}  // namespace kestrand::runtime
