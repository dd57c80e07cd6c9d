#include "tables/table_handlers.h"

#include "filelayer/mode_word.h"
#include "tables/table_close.h"
#include "tables/table_open.h"
#include "tables/table_removal.h"

namespace kestrand {

namespace {
constexpr ErrorCode kAccessDenied = 5;
}  // namespace

ErrorCode openHandler(OperationCall& call) {
  const uint32_t modeWord = call.word(0);
  if ((modeWord & mode::kAccessMask) == mode::kWriteOnly) return kAccessDenied;
  ErrorCode result = openTable(*call.context, modeWord, false);
  if (result != 0) closeTable(*call.context);
  return result;
}

ErrorCode createHandler(OperationCall& call) {
  ErrorCode result = openTable(*call.context, mode::kCreateMode, true);
  ErrorCode closed = closeTable(*call.context);
  // A table whose commit failed was not created.
  return result != 0 ? result : closed;
}

ErrorCode closeHandler(OperationCall& call) { return closeTable(*call.context); }

ErrorCode removeHandler(OperationCall& call) { return removeTable(*call.context); }

}  // namespace kestrand
