// The driver entry's errorExit. A consistency failure of the storage core unwinds as
// DriverUnwind to the innermost operation's exit point (a catch in the entry); each
// entry call keeps its caller's exit state and puts it back before it returns, so
// that nested operations never end an outer one.
#pragma once

#include <string>

#include "filelayer/error_state.h"
#include "filelayer/file_control_block.h"
#include "store/corruption.h"

namespace kestrand {

// The caller's exit state: the table that corruption reports name.
class ErrorExitScope {
 public:
  ErrorExitScope() : savedName_(corruptionFileName()) {}
  ~ErrorExitScope() { restore(); }
  ErrorExitScope(const ErrorExitScope&) = delete;
  ErrorExitScope& operator=(const ErrorExitScope&) = delete;

  void restore();

 private:
  std::string savedName_;
  bool restored_ = false;
};

// What an exit point does with an unwinding: the block's context keeps the report
// number, the uncommitted changes of its data files are dropped (so that nothing half
// done is ever committed), a running deferred BUILD is told that it ended; the
// operation ends with 90, or 37 when the block has no context.
ErrorCode takeUnwinding(FileControlBlock& block, const DriverUnwind& unwind);

}  // namespace kestrand
