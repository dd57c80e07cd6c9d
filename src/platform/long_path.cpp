#include "platform/long_path.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/windows_1252.h"

namespace kestrand::platform {

namespace {
namespace fs = std::filesystem;

std::vector<std::string> splitComponents(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t slash = path.find('/', pos);
    if (slash == std::string_view::npos) slash = path.size();
    if (slash > pos) parts.emplace_back(path.substr(pos, slash - pos));
    pos = slash + 1;
  }
  return parts;
}

// Upper case within Windows-1252, the set the names were given in.
unsigned char upper1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
  }
}

unsigned char upperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 0x20) : c; }

// Two names brought to one letter case: through Windows-1252 when both convert to it,
// else byte by byte with ASCII letters only (so unlike texts never fold together).
struct FoldedPair {
  std::string first;
  std::string second;
};

FoldedPair foldBoth(std::string_view a, std::string_view b) {
  std::optional<std::string> a1252 = utf8To1252(a);
  std::optional<std::string> b1252 = utf8To1252(b);
  const bool viaAnsi = a1252 && b1252;
  FoldedPair folded{viaAnsi ? *a1252 : std::string(a), viaAnsi ? *b1252 : std::string(b)};
  for (std::string* text : {&folded.first, &folded.second}) {
    for (char& c : *text) {
      auto byte = static_cast<unsigned char>(c);
      c = static_cast<char>(viaAnsi ? upper1252(byte) : upperAscii(byte));
    }
  }
  return folded;
}

// "*" matches any run of characters, "?" any one character.
bool wildcardMatch(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starP = std::string_view::npos;  // the last "*" seen, to retry from
  std::size_t starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// The stored name that a component which does not exist under its own spelling
// stands for, or none.
std::optional<std::string> storedName(const std::string& directory, const std::string& component) {
  const bool wildcard = component.find_first_of("*?") != std::string::npos;
  std::optional<std::string> found;
  int caselessMatches = 0;
  std::error_code ec;
  fs::directory_iterator it(directory, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    FoldedPair folded = foldBoth(component, name);
    if (wildcard) {
      if (wildcardMatch(folded.first, folded.second) && (!found || name < *found)) found = name;
    } else if (folded.first == folded.second) {
      ++caselessMatches;
      found = name;
    }
  }
  if (!wildcard && caselessMatches != 1) return std::nullopt;
  return found;
}
}  // namespace

std::optional<std::string> fullPath(std::string_view path) {
  std::string absolute;
  if (path.empty() || path.front() != '/') {
    std::error_code ec;
    fs::path current = fs::current_path(ec);
    if (ec) return std::nullopt;
    absolute = current.string() + "/";
  }
  absolute += path;
  std::vector<std::string> resolved;
  for (std::string& part : splitComponents(absolute)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!resolved.empty()) resolved.pop_back();
      continue;
    }
    resolved.push_back(std::move(part));
  }
  std::string result;
  for (const std::string& part : resolved) result += "/" + part;
  if (result.empty() || (!path.empty() && path.back() == '/')) result += "/";
  if (result.size() > kMaxFullPath) return std::nullopt;
  return result;
}

std::string longPath(std::string_view path) {
  std::optional<std::string> full = fullPath(path);
  if (!full) return std::string(path);
  const bool trailingSlash = full->size() > 1 && full->back() == '/';
  std::vector<std::string> parts = splitComponents(*full);
  std::string result;
  std::size_t i = 0;
  for (; i < parts.size(); ++i) {
    std::string candidate = result + "/" + parts[i];
    if (!exists(candidate)) {
      std::optional<std::string> name = storedName(result.empty() ? "/" : result, parts[i]);
      if (!name) break;
      candidate = result + "/" + *name;
    }
    result = std::move(candidate);
  }
  for (; i < parts.size(); ++i) result += "/" + parts[i];
  if (result.empty() || trailingSlash) result += "/";
  return result;
}

}  // namespace kestrand::platform
