#include "driver/resynchronisation.h"

#include "filelayer/call_driver.h"
#include "filelayer/operation_code.h"
#include "filelayer/text_stack.h"

namespace kestrand {

void resynchronise(FileControlBlock& block, DriverContext& ctx, int32_t code) {
  if (!ctx.resyncPosition) return;
  // Taken out before anything is issued, so that the nested NEXT or PREVIOUS cannot
  // resynchronise again even when the RESET fails.
  const std::string saved = std::move(*ctx.resyncPosition);
  ctx.resyncPosition.reset();
  KeyDeclaration* orderKey = ctx.orderKey != nullptr ? ctx.orderKey->declaration : nullptr;
  const auto keyWord = reinterpret_cast<std::intptr_t>(orderKey);

  auto resetTo = [&](std::string position) {
    pushText(std::move(position));
    if (orderKey != nullptr) {
      callDriver(opResetKey, block, {keyWord});
    } else {
      callDriver(opResetFile, block);
    }
  };

  resetTo(saved);
  callDriver(code == opNext ? opNext : opPrevious, block);
  if (errorCode() != 0) {
    resetTo(saved);  // back to the saved position for the operation itself
    return;
  }
  if (orderKey != nullptr) {
    callDriver(opPositionKey, block, {keyWord});
  } else {
    callDriver(opPositionFile, block);
  }
  std::string reached = popText();
  if (reached != saved) resetTo(std::move(reached));
}

}  // namespace kestrand
