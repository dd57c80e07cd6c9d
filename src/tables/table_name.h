// Full table names: the data-file part, the separator "\!" and the table name. A name
// without the separator names the table "UNNAMED" of its file.
#pragma once

#include <string>
#include <string_view>

#include "filelayer/error_state.h"

namespace kestrand {

inline constexpr std::string_view kTableSeparator = "\\!";
inline constexpr std::string_view kUnnamedTable = "UNNAMED";
inline constexpr std::string_view kDataFileExtension = ".KST";
inline constexpr std::size_t kMaxPathLength = 259;

struct TableName {
  std::string path;       // the data file, completed to a full path with ".KST"
  std::string tableName;  // upper-cased; "UNNAMED" when the full name has no separator
  bool separated = false; // the full name held a separator
};

// Splits a full table name. The first "\!" whose prefix is not an existing directory
// is the separator (so a directory whose name begins with "!" never splits the
// name); the table part is upper-cased through the runtime's case map; the file part
// is completed with completeFilePath and ".KST". 45 for a file part that is too long.
ErrorCode splitTableName(const std::string& fullName, TableName& out);

// The runtime's path completion: relative names resolve against the current
// directory ("/" separates directories; there are no drives here), "." and ".." are
// resolved, and a base name without extension gets `defaultExtension` (a name ending
// in "." keeps an empty one). 45 for a name or result longer than 259 characters.
ErrorCode completeFilePath(const std::string& name, std::string_view defaultExtension, std::string& out);

// The data file a completed path opens. The data files come from a file system that
// ignores letter case, so a path that does not exist as given is resolved the way the
// long path is (each missing component by its only case-insensitive match): "shop"
// then finds "Shop.kst". A path that still finds nothing is kept as given, so a new
// file takes the name as the program wrote it.
std::string resolveDataFilePath(const std::string& path);

// "path" for "UNNAMED", else "path\!TABLE".
std::string canonicalFullName(const TableName& name);

}  // namespace kestrand
