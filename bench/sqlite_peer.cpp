#include "sqlite_peer.h"

#include <sqlite3.h>

#include <stdexcept>

namespace kestrand::bench {

namespace {
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() { return statement_; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

void bindBlob(sqlite3_stmt* statement, int index, const std::string& bytes) {
  sqlite3_bind_blob(statement, index, bytes.data(), int(bytes.size()), SQLITE_STATIC);
}
}  // namespace

SqlitePeer::SqlitePeer(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot open " + path);
  exec("CREATE TABLE IF NOT EXISTS t (k BLOB PRIMARY KEY, v BLOB) WITHOUT ROWID");
}

SqlitePeer::~SqlitePeer() { sqlite3_close(db_); }

void SqlitePeer::exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db_));
}

void SqlitePeer::insertAll(const std::vector<std::string>& keys, const std::string& data) {
  exec("BEGIN");
  Statement insert(db_, "INSERT INTO t (k, v) VALUES (?, ?)");
  for (const std::string& key : keys) {
    bindBlob(insert.get(), 1, key);
    bindBlob(insert.get(), 2, data);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    sqlite3_reset(insert.get());
  }
  exec("COMMIT");
}

uint64_t SqlitePeer::lookup(const std::vector<std::string>& keys) {
  exec("BEGIN");
  Statement select(db_, "SELECT v FROM t WHERE k = ?");
  uint64_t found = 0;
  for (const std::string& key : keys) {
    bindBlob(select.get(), 1, key);
    if (sqlite3_step(select.get()) == SQLITE_ROW) found += sqlite3_column_bytes(select.get(), 0) > 0;
    sqlite3_reset(select.get());
  }
  exec("COMMIT");
  return found;
}

uint64_t SqlitePeer::scan() {
  exec("BEGIN");
  Statement select(db_, "SELECT k, v FROM t ORDER BY k");
  uint64_t rows = 0;
  while (sqlite3_step(select.get()) == SQLITE_ROW) rows += sqlite3_column_bytes(select.get(), 1) > 0;
  exec("COMMIT");
  return rows;
}

void SqlitePeer::eraseRange(const std::string& low, const std::string& high) {
  exec("BEGIN");
  Statement erase(db_, "DELETE FROM t WHERE k >= ? AND k < ?");
  bindBlob(erase.get(), 1, low);
  bindBlob(erase.get(), 2, high);
  if (sqlite3_step(erase.get()) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
  exec("COMMIT");
}

}  // namespace kestrand::bench
