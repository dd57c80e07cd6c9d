#include "driver/error_exit.h"

#include "driver/driver_context.h"
#include "runtime/message_queue.h"
#include "store/commit.h"
#include "store/data_file.h"

namespace kestrand {

namespace {
// A report can arrive with the failed operation half done in the cache: a split cut
// short, a separator not yet repaired. None of it may reach the file, and the end of
// this very operation would commit it; so the pending changes of the table's data
// files are dropped here, and their access locks given up with them. (Changes of a
// data file enrolled in a transaction are the transaction's to drop.)
void dropHalfDoneChanges(DriverContext& ctx) {
  auto drop = [](DataFile* dataFile) {
    if (dataFile == nullptr || dataFile->enrolled) return;
    try {
      abandonChanges(*dataFile);
    } catch (const DriverUnwind&) {
      // A second report while letting go changes nothing: the first one stands.
    }
  };
  drop(ctx.dataFile);
  for (const auto& key : ctx.keys) {
    if (key->store != ctx.dataFile) drop(key->store);
  }
}
}  // namespace

void ErrorExitScope::restore() {
  if (restored_) return;
  restored_ = true;
  setCorruptionFileName(std::move(savedName_));
}

ErrorCode takeUnwinding(FileControlBlock& block, const DriverUnwind& unwind) {
  DriverContext* ctx = block.context;
  if (ctx == nullptr) return 37;  // File Not Open
  ctx->failureCode = unwind.report;
  dropHalfDoneChanges(*ctx);
  if (ctx->optionFlags & kFlagBuildRunning) {
    postError(90);
    setErrorFile(&block);
    runtime::sendMessage({runtime::kEventBuildDone, 1, reinterpret_cast<std::intptr_t>(&block)});
  }
  return 90;  // File System Error
}

}  // namespace kestrand
