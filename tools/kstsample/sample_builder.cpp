#include "sample_builder.h"

#include "driver/driver_entry.h"
#include "filelayer/call_driver.h"
#include "filelayer/mode_word.h"
#include "filelayer/operation_code.h"
#include "store/record_tree.h"
#include "tables/data_file_registry.h"
#include "tables/data_record_append.h"
#include "tables/table_name.h"
#include "tables/table_records.h"

namespace kestrand::sample {

ErrorCode buildTable(const std::string& path, const SampleTable& table, const std::string& password) {
  const std::string fullName = path + std::string(kTableSeparator) + table.name;
  const RecordDeclaration record{table.fields.data(), uint32_t(table.fields.size())};
  std::vector<uint8_t> buffer(table.recordLength);
  FileControlBlock block;
  block.driver = kestrandDriverEntry;
  block.name = {fullName.c_str(), kTextNulTerminated};
  block.owner = {password.c_str(), kTextNulTerminated};
  block.attributes = uint8_t(kAttrCreate | (password.empty() ? 0 : kAttrEncrypt));
  block.record = &record;
  block.recordLength = table.recordLength;
  block.recordBuffer = buffer.data();

  callDriver(opCreate, block);
  ErrorCode result = errorCode();
  if (result == 0) {
    callDriver(opOpen, block, {mode::kRemoveMode});
    result = errorCode();
  }
  if (result == 0) {
    result = appendDataRecords(*block.context, table.records, table.fill);
    callDriver(opClose, block);
    if (result == 0) result = errorCode();
  }
  callDriver(opDestroy, block, {0});
  return result;
}

ErrorCode listTables(const std::string& path, const std::string& password, std::vector<TableListing>& out) {
  std::string completed;
  if (ErrorCode error = completeFilePath(path, kDataFileExtension, completed)) return error;
  DataFile* dataFile = nullptr;
  ErrorCode result = acquireDataFile(resolveDataFilePath(completed), password, mode::kDenyNone, dataFile);
  if (result == 0) {
    RecordPtr probe = tableNameRecord("");
    StoreRecord* name = findExact(*dataFile, *probe);
    if (name == nullptr) name = findAfter(*dataFile, *probe);
    while (name != nullptr && name->keyLength >= 1 && name->bytes()[0] == kTableNameKeyByte) {
      TableListing table;
      table.name.assign(reinterpret_cast<const char*>(name->bytes()) + 1, name->keyLength - 1u);
      const TableNumber number = storedTableNumber(*name);
      table.tableNumber = nativeTableNumber(number);
      RecordPtr next = copyKey(*name);
      RecordPtr countersProbe = countersRecord(number, kDataRecordType);
      if (const StoreRecord* counters = findExact(*dataFile, *countersProbe)) table.records = countersCount(*counters);
      out.push_back(std::move(table));
      name = findAfter(*dataFile, *next);
    }
  }
  releaseDataFile(*dataFile);
  return result;
}

}  // namespace kestrand::sample
