// Shared helpers of the table tests: a table as a program declares it, data files of
// plain tables with records, and the records a file holds as the checker reads them.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "driver/declared_file.h"
#include "filelayer/file_control_block.h"
#include "store/store_test_support.h"
#include "support/temp_dir.h"

namespace kestrand::testing_support {

// A FileControlBlock with its variables. The record is the plain one of makeTables
// (16 bytes) unless declared otherwise; no keys, no memos; the CREATE attribute is set.
class TableBlock {
 public:
  explicit TableBlock(const std::string& fullName, const std::string& password = "");
  ~TableBlock();  // DESTROY, when a context is left
  TableBlock(const TableBlock&) = delete;
  TableBlock& operator=(const TableBlock&) = delete;

  void setName(const std::string& fullName);
  void declareRecord(std::vector<FieldDeclaration> entries, uint32_t recordLength);
  // LONG ID, STRING TEXT: recordLength bytes in all.
  void declarePlainRecord(uint32_t recordLength);
  void declareNoRecord();
  // Component numbers count the record's members from 1; negative is descending.
  // A null external name is absent.
  KeyDeclaration& addKey(const char* label, uint32_t flags, std::vector<int32_t> components,
                         const char* externalName = nullptr);
  MemoDeclaration& addMemo(const char* label, uint32_t size, uint8_t flags, const char* externalName = nullptr);

  // The error code the operation left.
  ErrorCode call(int32_t code, std::initializer_list<std::intptr_t> args = {});
  ErrorCode create();
  ErrorCode open(uint32_t mode = 0x42);
  ErrorCode close();
  ErrorCode remove();
  DriverContext* context() const { return block.context; }

  FileControlBlock block;

 private:
  std::string name_;
  std::string owner_;
  std::vector<FieldDeclaration> entries_;
  RecordDeclaration record_;
  std::vector<uint8_t> buffer_;
  std::deque<std::vector<int32_t>> components_;
  std::deque<KeyDeclaration> keys_;
  std::vector<KeyDeclaration*> keyList_;
  std::deque<MemoDeclaration> memos_;
  std::vector<MemoDeclaration*> memoList_;
};

struct PlainTable {
  std::string name;
  uint32_t records = 0;
  uint32_t recordLength = 16;
};

// Creates each table (replacing one of that name) with its records: LONG ID, STRING
// TEXT. Fails the test when a step fails.
void makeTables(const std::string& path, const std::vector<PlainTable>& tables, const std::string& password = "");

using RecordList = std::vector<std::pair<std::string, std::string>>;  // key, data

// Every record of a settled file in key order; the checker must find the file sound.
RecordList fileRecords(const std::string& path, const std::string& password = "");
// The stored table's records: its name record and every record keyed by its number
// (empty when the name is not there).
RecordList tableRecords(const RecordList& all, const std::string& storedName);
// The stored names of the tables, in order.
std::vector<std::string> tableNames(const RecordList& all);

bool fileExists(const std::string& path);

// The driver tests' fixture with a fresh directory.
class TableTest : public DriverTest {
 protected:
  std::string file(const std::string& name) const { return dir_.file(name); }
  TempDir dir_;
};

}  // namespace kestrand::testing_support
