#include "store/corruption.h"

#include <cstdio>
#include <cstdlib>

#include "filelayer/error_state.h"
#include "runtime/locale_messages.h"

namespace kestrand {

namespace {
bool gArmed = false;

std::string& currentName() {
  static std::string name;
  return name;
}
}  // namespace

void armErrorExit() { gArmed = true; }
bool errorExitArmed() { return gArmed; }

void setCorruptionFileName(std::string name) { currentName() = std::move(name); }
const std::string& corruptionFileName() { return currentName(); }

std::string corruptionMessage() {
  if (std::optional<std::string> text = runtime::localeMessage(4101)) return text->substr(0, 219);
  return "Possible data corruption in file";
}

void reportCorruption(int32_t report) {
  std::string message = currentName().empty() ? std::string() : corruptionMessage();
  if (gArmed) {
    if (message.empty()) message = "Kestrand File Driver Error";
    setFileError(std::to_string(report), message.c_str());
    throw DriverUnwind{report};
  }
  std::fprintf(stderr, "%s (%d)\n", message.c_str(), static_cast<int>(report));
  std::fflush(stderr);
  std::_Exit(70);
}

}  // namespace kestrand
