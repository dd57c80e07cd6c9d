#include "records/end_operation.h"

namespace kestrand {

// The commit policy (STREAM deferral, commit, end of access, BLOB touch marks)
// arrives with the record operations; until then there is nothing to commit.
ErrorCode endOperation(DriverContext&, int32_t) { return 0; }

}  // namespace kestrand
