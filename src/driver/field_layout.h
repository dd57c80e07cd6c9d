// Turning a record declaration into the driver's field descriptors, with the layout
// rules the driver can store: no gaps, overlays only at the start of an earlier field
// of the same group, and the field types it knows.
#pragma once

#include <vector>

#include "driver/field_descriptor.h"
#include "filelayer/declarations.h"
#include "filelayer/error_state.h"

namespace kestrand {

// 0, 75 "Invalid Field Type Descriptor" or 79 "Unsupported Data Type In File". A
// missing or empty declaration describes no fields.
ErrorCode describeFields(const RecordDeclaration* record, std::vector<FieldDescriptor>& fields);

}  // namespace kestrand
