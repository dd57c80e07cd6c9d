#include "driver/dispatch_table.h"

#include <array>
#include <optional>

#include "driver/clear_record.h"
#include "driver/deferred_build.h"
#include "driver/dispatch_test_seam.h"
#include "driver/entry_operations.h"
#include "filelayer/operation_code.h"
#include "tables/table_handlers.h"

namespace kestrand {

namespace {
constexpr std::size_t kSlots = kLastOperationCode + 1;

// A layer plugs its handler in by filling its slot here, adapting the call to the
// handler's own signature, e.g.
//   t[opRemove] = [](OperationCall& c) { return removeTable(*c.context); };
// The entry's own work around a handler (order key, deferral, retries, registry) is
// done by dispatchOperation, not by the handlers.
constexpr std::array<Handler, kSlots> kHandlers = [] {
  std::array<Handler, kSlots> t{};
  // Answered by the entry itself.
  t[opName] = answerName;
  t[opStream] = answerStream;
  t[opQueryKey] = answerQueryKey;
  t[opClear] = clearRecordBuffers;
  t[opBuildEvent] = runBuildEvent;
  t[opInternal91] = answerEntryAddress;
  t[opCountRecords] = countRecords;

  // The table layer.
  t[opOpen] = openHandler;
  t[opShare] = openHandler;
  t[opCreate] = createHandler;
  t[opClose] = closeHandler;
  t[opDestroy] = closeHandler;
  t[opRemove] = removeHandler;
  // Still to come from the table layer (empty slots answer 80 until then).
  t[opCopy] = nullptr;
  t[opRename] = nullptr;
  t[opEmpty] = nullptr;
  t[opPack] = nullptr;

  // Still to come from the record layer: records, sequences and positions, keys and
  // builds, memos and BLOBs, holds, locks and transactions, options and properties.
  t[opAdd] = nullptr;
  t[opBof] = nullptr;
  t[opBuildFile] = nullptr;
  t[opAppend] = nullptr;
  t[opBuildDyn] = nullptr;
  t[opBuildKey] = nullptr;
  t[opCommit] = nullptr;
  t[opDelete] = nullptr;
  t[opDuplicate] = nullptr;
  t[opEof] = nullptr;
  t[opGetFileKey] = nullptr;
  t[opGetFilePtr] = nullptr;
  t[opGetKeyPtr] = nullptr;
  t[opHoldFile] = nullptr;
  t[opHoldFileSec] = nullptr;
  t[opLockFile] = nullptr;
  t[opLockFileSec] = nullptr;
  t[opLogout] = nullptr;
  t[opNext] = nullptr;
  t[opPointerFile] = nullptr;
  t[opPointerKey] = nullptr;
  t[opFlush] = nullptr;
  t[opPut] = nullptr;
  t[opPrevious] = nullptr;
  t[opRecordsFile] = nullptr;
  t[opRecordsKey] = nullptr;
  t[opBuildDynFilter] = nullptr;
  t[opRelease] = nullptr;
  t[opRollback] = nullptr;
  t[opSetFile] = nullptr;
  t[opSetFileKey] = nullptr;
  t[opSetFilePtr] = nullptr;
  t[opSetKey] = nullptr;
  t[opSetKeyKey] = nullptr;
  t[opSetKeyPtr] = nullptr;
  t[opSetKeyKeyPtr] = nullptr;
  t[opSkip] = nullptr;
  t[opUnlock] = nullptr;
  t[opBytes] = nullptr;
  t[opPutFilePtr] = nullptr;
  t[opDuplicateKey] = nullptr;
  t[opWatch] = nullptr;
  t[opSend] = nullptr;         // driver options; "REGISTER" is the entry's
  t[opPositionFile] = nullptr;
  t[opPositionKey] = nullptr;
  t[opResetFile] = nullptr;
  t[opResetKey] = nullptr;
  t[opNoMemo] = nullptr;
  t[opRegetFile] = nullptr;
  t[opRegetKey] = nullptr;
  t[opSetProperty] = nullptr;  // property 29510 is the entry's
  t[opGetProperty] = nullptr;
  t[opBlobYield] = nullptr;
  t[opBlobTake] = nullptr;
  t[opBlobSize] = nullptr;
  t[opBlobGetProp] = nullptr;
  t[opBlobSetProp] = nullptr;
  t[opSetPropertyKey] = nullptr;
  t[opGetPropertyKey] = nullptr;
  t[opInView] = nullptr;
  t[opEndView] = nullptr;
  t[opGetState] = nullptr;
  t[opRestoreState] = nullptr;
  t[opFreeState] = nullptr;

  // Unsupported for good, answering 80 after the checks: 0, 35, 39, ADDfilelen,
  // GETfileptrlen, PUTfileptrlen, APPENDlen, NULL, SETNULL, SETNONULL, BUFFER, SETview,
  // RESETviewfile, Internal87, DO_PROPERTY, DOPROPERTYkey, DOPROPERTYblob, Internal94,
  // GETNULLS, SETNULLS, Internal100, Internal101, SQLCALLBACK; and codes above 104.
  return t;
}();

std::array<std::optional<Handler>, kSlots>& overrides() {
  static std::array<std::optional<Handler>, kSlots> slots;
  return slots;
}

bool inRange(int32_t code) { return code >= 0 && code <= kLastOperationCode; }
}  // namespace

Handler handlerFor(int32_t code) {
  if (!inRange(code)) return nullptr;
  auto slot = static_cast<std::size_t>(code);
  if (const std::optional<Handler>& replaced = overrides()[slot]) return *replaced;
  return kHandlers[slot];
}

namespace testing_seam {

ScopedHandler::ScopedHandler(int32_t code, Handler handler) : code_(code) {
  if (!inRange(code)) return;
  std::optional<Handler>& slot = overrides()[static_cast<std::size_t>(code)];
  previous_ = slot;
  slot = handler;
}

ScopedHandler::~ScopedHandler() {
  if (inRange(code_)) overrides()[static_cast<std::size_t>(code_)] = previous_;
}

}  // namespace testing_seam

}  // namespace kestrand
