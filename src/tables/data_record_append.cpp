#include "tables/data_record_append.h"

#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "store/store_cursor.h"
#include "tables/table_records.h"

namespace kestrand {

namespace {
constexpr ErrorCode kAccessDenied = 5;
constexpr ErrorCode kNotOpen = 37;
constexpr ErrorCode kUnsupported = 80;
}  // namespace

ErrorCode appendDataRecords(DriverContext& ctx, uint32_t count, const RecordFiller& fill) {
  if (!(ctx.stateFlags & kStateTableOpen) || ctx.dataFile == nullptr || !ctx.dataCursor) return kNotOpen;
  if (!ctx.keys.empty() || !ctx.memos.empty()) return kUnsupported;
  DataFile& dataFile = *ctx.dataFile;
  beginWrite(dataFile);
  if (cursorFetch(*ctx.dataCursor) == nullptr) return kAccessDenied;
  for (uint32_t i = 0; i < count; ++i) {
    RecordPtr record = dataRecord(ctx.tableNumber, nextNumber(dataFile), ctx.recordLength);
    if (fill) fill(i, record->dataBytes());
    // Numbers only grow: each record follows the last one inserted.
    cursorInsert(*ctx.appendCursor, std::move(record));
  }
  StoreRecord* counters = cursorFetch(*ctx.dataCursor);
  setCountersCount(*counters, countersCount(*counters) + count);
  cursorTouch(*ctx.dataCursor);
  return 0;
}

uint32_t tableRecordCount(DriverContext& ctx) {
  if (!ctx.dataCursor) return 0;
  const StoreRecord* counters = cursorFetch(*ctx.dataCursor);
  return counters != nullptr ? countersCount(*counters) : 0;
}

}  // namespace kestrand
