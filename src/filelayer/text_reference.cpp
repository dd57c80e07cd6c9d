#include "filelayer/text_reference.h"

#include <cstring>

namespace kestrand {

std::string textAsHeld(const TextReference& ref) {
  if (ref.text == nullptr) return {};
  switch (ref.length) {
    case kTextNone:
      return {};
    case kTextNulTerminated:
      return std::string(ref.text);
    case kTextLengthPrefixed:
      return std::string(ref.text + 1, static_cast<unsigned char>(ref.text[0]));
    default:
      if (ref.length < 0) return {};
      return std::string(ref.text, static_cast<std::size_t>(ref.length));
  }
}

std::string driverCopy(const TextReference& ref) {
  std::string text = textAsHeld(ref);
  if (ref.length > 0) {
    std::string::size_type end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
  }
  return text;
}

}  // namespace kestrand
