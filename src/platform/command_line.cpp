#include "platform/command_line.h"

#include <array>
#include <cerrno>
#include <unistd.h>

#include "platform/last_error.h"

namespace kestrand::platform {

namespace {
// A comma stays bare on purpose: `prunex data.kst,customers` asks for the table
// customers of data.kst, as it does where these files come from.
bool needsQuotes(const std::string& argument) {
  for (char c : argument) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == '"' || c == '/') return true;
  }
  return false;
}

void appendArgument(std::string& line, const std::string& argument) {
  if (argument.empty()) {
    line += "\" \"";
    return;
  }
  if (!needsQuotes(argument)) {
    line += argument;
    return;
  }
  // Two double quotes in a row give one, wherever they stand, and a lone one switches
  // quoting. Inside quotes a doubled quote next to the opening or the closing one
  // still reads right, but with nothing else between them the pair of switches would
  // be read as one more quote character: an argument of double quotes alone goes
  // bare, each of them doubled.
  const bool onlyQuotes = argument.find_first_not_of('"') == std::string::npos;
  if (!onlyQuotes) line += '"';
  for (char c : argument) {
    if (c == '"') line += '"';
    line += c;
  }
  if (!onlyQuotes) line += '"';
}
}  // namespace

std::string commandLineFromArguments(const std::vector<std::string>& arguments) {
  std::string line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) line += ' ';
    appendArgument(line, arguments[i]);
  }
  return line;
}

std::string programPath() {
  std::array<char, 4096> buffer{};
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n < 0) {
    setLastErrorFromErrno(errno);
    return {};
  }
  if (static_cast<std::size_t>(n) >= buffer.size()) {
    setLastError(syserr::kInvalidName);  // longer than any path this system makes
    return {};
  }
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

}  // namespace kestrand::platform
