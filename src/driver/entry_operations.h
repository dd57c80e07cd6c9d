// The operations the driver entry answers itself.
#pragma once

#include "driver/operation_call.h"

namespace kestrand {

ErrorCode answerName(OperationCall& call);       // NAME
ErrorCode answerStream(OperationCall& call);     // STREAM: the rule sets the STREAM bit
ErrorCode answerQueryKey(OperationCall& call);   // QUERY_KEY
ErrorCode answerEntryAddress(OperationCall& call);  // Internal91
ErrorCode countRecords(OperationCall& call);     // COUNTRECORDS over RECORDSfile

}  // namespace kestrand
