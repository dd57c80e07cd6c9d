// CLEAR: the record buffer through the runtime's typed clear, then every memo buffer;
// a BLOB cleared with 0 is resized to nothing.
#pragma once

#include "driver/operation_call.h"

namespace kestrand {

ErrorCode clearRecordBuffers(OperationCall& call);

}  // namespace kestrand
