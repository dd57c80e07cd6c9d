// How processes share a data file. A shared reader holds one reader-slot byte, a writer
// holds the writer byte, and a commit holds all reader slots while it writes: readers
// never block each other, a commit waits until every reader has left and keeps new
// readers out until it ends, writers exclude each other. Files opened deny all or deny
// read take no access locks (number bytes are still locked by lockNumber).
#pragma once

#include <cstdint>

#include "store/data_file.h"

namespace kestrand {

// Takes the access lock (unless held) and brings header and cache up to date, completing
// or discarding a commit another process left unfinished. 0, 5 (lock refused), or 1 (the
// first 512 bytes are not a header).
int32_t lockAndRefresh(DataFile& dataFile, bool wait);
// Commits, then gives the access lock up. Returns the commit's result.
ErrorCode releaseAccess(DataFile& dataFile);
// Leaves read mode (giving up the reader slot first): the next access takes the writer byte.
void beginWrite(DataFile& dataFile);
// End of an operation: releaseAccess and back to read mode, unless enrolled in a transaction.
void endAccess(DataFile& dataFile);
// On: holds every reader slot (waiting until no other process reads). Off: gives them up.
void excludeReaders(DataFile& dataFile, bool on);
// The number byte of table or record number k, without waiting: 0 or the system error.
int32_t lockNumber(DataFile& dataFile, uint32_t k);
void unlockNumber(DataFile& dataFile, uint32_t k);
// Gives up the writer byte, every reader slot and the number byte of k.
void releaseAllLocks(DataFile& dataFile, uint32_t k);
// Drops the pending changes unwritten and deletes the file: 0 or the system error.
int32_t deleteDataFile(DataFile& dataFile);
uint32_t dataFileSize(DataFile& dataFile);

}  // namespace kestrand
