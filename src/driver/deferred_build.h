// A BUILD requested while the deferred-build bit is set does not run at once: the
// entry remembers it and posts a private message to the program's window; when the
// program's message loop delivers it, BUILDevent runs the build for the block.
#pragma once

#include <cstdint>

#include "driver/operation_call.h"

namespace kestrand {

inline constexpr uint32_t kDeferredBuildMessage = 0x2420;

bool isDeferrableBuild(int32_t code);  // BUILDfile, BUILDdyn, BUILDkey, PACK, BUILDdynfilter

// Remembers the BUILD in the context and posts the message; the operation ends with 0.
ErrorCode deferBuild(OperationCall& call);

// BUILDevent: runs the remembered BUILD with the deferred-build-running bit set.
ErrorCode runBuildEvent(OperationCall& call);

}  // namespace kestrand
