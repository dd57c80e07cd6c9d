// Making changes durable. Changes live in the page cache until a commit writes them in
// two phases through a commit area behind the used part of the file, so that the file
// reads as the old or the new state whatever moment the process dies at.
//
// Commit area (from the header's commit start to its commit end): complete page images,
// each beginning with its home offset and occupying its stored size rounded up to 256,
// followed last by a 512-byte copy of the new header (home offset 0). No commit is
// pending when commit start equals commit end.
#pragma once

#include <cstdint>
#include <vector>

#include "store/data_file.h"

namespace kestrand {

// commitPrepare, then commitFinish when it succeeded; the result of commitPrepare.
ErrorCode commit(DataFile& dataFile);
// Phase 1: 0, or the system error of a failed write (the changes are then abandoned and
// the file keeps its last committed state).
ErrorCode commitPrepare(DataFile& dataFile);
// Phase 2: always 0 (a failed write leaves the complete commit area for recovery).
ErrorCode commitFinish(DataFile& dataFile);
// Forgets every uncommitted change.
void abandonChanges(DataFile& dataFile);

// Puts the header at offset 0 back to no pending commit (commit bounds at the end of
// its used part) and raises its change count; the in-memory header is not changed.
void resetCommitArea(DataFile& dataFile);
// Roll forward: writes every image of the area from `start` to `end` to its home offset,
// the header copy last.
void copyCommitAreaHome(DataFile& dataFile, uint32_t start, uint32_t end);

}  // namespace kestrand
