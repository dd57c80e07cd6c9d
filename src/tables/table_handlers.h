// The table layer's handlers in the driver's dispatch table.
#pragma once

#include "driver/operation_call.h"

namespace kestrand {

ErrorCode openHandler(OperationCall& call);    // OPEN and SHARE: the mode word
ErrorCode createHandler(OperationCall& call);  // CREATE
ErrorCode closeHandler(OperationCall& call);   // CLOSE and DESTROY
ErrorCode removeHandler(OperationCall& call);  // REMOVE

}  // namespace kestrand
