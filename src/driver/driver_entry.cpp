#include "driver/driver_entry.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "driver/activity_log.h"
#include "driver/context_lifecycle.h"
#include "driver/dispatch.h"
#include "driver/dispatch_table.h"
#include "driver/driver_identity.h"
#include "driver/error_exit.h"
#include "driver/operation_rules.h"
#include "driver/operation_state.h"
#include "driver/resynchronisation.h"
#include "filelayer/call_driver.h"
#include "filelayer/operation_code.h"
#include "filelayer/text_stack.h"
#include "platform/clock.h"
#include "records/end_operation.h"

namespace kestrand {

namespace {
template <std::size_t N>
bool among(const int32_t (&codes)[N], int32_t code) {
  return std::find(std::begin(codes), std::end(codes), code) != std::end(codes);
}

constexpr int32_t kOneText[] = {opBuildDyn, opCopy, opBuildDynFilter, opRename, opSend, opResetFile,
                                opResetKey, opRegetFile, opRegetKey, opSetProperty, opGetProperty,
                                opBlobGetProp, opBlobSetProp, opSetPropertyKey, opGetPropertyKey,
                                opDoProperty, opDoPropertyKey, opDoPropertyBlob, opSetNulls};
constexpr int32_t kSecondText[] = {opBuildDynFilter, opSetProperty, opBlobGetProp, opSetPropertyKey};
constexpr int32_t kTextResult[] = {opName, opSend, opPositionFile, opPositionKey, opGetProperty,
                                   opBlobSetProp, opGetPropertyKey, opGetNulls};
// Operations that use the name, owner or driver options of a block that is not open.
constexpr int32_t kNameRefresh[] = {opBuildFile, opCopy, opCreate, opEmpty, opName, opOpen, opPack,
                                    opRemove, opRename, opShare, opBytes, opSend, opGetProperty};

constexpr std::intptr_t kNoArguments[8] = {};

void refreshFromBlock(DriverContext& ctx, const FileControlBlock& block) {
  if (!(ctx.propertyMarks & kMarkName) && block.name.length != 0) ctx.name = driverCopy(block.name);
  if (!(ctx.propertyMarks & kMarkOwner) && block.owner.length != 0) ctx.owner = driverCopy(block.owner);
  if (!(ctx.propertyMarks & kMarkDriverOptions) && block.driverOptions.length != 0) {
    ctx.driverOptions = driverCopy(block.driverOptions);
  }
}

// Every later operation on a context whose table unwound ends with 90 and the same
// file error details, until CLOSE.
ErrorCode repeatFailure(const DriverContext& ctx) {
  std::string message = corruptionMessage();
  setFileError(std::to_string(ctx.failureCode), message.c_str());
  return 90;
}

// After NEXT or PREVIOUS: the position reached, kept for a saved state. An unwinding
// here ends this operation, never the caller's.
ErrorCode keepPositionAfterReading(FileControlBlock& block, DriverContext& ctx) {
  ctx.positionAfterReading.reset();
  const int32_t code = ctx.orderKey != nullptr ? opPositionKey : opPositionFile;
  Handler position = handlerFor(code);
  if (position == nullptr) return 0;
  std::intptr_t args[8] = {};
  if (ctx.orderKey != nullptr) args[0] = reinterpret_cast<std::intptr_t>(ctx.orderKey->declaration);
  OperationCall call = OperationCall::direct(code, &block, &ctx, args);
  call.key = ctx.orderKey;
  try {
    if (position(call) == 0) ctx.positionAfterReading = std::move(call.textResult);
  } catch (const DriverUnwind& unwind) {
    return takeUnwinding(block, unwind);
  }
  return 0;
}

KeyDescriptor* operationKey(int32_t code, const std::intptr_t* args) {
  if (!takesKeyArgument(code)) return nullptr;
  auto* declaration = reinterpret_cast<KeyDeclaration*>(args[0]);
  return declaration != nullptr ? declaration->driverKey : nullptr;
}

// A context for the operation, created unless it is CLOSE or DESTROY. False when the
// creation failed (and left none).
bool attachContext(FileControlBlock& block, int32_t code, ErrorCode& error) {
  if (block.context != nullptr || code == opDestroy || code == opClose) return true;
  error = createContext(block, kDriverName);
  if (error != 0) {
    if (block.context != nullptr) destroyContext(block);
    return false;
  }
  readActivityLogSettings(*block.context);
  return true;
}

// Everything before the handler: resynchronisation, the exit's table name, a recorded
// failure, the state check and the refresh of the texts. 0 lets the handler run.
ErrorCode admitOperation(FileControlBlock& block, const OperationCall& call) {
  const int32_t code = call.code;
  if (code == opNext || code == opPrevious || code == opSkip) {
    resynchronise(block, *block.context, code);
    if (block.context == nullptr) return 37;  // the nested operations left no context
  }
  DriverContext& ctx = *block.context;
  setCorruptionFileName(ctx.name);
  armErrorExit();
  // After an unwinding only CLOSE, NAME and DESTROY go on: closing is what releases the
  // table's locks and its data file, and DESTROY closes too.
  if (ctx.failureCode != 0 && code == opClose) {
    ctx.optionFlags |= kFlagOpen;
  } else if (ctx.failureCode != 0 && code != opName && code != opDestroy) {
    return repeatFailure(ctx);
  }
  if (ErrorCode refused = checkOperation(ctx, call.key, code, call.text1)) return refused;
  if (among(kNameRefresh, code) && !(ctx.optionFlags & kFlagOpen)) refreshFromBlock(ctx, block);
  return 0;
}

// The bookkeeping after the state update; an unwinding while the position is taken
// becomes the operation's error.
ErrorCode recordOutcome(FileControlBlock& block, DriverContext& ctx, int32_t code, ErrorCode error) {
  ctx.lastResult = error == -1 ? 0 : error;
  if (error == 0 && (ctx.postActions & kPostClearError)) clearError();
  if (error == 47) ctx.destroyPending = 1;
  if (ctx.postActions & kPostRecordSequence) {
    ctx.lastSequenceOperation = code;
    ctx.lastSequenceResult = error;
    if (code == opNext || code == opPrevious) {
      if (ErrorCode unwound = keepPositionAfterReading(block, ctx)) {
        error = unwound;
        ctx.lastResult = error;
      }
    }
  }
  if (ctx.postActions & kPostRecordOperation) ctx.lastRecordOperation = code;
  if (ctx.postActions & kPostDropResync) ctx.resyncPosition.reset();
  return error;
}
}  // namespace

std::intptr_t kestrandDriverEntry(int32_t code, FileControlBlock* blockPointer, const std::intptr_t* args) {
  if (code == opQueryView) return 0;
  if (blockPointer == nullptr) return 0;
  FileControlBlock& block = *blockPointer;
  // A THREAD block's per-thread instance starts without a context: the runtime makes it.

  ErrorExitScope callerExit;
  OperationCall call = OperationCall::direct(code, &block, nullptr, args != nullptr ? args : kNoArguments);
  ErrorCode error = 0;

  if (block.context != nullptr && block.context->destroyPending && code != opDestroy) {
    callDriver(opDestroy, block, {0});  // a context marked after a 47 is rebuilt from the block
    error = errorCode();
  }
  if (among(kOneText, code)) call.text1 = popText();  // taken whatever happens later
  if (among(kSecondText, code)) call.text2 = popText();
  bool proceed = attachContext(block, code, error);

  uint32_t start = 0;
  bool timed = false;
  if (proceed && block.context != nullptr) {
    if (block.context->profileFlag) {
      start = platform::ticksSinceStart();
      timed = true;
    }
    call.key = operationKey(code, call.args);
    error = admitOperation(block, call);
    if (error == 0) {
      call.context = block.context;
      try {
        error = dispatchOperation(call);
      } catch (const DriverUnwind& unwind) {
        error = takeUnwinding(block, unwind);
      }
    }
  }
  DriverContext* ctx = block.context;  // handlers may have destroyed or replaced it
  KeyDescriptor* key = call.key != nullptr && ctx != nullptr && call.key->context == ctx ? call.key : nullptr;

  if (ctx != nullptr && ctx->profileFlag && !(block.flags & kBlockNoLog)) {
    uint32_t now = platform::ticksSinceStart();
    logOperation(*ctx, key, kDriverName, code, error, timed ? now - start : 0);
  }

  ErrorCode committed = 0;
  try {
    if (ctx != nullptr) committed = endOperation(*ctx, code);
  } catch (const DriverUnwind& unwind) {
    error = takeUnwinding(block, unwind);
  }
  if (error == 0) error = committed;

  callerExit.restore();
  call.text1.clear();
  call.text2.clear();

  if (ctx != nullptr) applyOperation(*ctx, key, code, error);
  if (among(kTextResult, code)) pushText(std::move(call.textResult));
  if (ctx != nullptr) {
    error = recordOutcome(block, *ctx, code, error);
    if (code == opDestroy) destroyContext(block);
  }

  std::intptr_t result = call.result;
  if (error != 0) {
    if (error != -1) {
      postError(error);
      setErrorFile(&block);
    }
    if (code == opBof || code == opEof) result = 1;
  }
  return result;
}

}  // namespace kestrand
