#include "records/end_operation.h"

#include "store/commit.h"
#include "store/data_file_access.h"

namespace kestrand {

namespace {
constexpr uint32_t kStreamDirtyPages = 40;
constexpr uint32_t kStreamDeferrals = 5000;
}  // namespace

// The commit policy: after every operation on an open table its changes are committed
// and the access lock given up, so that no table holds the file between operations;
// STREAM and a running deferred BUILD defer the commit. (The BLOB touch marks arrive
// with the record operations.)
ErrorCode endOperation(DriverContext& ctx, int32_t) {
  if (!(ctx.stateFlags & kStateTableOpen)) return 0;
  const bool streaming = (ctx.optionFlags & kFlagStream) && ctx.dataFile != nullptr &&
                         ctx.dataFile->dirtyPageCount < kStreamDirtyPages && ctx.deferralCounter < kStreamDeferrals;
  if (streaming || (ctx.optionFlags & kFlagBuildRunning)) {
    ++ctx.deferralCounter;
    return 0;
  }
  ctx.deferralCounter = 0;
  if (ctx.dataFile == nullptr) return 0;
  ErrorCode result = commit(*ctx.dataFile);
  endAccess(*ctx.dataFile);
  return result;
}

}  // namespace kestrand
