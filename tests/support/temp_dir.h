// A fresh directory under the system's temporary directory, removed with its contents
// when the object goes.
#pragma once

#include <filesystem>
#include <string>

namespace kestrand::testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // path() / name, as a string.
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A file's whole contents (empty when it cannot be read), and writing them.
std::string fileBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

}  // namespace kestrand::testing_support
