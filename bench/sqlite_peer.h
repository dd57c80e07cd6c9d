// The same work in SQLite, as the yardstick of the store benchmarks: a WITHOUT ROWID
// table with a BLOB primary key, one transaction per piece of work, default journal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace kestrand::bench {

class SqlitePeer {
 public:
  explicit SqlitePeer(const std::string& path);  // creates the table when missing
  ~SqlitePeer();
  SqlitePeer(const SqlitePeer&) = delete;
  SqlitePeer& operator=(const SqlitePeer&) = delete;

  void insertAll(const std::vector<std::string>& keys, const std::string& data);
  // Number of keys found.
  uint64_t lookup(const std::vector<std::string>& keys);
  // Rows visited in key order.
  uint64_t scan();
  // Deletes the keys from `low` (inclusive) to `high` (exclusive).
  void eraseRange(const std::string& low, const std::string& high);

 private:
  void exec(const char* sql);
  sqlite3* db_ = nullptr;
};

}  // namespace kestrand::bench
