// The process-wide registry of open data files: every table opened in one physical
// file shares one DataFile (one handle, one header copy, one page cache, one set of
// locks). An entry lives while it has holders.
//
// A physical file is recognised by its device and inode, not by its name: two names
// that differ only in letter case are two different files here, and sharing one
// DataFile between them would corrupt both. Only a file whose identity cannot be read
// is recognised by its path, compared exactly. A DataFile whose open failed is shared
// with nobody: a later open tries the file again.
#pragma once

#include <cstdint>
#include <string>

#include "filelayer/error_state.h"
#include "store/data_file.h"

namespace kestrand {

// The shared DataFile of the path, or a new one opened with the mode word and the
// password (both ignored when the file is shared already). `out` is set even when the
// result is an error, and must then be released like any other.
ErrorCode acquireDataFile(const std::string& path, const std::string& password, uint32_t mode, DataFile*& out);

// Drops one holder. The last one destroys the DataFile (committing what is pending);
// otherwise this holder's access lock is given up.
void releaseDataFile(DataFile& dataFile);

// How many holders the DataFile has (0 when it is not registered).
uint32_t dataFileHolders(const DataFile& dataFile);
// The number of registered DataFiles.
std::size_t registeredDataFiles();

}  // namespace kestrand
