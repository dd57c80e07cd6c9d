#include "tables/table_open.h"

#include <algorithm>

#include "filelayer/mode_word.h"
#include "runtime/locale_tables.h"
#include "store/commit.h"
#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "store/record_tree.h"
#include "tables/data_file_registry.h"
#include "tables/definition_stream.h"
#include "tables/table_name.h"
#include "tables/table_records.h"
#include "tables/table_records_delete.h"

namespace kestrand {

namespace {
constexpr ErrorCode kFileNotFound = 2;
constexpr ErrorCode kInvalidDeclaration = 47;

// A table that is not there is reported without touching the file: what the lookups
// left pending (the empty tree of a file that has none yet) is dropped, unless the
// DataFile is shared and others may have changes pending too.
void leaveFileUntouched(DataFile& dataFile) {
  if (!dataFile.enrolled && !dataFile.readMode && dataFileHolders(dataFile) == 1) abandonChanges(dataFile);
}

std::unique_ptr<StoreCursor> newCursor(DataFile& dataFile) {
  auto cursor = std::make_unique<StoreCursor>();
  cursorInit(*cursor, dataFile);
  return cursor;
}

bool declaresRecord(const DriverContext& ctx) { return ctx.recordBuffer != nullptr && ctx.recordLength != 0; }

// Loads the table's stored character tables; with the removal flag the record goes.
// With the create bit a new record is made from the runtime's current tables.
void exchangeLocaleRecord(DriverContext& ctx, DataFile& dataFile, bool removal, bool create) {
  RecordPtr probe = localeRecord(ctx.tableNumber);
  if (StoreRecord* stored = findExact(dataFile, *probe)) {
    if (stored->dataLength() >= kLocaleRecordBytes) {
      const uint8_t* data = stored->dataBytes();
      ctx.oemTable = data[0] != 0;
      ctx.localeTables.assign(data + 1, data + kLocaleRecordBytes);
    }
    if (removal) eraseRecord(dataFile, stored);
  }
  if (create) {
    const runtime::LocaleTables& tables = runtime::currentLocaleTables();
    ctx.oemTable = (ctx.attributes & kContextOem) != 0;
    const auto bytes = tables.serialize();
    ctx.localeTables.assign(bytes.begin(), bytes.end());
    insertRecord(dataFile, localeRecord(ctx.tableNumber, &tables, ctx.oemTable));
  }
}
}  // namespace

void prepareTableState(DriverContext& ctx) {
  ctx.savedImage.assign(ctx.recordLength, 0);
  ctx.compareImage.assign(ctx.recordLength, 0);
  ctx.keyStates.clear();
  for (std::size_t k = 0; k < ctx.keys.size(); ++k) {
    KeyDescriptor& key = *ctx.keys[k];
    auto state = std::make_unique<KeyTableState>();
    if (key.isDynamic()) {
      // A dynamic index lives in a store of its own that never reaches a disk.
      state->privateFile = std::make_unique<DataFile>();
      initDataFile(*state->privateFile);
      key.store = state->privateFile.get();
    } else {
      key.store = ctx.dataFile;
    }
    cursorInit(state->countersCursor, *key.store);
    key.number = uint32_t(k);
    ctx.keyStates.push_back(std::move(state));
  }
  ctx.memoStates.clear();
  for (const auto& memo : ctx.memos) {
    auto state = std::make_unique<MemoTableState>();
    cursorInit(state->insertCursor, *ctx.dataFile);
    memo->blobSize = 0;
    memo->touched = 0;
    memo->compareBuffer.clear();
    ctx.memoStates.push_back(std::move(state));
  }
}

void resetTableCounters(DriverContext& ctx, bool reset) {
  if (reset) exchangeDefinition(ctx, DefinitionMode::write);
  cursorSet(*ctx.dataCursor, countersRecord(ctx.tableNumber, kDataRecordType), reset);
  for (std::size_t k = 0; k < ctx.keys.size() && k < ctx.keyStates.size(); ++k) {
    cursorSet(ctx.keyStates[k]->countersCursor, countersRecord(ctx.tableNumber, uint8_t(ctx.keys[k]->number)), reset);
  }
}

ErrorCode openTable(DriverContext& ctx, uint32_t modeWord, bool removal) {
  TableName name;
  if (ErrorCode error = splitTableName(ctx.name, name)) return error;
  const bool create = (modeWord & mode::kCreate) != 0;
  name.path = resolveDataFilePath(name.path);

  ctx.stateFlags |= kStateTableOpen;
  ErrorCode acquired = acquireDataFile(name.path, ctx.owner, modeWord, ctx.dataFile);
  if (removal || create) beginWrite(*ctx.dataFile);
  if (acquired != 0) return acquired;
  DataFile& dataFile = *ctx.dataFile;

  ctx.dataCursor = newCursor(dataFile);
  ctx.appendCursor = newCursor(dataFile);
  ctx.localeTables.clear();
  ctx.oemTable = (ctx.attributes & kContextOem) != 0;

  RecordPtr nameRecord = tableNameRecord(name.tableName);
  StoreRecord* stored = findExact(dataFile, *nameRecord);
  const bool found = stored != nullptr;
  if (found) {
    ctx.tableNumber = storedTableNumber(*stored);
    if (removal) eraseRecord(dataFile, stored);
  }

  ErrorCode result = 0;
  if (create) {
    prepareTableState(ctx);
    if (found) deleteTableRecords(dataFile, ctx.tableNumber, &ctx);
    ctx.tableNumber = nextNumber(dataFile);
    setStoredTableNumber(*nameRecord, ctx.tableNumber);
    insertRecord(dataFile, std::move(nameRecord));
    resetTableCounters(ctx, true);
  } else {
    if (!found) {
      leaveFileUntouched(dataFile);
      return kFileNotFound;
    }
    DefinitionMode mode = !declaresRecord(ctx) && ctx.memos.empty() ? DefinitionMode::read : DefinitionMode::compare;
    if (exchangeDefinition(ctx, mode) == kDefinitionDiffers) result = kInvalidDeclaration;
    // Also after a mismatch, so that a removal can go on with the table.
    prepareTableState(ctx);
    resetTableCounters(ctx, false);
  }

  if (result == 0) {
    ctx.name = canonicalFullName(name);
    setCorruptionFileName(ctx.name);
  }
  exchangeLocaleRecord(ctx, dataFile, removal, create);
  return result;
}

}  // namespace kestrand
