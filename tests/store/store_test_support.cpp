#include "store/store_test_support.h"

#include <fstream>
#include <sstream>

#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/record_tree.h"
#include "store/store_checker.h"

namespace kestrand::testing_support {

RecordPtr record(const std::string& key, const std::string& data) {
  return makeStoreRecord(key.data(), uint32_t(key.size()), data.data(), uint32_t(data.size()));
}

RecordSet readAll(DataFile& dataFile) {
  RecordSet out;
  RecordPtr probe = record("");
  for (StoreRecord* x = findAfter(dataFile, *probe); x != nullptr;) {
    std::string key(reinterpret_cast<const char*>(x->bytes()), x->keyLength);
    out.emplace(key, std::string(reinterpret_cast<const char*>(x->dataBytes()), x->dataLength()));
    RecordPtr next = copyKey(*x);
    x = findAfter(dataFile, *next);
  }
  return out;
}

ErrorCode openForWrite(DataFile& dataFile, const std::string& path, uint32_t flags, const std::string& password) {
  ErrorCode result = openDataFile(dataFile, path, flags, password);
  if (result != 0) return result;
  beginWrite(dataFile);
  return lockAndRefresh(dataFile, true);
}

void insertText(DataFile& dataFile, const std::string& key, const std::string& data) {
  insertRecord(dataFile, record(key, data));
}

bool eraseText(DataFile& dataFile, const std::string& key) {
  RecordPtr probe = record(key);
  StoreRecord* stored = findExact(dataFile, *probe);
  if (stored == nullptr) return false;
  eraseRecord(dataFile, stored);
  return true;
}

void insertAll(DataFile& dataFile, const RecordSet& records) {
  for (const auto& [key, data] : records) insertText(dataFile, key, data);
}

std::string checkerProblems(const std::string& path, const std::string& password) {
  std::string text;
  for (const std::string& problem : checkDataFile(path, password).problems) text += problem + "\n";
  return text;
}

int reportOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const DriverUnwind& unwind) {
    return unwind.report;
  }
  return 0;
}

std::string noise(std::size_t n, uint32_t seed) {
  std::string out(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : out) {
    x = x * 1103515245u + 12345u;
    c = char(x >> 24);
  }
  return out;
}

}  // namespace kestrand::testing_support
