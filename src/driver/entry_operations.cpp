#include "driver/entry_operations.h"

#include "driver/dispatch_table.h"
#include "driver/driver_entry.h"
#include "filelayer/operation_code.h"

namespace kestrand {

ErrorCode answerName(OperationCall& call) {
  const DriverContext& ctx = *call.context;
  // Open: the canonical full name; closed: the name variable as the program holds it.
  call.textResult = (ctx.optionFlags & kFlagOpen) ? ctx.name : textAsHeld(call.block->name);
  return 0;
}

ErrorCode answerStream(OperationCall&) { return 0; }

ErrorCode answerQueryKey(OperationCall& call) {
  const DriverContext& ctx = *call.context;
  call.result = 0;
  for (std::size_t k = 0; k < ctx.keys.size(); ++k) {
    if (ctx.keys[k].get() == ctx.orderKey) call.result = static_cast<std::intptr_t>(k + 1);
  }
  return 0;
}

ErrorCode answerEntryAddress(OperationCall& call) {
  call.result = reinterpret_cast<std::intptr_t>(&kestrandDriverEntry);
  return 0;
}

ErrorCode countRecords(OperationCall& call) {
  // A failure of the count counts as no records and is not reported.
  int64_t count = 0;
  if (Handler recordsInFile = handlerFor(opRecordsFile)) {
    OperationCall counting = OperationCall::direct(opRecordsFile, call.block, call.context, call.args);
    if (recordsInFile(counting) == 0) count = static_cast<uint32_t>(counting.result);
  }
  call.result = call.signedWord(0) < count ? 1 : 0;
  return 0;
}

}  // namespace kestrand
