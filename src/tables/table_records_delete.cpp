#include "tables/table_records_delete.h"

#include "store/commit.h"
#include "store/record_tree.h"
#include "store/store_cursor.h"

namespace kestrand {

void deleteTableRecords(DataFile& dataFile, const TableNumber& number, DriverContext* ctx) {
  // The last record below the next table number is this table's last, if it has any.
  const TableNumber above = tableNumberFrom(nativeTableNumber(number) + 1);
  RecordPtr probe = makeStoreRecord(above.data(), 4, nullptr, 0);
  if (StoreRecord* last = findBefore(dataFile, *probe)) {
    StoreCursor cursor;
    cursorInit(cursor, dataFile);
    cursorSet(cursor, copyStoreRecord(*last), false);
    for (StoreRecord* current = cursorFetch(cursor); current != nullptr && keyBelongsTo(*current, number);
         current = cursorFetch(cursor)) {
      cursorEraseBackward(cursor);
    }
    cursorReset(cursor);
  }
  if (ctx == nullptr) return;
  for (const auto& state : ctx->keyStates) {
    if (state && state->privateFile) abandonChanges(*state->privateFile);
  }
}

}  // namespace kestrand
