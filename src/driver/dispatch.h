// Hands an operation on a block with a context to its handler, with the entry's own
// work around it: order key and SET bookkeeping, deferred BUILDs, lock retries,
// open mode and registry status, and the few requests the entry answers itself.
#pragma once

#include "driver/operation_call.h"

namespace kestrand {

// call.context is the block's context; afterwards it is the context in use (none
// when the operation destroyed it).
ErrorCode dispatchOperation(OperationCall& call);

}  // namespace kestrand
