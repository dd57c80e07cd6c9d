#include "driver/dispatch.h"

#include <chrono>
#include <charconv>
#include <string>
#include <thread>

#include "driver/context_lifecycle.h"
#include "driver/deferred_build.h"
#include "driver/dispatch_table.h"
#include "driver/driver_identity.h"
#include "filelayer/file_registry.h"
#include "filelayer/mode_word.h"
#include "filelayer/operation_code.h"
#include "platform/clock.h"

namespace kestrand {

namespace {
constexpr ErrorCode kAlreadyLocked = 32;  // File Is Already Locked

// Runs the slot's handler after `prepare`; a slot without a handler answers 80 and
// prepares nothing.
template <typename Prepare>
ErrorCode run(OperationCall& call, Prepare prepare) {
  Handler handler = handlerFor(call.code);
  if (handler == nullptr) return kUnsupported;
  prepare(*call.context);
  return handler(call);
}

ErrorCode run(OperationCall& call) {
  return run(call, [](DriverContext&) {});
}

ErrorCode openOrShare(OperationCall& call) {
  if (call.context->name.empty()) return 45;  // Invalid Filename
  ErrorCode error = run(call);
  if (error == 0) {
    DriverContext& ctx = *call.context;
    uint32_t modeWord = call.word(0);
    ctx.openMode = modeWord;
    ctx.optionFlags &= ~(kFlagWritable | kFlagExclusive);
    if (modeWord & mode::kAccessMask) ctx.optionFlags |= kFlagWritable;
    if (modeWord & (mode::kDenyAll | mode::kDenyWrite)) ctx.optionFlags |= kFlagExclusive;
    registerFile(*call.block, modeWord);
  }
  return error;
}

ErrorCode lockRepeated(OperationCall& call) {
  Handler handler = handlerFor(call.code);
  if (handler == nullptr) return kUnsupported;
  ErrorCode error;
  do {
    error = handler(call);
  } while (error == kAlreadyLocked);
  return error;
}

// Tries once a second until the clock has passed start + seconds.
ErrorCode lockWithTimeLimit(OperationCall& call) {
  Handler handler = handlerFor(call.code);
  if (handler == nullptr) return kUnsupported;
  const int64_t deadline = int64_t{platform::ticksSinceStart()} + int64_t{call.signedWord(0)} * 100;
  for (;;) {
    ErrorCode error = handler(call);
    if (error == 0 || int64_t{platform::ticksSinceStart()} > deadline) return error;
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
}

ErrorCode build(OperationCall& call) {
  if ((call.code == opBuildDyn || call.code == opBuildDynFilter) && call.text1.empty()) {
    return 76;  // Invalid Index String
  }
  if (call.context->optionFlags & kFlagBuildDeferred) return deferBuild(call);
  return run(call);
}

ErrorCode send(OperationCall& call) {
  if (call.text1 == "REGISTER") {
    call.result = reinterpret_cast<std::intptr_t>(kDriverName);
    call.textResult = std::to_string(call.result);
    if ((call.context->optionFlags & kFlagOpen) == 0) {
      destroyContext(*call.block);
      call.context = nullptr;
    }
    return 0;
  }
  if (call.text1.empty()) return 0;
  return run(call);
}

bool isProperty(const std::string& text, int32_t number) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, failure] = std::from_chars(text.data(), end, value);
  return failure == std::errc() && stop == end && value == number;
}

ErrorCode setProperty(OperationCall& call) {
  // 29510: registration with an outside access layer, which this driver does not have.
  if (isProperty(call.text2, 29510)) return call.text1.empty() ? 0 : kUnsupported;
  return run(call);
}

ErrorCode bytes(OperationCall& call) {
  if (call.context->optionFlags & kFlagCurrentRecord) {
    call.result = call.context->recordLength;
    return 0;
  }
  return run(call);
}

ErrorCode close(OperationCall& call) {
  ErrorCode error = run(call);
  if (error == 0) registerFile(*call.block, 0);
  return error;
}
}  // namespace

ErrorCode dispatchOperation(OperationCall& call) {
  switch (call.code) {
    case opBuildFile:
    case opBuildDyn:
    case opBuildKey:
    case opPack:
    case opBuildDynFilter:
      return build(call);
    case opClose:
      return close(call);
    case opCopy:
    case opRename:
      return call.text1.empty() ? 0 : run(call);
    case opCreate:
      if ((call.context->attributes & kContextCreate) == 0) return 54;  // No Create Attribute
      return run(call);
    case opHoldFile:
      return run(call, [](DriverContext& ctx) { ctx.holdSeconds = -1; });
    case opHoldFileSec:
      return run(call, [&](DriverContext& ctx) { ctx.holdSeconds = call.signedWord(0); });
    case opLockFile:
      return lockRepeated(call);
    case opLockFileSec:
      return lockWithTimeLimit(call);
    case opOpen:
    case opShare:
      return openOrShare(call);
    case opSetFile:
      return run(call, [](DriverContext& ctx) { ctx.orderKey = nullptr; });
    case opSetFileKey:
      return run(call, [&](DriverContext& ctx) {
        ctx.orderKey = nullptr;
        ctx.setKey = call.key->declaration;
      });
    case opSetFilePtr:
      return run(call, [&](DriverContext& ctx) {
        ctx.orderKey = nullptr;
        ctx.setPointer = call.word(0);
      });
    case opSetKey:
    case opSetKeyKey:
      return run(call, [&](DriverContext& ctx) { ctx.orderKey = call.key; });
    case opSetKeyPtr:
    case opSetKeyKeyPtr:
      return run(call, [&](DriverContext& ctx) {
        ctx.orderKey = call.key;
        ctx.setPointer = call.word(1);
      });
    case opResetFile:
      return run(call, [&](DriverContext& ctx) {
        ctx.orderKey = nullptr;
        ctx.lastResetPosition = call.text1;
      });
    case opResetKey:
      return run(call, [&](DriverContext& ctx) {
        ctx.orderKey = call.key;
        ctx.lastResetPosition = call.text1;
      });
    case opBytes:
      return bytes(call);
    case opSend:
      return send(call);
    case opSetProperty:
      return setProperty(call);
    default:
      return run(call);
  }
}

}  // namespace kestrand
