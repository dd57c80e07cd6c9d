// The long path of a file: its full path with each component that exists spelled as
// the directory stores it. The data files come from a case-insensitive file system,
// so a name typed in another letter case is served when it is unambiguous.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrand::platform {

// The longest full path the full-path service gives.
inline constexpr std::size_t kMaxFullPath = 260;

// The path made absolute against the current directory ("" is the current directory),
// "." and ".." resolved by name and repeated "/" folded; a trailing "/" stays. None
// when the current directory cannot be read or the result is longer than kMaxFullPath.
std::optional<std::string> fullPath(std::string_view path);

// fullPath, then each component from the first on: one that exists keeps its
// spelling; otherwise one holding "*" or "?" takes the first matching name in name
// order, and any other takes the spelling of its only case-insensitive match. A
// component that finds nothing (or two case-insensitive matches) stays as given, and
// so do the ones after it. When the full path cannot be made the path comes back
// unchanged.
std::string longPath(std::string_view path);

}  // namespace kestrand::platform
