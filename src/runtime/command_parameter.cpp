#include "runtime/command_parameter.h"

#include <cstdint>

#include "runtime/clip.h"

namespace kestrand::runtime {

namespace {
bool isWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isControlOrSpace(char c) { return static_cast<unsigned char>(c) <= 0x20; }

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (upperAscii(text[i]) != upperAscii(prefix[i])) return false;
  }
  return true;
}

// The selector read as a decimal number: leading white space and a sign allowed,
// reading stops at the first non-digit; out-of-range values saturate.
int64_t selectorNumber(std::string_view selector) {
  std::size_t pos = 0;
  while (pos < selector.size() && isWhiteSpace(selector[pos])) ++pos;
  bool negative = false;
  if (pos < selector.size() && (selector[pos] == '+' || selector[pos] == '-')) {
    negative = selector[pos] == '-';
    ++pos;
  }
  constexpr int64_t kLimit = INT64_C(1) << 40;  // far beyond any token count
  int64_t value = 0;
  for (; pos < selector.size() && selector[pos] >= '0' && selector[pos] <= '9'; ++pos) {
    if (value < kLimit) value = value * 10 + (selector[pos] - '0');
  }
  return negative ? -value : value;
}
}  // namespace

std::string parameterTextOf(std::string_view commandLine) {
  std::size_t pos = 0;
  std::size_t end = commandLine.size();
  while (pos < end && isWhiteSpace(commandLine[pos])) ++pos;
  bool quoted = false;
  for (; pos < end && (quoted || !isWhiteSpace(commandLine[pos])); ++pos) {
    if (commandLine[pos] == '"') quoted = !quoted;
  }
  while (pos < end && isWhiteSpace(commandLine[pos])) ++pos;
  return std::string(commandLine.substr(pos));
}

std::vector<std::string> parameterTokens(std::string_view text) {
  std::vector<std::string> tokens;
  std::size_t pos = 0;
  const std::size_t end = text.size();
  for (;;) {
    while (pos < end && isWhiteSpace(text[pos])) ++pos;
    if (pos == end) break;
    std::string token;
    bool quoted = false;
    while (pos < end) {
      char c = text[pos];
      if (c == '"') {
        if (pos + 1 < end && text[pos + 1] == '"') {
          token += '"';
          pos += 2;
        } else {
          quoted = !quoted;
          ++pos;
        }
        continue;
      }
      if (!quoted && (isControlOrSpace(c) || c == ',' || (c == '/' && !token.empty()))) break;
      token += c;
      ++pos;
    }
    tokens.push_back(std::move(token));
    while (pos < end && isControlOrSpace(text[pos])) ++pos;
    if (pos < end && text[pos] == ',') ++pos;
  }
  return tokens;
}

CommandParameters::CommandParameters(std::string_view commandLine, std::string programPath)
    : parameterText_(parameterTextOf(commandLine)),
      tokens_(parameterTokens(parameterText_)),
      programPath_(std::move(programPath)) {}

std::string CommandParameters::commandParameter(std::string_view rawSelector) const {
  const std::string selector = CLIP(rawSelector);
  if (selector.empty()) return parameterText_;
  if (selector == "0") return programPath_;
  int64_t number = selectorNumber(selector);
  if (number != 0) {
    if (number < 0 || static_cast<uint64_t>(number) > tokens_.size()) return {};
    return tokens_[static_cast<std::size_t>(number - 1)];
  }
  const bool slashForm = selector.front() == '/';
  const std::string key = slashForm ? selector : selector + "=";
  for (const std::string& token : tokens_) {
    if (startsWithNoCase(token, key)) return token.substr(slashForm ? 1 : key.size());
  }
  return {};
}

}  // namespace kestrand::runtime
