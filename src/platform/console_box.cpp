#include "platform/console_box.h"

#include <csignal>

namespace kestrand::platform {

void writeConsoleBox(std::ostream& console, std::string_view text, std::string_view caption) {
  std::string lines(caption);
  lines += '\n';
  for (char c : text) lines += c == '|' ? '\n' : c;
  lines += '\n';
  console.write(lines.data(), static_cast<std::streamsize>(lines.size()));
  console.flush();
}

void keepRunningWhenConsoleCloses() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace kestrand::platform
