#include "tables/table_close.h"

#include "store/commit.h"
#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "tables/data_file_registry.h"
#include "tables/table_records.h"

namespace kestrand {

namespace {
void freeCursor(std::unique_ptr<StoreCursor>& cursor) {
  if (cursor) cursorReset(*cursor);
  cursor.reset();
}

void freeKeyState(DriverContext& ctx) {
  for (std::size_t k = 0; k < ctx.keyStates.size(); ++k) {
    KeyTableState& state = *ctx.keyStates[k];
    cursorReset(state.countersCursor);
    if (state.privateFile && k < ctx.keys.size()) {
      // A dynamic index is built anew after every open.
      ctx.keys[k]->components.clear();
      ctx.keys[k]->built = false;
    }
  }
  for (const auto& key : ctx.keys) key->store = nullptr;
  ctx.keyStates.clear();
}

void freeMemoState(DriverContext& ctx) {
  for (const auto& state : ctx.memoStates) cursorReset(state->insertCursor);
  ctx.memoStates.clear();
  for (const auto& memo : ctx.memos) {
    memo->blobSize = 0;
    memo->compareBuffer.clear();
  }
}

// After a corruption nothing of the failed operation may reach the file: the pending
// changes are dropped (unless others share them) and every lock is given up.
void giveUpAfterCorruption(DriverContext& ctx, DataFile& dataFile) {
  if (!dataFile.enrolled && dataFileHolders(dataFile) == 1) abandonChanges(dataFile);
  releaseAllLocks(dataFile, nativeTableNumber(ctx.tableNumber));
}
}  // namespace

ErrorCode closeTable(DriverContext& ctx) {
  if (!(ctx.stateFlags & kStateTableOpen)) return 0;
  ctx.savedImage = {};
  ctx.compareImage = {};
  freeCursor(ctx.dataCursor);
  freeCursor(ctx.appendCursor);
  ctx.localeTables.clear();
  freeKeyState(ctx);
  freeMemoState(ctx);

  ErrorCode result = 0;
  DataFile* dataFile = ctx.dataFile;
  if (ctx.failureCode != 0) {
    if (dataFile != nullptr) giveUpAfterCorruption(ctx, *dataFile);
    ctx.failureCode = 0;
  } else if (dataFile != nullptr) {
    // Should this unwind, the table stays open and holds its data file: the CLOSE or
    // DESTROY after the recorded corruption ends it.
    result = commit(*dataFile);
    if (dataFile->headerValid) truncateToUsed(*dataFile);
  }

  ctx.stateFlags &= ~kStateTableOpen;
  ctx.dataFile = nullptr;
  if (dataFile != nullptr) releaseDataFile(*dataFile);
  return result;
}

}  // namespace kestrand
