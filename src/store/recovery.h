// Bringing a DataFile up to date with its file: noticing other processes' commits and
// completing (roll forward) or discarding (roll back) a commit that a process left
// unfinished. A reading process never writes: it reads the old or the new state and
// leaves the repair to the next writer.
#pragma once

#include <cstdint>

#include "store/data_file.h"

namespace kestrand {

// Called by lockAndRefresh with the access lock held: 0, or 1 when the first 512 bytes
// are not a header.
int32_t refreshFromDisk(DataFile& dataFile);

}  // namespace kestrand
