#include "tables/table_removal.h"

#include "filelayer/mode_word.h"
#include "store/data_file_access.h"
#include "store/record_tree.h"
#include "tables/data_file_registry.h"
#include "tables/table_close.h"
#include "tables/table_name.h"
#include "tables/table_open.h"
#include "tables/table_records.h"
#include "tables/table_records_delete.h"

namespace kestrand {

namespace {
constexpr ErrorCode kInvalidDeclaration = 47;
constexpr ErrorCode kSharingViolation = 32;

// Whether a TableNameRecord is left: the first record at or after the key 0xFE (the
// exact key is the table with the empty name). The transaction marker (0xFF) is none.
bool otherTableRemains(DataFile& dataFile) {
  RecordPtr probe = tableNameRecord("");
  const StoreRecord* next = findExact(dataFile, *probe);
  if (next == nullptr) next = findAfter(dataFile, *probe);
  return next != nullptr && next->keyLength >= 1 && next->bytes()[0] == kTableNameKeyByte;
}

// Puts back the name and locale records the open erased, for a removal that cannot
// go on while the DataFile is shared.
void restoreErasedRecords(DriverContext& ctx, DataFile& dataFile) {
  TableName name;
  if (splitTableName(ctx.name, name) != 0) return;
  RecordPtr nameRecord = tableNameRecord(name.tableName);
  setStoredTableNumber(*nameRecord, ctx.tableNumber);
  insertRecord(dataFile, std::move(nameRecord));
  if (ctx.localeTables.size() == runtime::kLocaleTablesBytes) {
    const runtime::LocaleTables tables = runtime::LocaleTables::parse(ctx.localeTables.data());
    insertRecord(dataFile, localeRecord(ctx.tableNumber, &tables, ctx.oemTable));
  }
}

// The last table goes with its file. Deleting closes the handle that every holder of
// the shared DataFile uses, so while another block of this process holds the file
// the removal is refused as the system refuses it for another process.
ErrorCode deleteLastTable(DriverContext& ctx, DataFile& dataFile) {
  if (dataFileHolders(dataFile) > 1) {
    restoreErasedRecords(ctx, dataFile);
    return kSharingViolation;
  }
  // On failure the pending erasures are dropped with the header's changes.
  return deleteDataFile(dataFile);
}
}  // namespace

ErrorCode removeTable(DriverContext& ctx) {
  ErrorCode result = openTable(ctx, mode::kRemoveMode, true);
  if (result == kInvalidDeclaration) result = 0;  // a table that does not match goes all the same
  if (result == 0) {
    DataFile& dataFile = *ctx.dataFile;
    if (otherTableRemains(dataFile)) {
      beginWrite(dataFile);
      deleteTableRecords(dataFile, ctx.tableNumber, &ctx);
    } else {
      result = deleteLastTable(ctx, dataFile);
    }
  }
  // The close commits the erasures; a removal whose commit failed did not happen.
  ErrorCode closed = closeTable(ctx);
  return result != 0 ? result : closed;
}

}  // namespace kestrand
