#include "driver/error_exit.h"

#include "driver/driver_context.h"
#include "runtime/message_queue.h"

namespace kestrand {

void ErrorExitScope::restore() {
  if (restored_) return;
  restored_ = true;
  setCorruptionFileName(std::move(savedName_));
}

ErrorCode takeUnwinding(FileControlBlock& block, const DriverUnwind& unwind) {
  DriverContext* ctx = block.context;
  if (ctx == nullptr) return 37;  // File Not Open
  ctx->failureCode = unwind.report;
  if (ctx->optionFlags & kFlagBuildRunning) {
    postError(90);
    setErrorFile(&block);
    runtime::sendMessage({runtime::kEventBuildDone, 1, reinterpret_cast<std::intptr_t>(&block)});
  }
  return 90;  // File System Error
}

}  // namespace kestrand
