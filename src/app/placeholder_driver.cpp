#include "app/placeholder_driver.h"

#include "filelayer/error_state.h"

namespace kestrand {

std::intptr_t placeholderDriverEntry(int32_t /*code*/, FileControlBlock* block, const std::intptr_t* /*args*/) {
  postError(80);
  setErrorFile(block);
  return 0;
}

}  // namespace kestrand
