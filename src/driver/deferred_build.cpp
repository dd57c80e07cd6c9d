#include "driver/deferred_build.h"

#include "driver/context_lifecycle.h"
#include "driver/dispatch_table.h"
#include "driver/driver_identity.h"
#include "filelayer/call_driver.h"
#include "filelayer/operation_code.h"
#include "runtime/message_queue.h"

namespace kestrand {

namespace {
std::intptr_t deliverBuildEvent(const runtime::WindowMessage& message) {
  auto* block = reinterpret_cast<FileControlBlock*>(message.second);
  if (block == nullptr) return 0;
  return callDriver(opBuildEvent, *block);
}

bool takesKey(int32_t code) { return code == opBuildDyn || code == opBuildKey || code == opBuildDynFilter; }

// The block's context after a build: the one in use, or a new one when the build
// left the block without. A creation error becomes the result when there is none.
DriverContext* contextAfterBuild(OperationCall& call, ErrorCode& result) {
  FileControlBlock& block = *call.block;
  if (block.context == nullptr) {
    ErrorCode error = createContext(block, kDriverName);
    if (error != 0) {
      if (block.context != nullptr) destroyContext(block);
      if (result == 0) result = error;
    }
  }
  call.context = block.context;
  return call.context;
}
}  // namespace

bool isDeferrableBuild(int32_t code) {
  return code == opBuildFile || code == opBuildDyn || code == opBuildKey || code == opPack ||
         code == opBuildDynFilter;
}

ErrorCode deferBuild(OperationCall& call) {
  DriverContext& ctx = *call.context;
  ctx.optionFlags &= ~kFlagBuildDeferred;
  ctx.deferredOperation = call.code;
  if (takesKey(call.code)) ctx.deferredKey = call.key;
  if (call.code == opBuildDyn) ctx.deferredText1 = call.text1;
  if (call.code == opBuildDynFilter) {
    ctx.deferredText1 = call.text2;  // the filter
    ctx.deferredText2 = call.text1;  // the components
  }
  runtime::setMessageHandler(kDeferredBuildMessage, deliverBuildEvent);
  runtime::postMessage({kDeferredBuildMessage, 0, reinterpret_cast<std::intptr_t>(call.block)});
  return 0;
}

ErrorCode runBuildEvent(OperationCall& call) {
  DriverContext& ctx = *call.context;
  ctx.optionFlags ^= kFlagBuildRunning;

  // The remembered BUILD is taken out of the context: it runs once.
  std::intptr_t args[8] = {};
  OperationCall build = OperationCall::direct(ctx.deferredOperation, call.block, &ctx, args);
  build.key = takesKey(build.code) ? ctx.deferredKey : nullptr;
  if (build.key != nullptr) args[0] = reinterpret_cast<std::intptr_t>(build.key->declaration);
  if (build.code == opBuildDyn) build.text1 = std::move(ctx.deferredText1);
  if (build.code == opBuildDynFilter) {
    build.text1 = std::move(ctx.deferredText2);  // the components
    build.text2 = std::move(ctx.deferredText1);  // the filter
  }
  ctx.deferredText1.clear();
  ctx.deferredText2.clear();
  ctx.deferredOperation = 0;
  ctx.deferredKey = nullptr;

  ErrorCode result = 0;
  if (isDeferrableBuild(build.code)) {
    Handler handler = handlerFor(build.code);
    result = handler != nullptr ? handler(build) : kUnsupported;
  }
  if (DriverContext* current = contextAfterBuild(call, result)) current->optionFlags &= ~kFlagBuildRunning;
  if (result == -1) call.result = -1;
  return result;
}

}  // namespace kestrand
