#include "tables/table_name.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "platform/last_error.h"
#include "platform/long_path.h"
#include "runtime/locale_tables.h"

namespace kestrand {

namespace {
bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

ErrorCode currentDirectory(std::string& out) {
  std::error_code error;
  std::filesystem::path cwd = std::filesystem::current_path(error);
  if (error) {
    platform::setLastErrorFromErrno(error.value());
    return static_cast<ErrorCode>(platform::lastError());
  }
  out = cwd.string();
  return 0;
}
}  // namespace

ErrorCode completeFilePath(const std::string& name, std::string_view defaultExtension, std::string& out) {
  if (name.size() > kMaxPathLength) return 45;
  std::string::size_type slash = name.find_last_of('/');
  std::string directory = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (directory.empty() || directory.front() != '/') {
    std::string cwd;
    if (ErrorCode error = currentDirectory(cwd)) return error;
    directory = cwd + "/" + directory;
  }
  if (base.find('.') == std::string::npos) {
    if (!defaultExtension.empty() && defaultExtension.front() != '.') base += '.';
    base += defaultExtension;
  }
  std::string joined = std::filesystem::path(directory + base).lexically_normal().string();
  if (joined.size() > kMaxPathLength) return 45;
  out = std::move(joined);
  return 0;
}

ErrorCode splitTableName(const std::string& fullName, TableName& out) {
  std::string::size_type at = fullName.find(kTableSeparator);
  while (at != std::string::npos && isDirectory(fullName.substr(0, at))) {
    at = fullName.find(kTableSeparator, at + 1);
  }
  std::string filePart = fullName;
  if (at != std::string::npos) {
    filePart = fullName.substr(0, at);
    out.tableName = fullName.substr(at + kTableSeparator.size());
    runtime::upperCaseInPlace(out.tableName);
    out.separated = true;
  } else {
    out.tableName = std::string(kUnnamedTable);
    out.separated = false;
  }
  return completeFilePath(filePart, kDataFileExtension, out.path);
}

std::string resolveDataFilePath(const std::string& path) {
  if (exists(path)) return path;
  std::string resolved = platform::longPath(path);
  return exists(resolved) ? resolved : path;
}

std::string canonicalFullName(const TableName& name) {
  if (name.tableName == kUnnamedTable) return name.path;
  return name.path + std::string(kTableSeparator) + name.tableName;
}

}  // namespace kestrand
