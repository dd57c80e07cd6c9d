// One open data file in memory: its disk file, its header copy and its page cache.
// All tables of one physical file share one DataFile. A DataFile that is initialised
// and never opened is a memory-only store: unshared, in write mode, taking no locks,
// whose pages are never written (committing or abandoning it discards its records).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "filelayer/error_state.h"
#include "store/disk_file.h"
#include "store/file_header.h"
#include "store/page_node.h"

namespace kestrand {

inline constexpr uint32_t kPageHashBuckets = 100;

struct DataFile {
  uint32_t dirtyPageCount = 0;
  DataFile* nextEnrolled = nullptr;  // transaction chain
  bool enrolled = false;             // commits and endAccess deferred to the transaction
  bool readersExcluded = false;      // all reader slots held
  DiskFile diskFile;
  bool shared = false;     // share bits 0x00 or 0x40
  bool denyWrite = false;  // share bits 0x20
  bool readMode = false;   // access lock is a reader slot (else the writer byte)
  bool headerValid = false;
  bool modified = false;
  bool accessLocked = false;
  // A pending commit area was read around (read mode) but not repaired: the next access in
  // write mode must look at the file again, whatever the change counts say.
  bool repairPending = false;
  int32_t oldEnd = 0;              // end of the committed used part while committing
  int32_t temporaryCounter = 0;    // decreased before each use
  FileHeader header;               // as last read, or as changed since
  // The header as last read from or written to offset 0: the last committed state, which
  // the first commit phase writes back at offset 0 (with the commit area's bounds).
  FileHeader committedHeader;
  // Bucket b holds (and owns) the pages whose number, as unsigned, is b mod 100; each
  // bucket is itself hashed, so a commit of tens of thousands of pages still finds a
  // page at once.
  std::array<std::unordered_map<int32_t, std::unique_ptr<PageNode>>, kPageHashBuckets> pageHash;
  std::unordered_map<uint32_t, uint32_t> relocations;  // home offset -> commit area position
  uint32_t useClock = 0;
  PageNode* cleanRing = nullptr;  // oldest clean page; newest at its prev
  uint32_t cleanPageCount = 0;
  PageNode* dirtyRing = nullptr;  // first page that became dirty
  // Buffers reused by every page load.
  std::vector<uint8_t> loadImage;
  std::vector<StoreRecord*> loadRecords;
  std::vector<int32_t> loadChildren;

  DataFile();
  ~DataFile();  // frees the cache without writing anything
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;
};

// Everything off, a fresh unopened disk file, header stored size 512.
void initDataFile(DataFile& dataFile);
// Opens the disk file and reads the header (repairing an unfinished commit). Returns the
// disk file's error, 5 when the access lock is refused, or 36 for a file whose first
// 512 bytes are not a header; on failure the disk file is fresh and unopened again.
ErrorCode openDataFile(DataFile& dataFile, const std::string& name, uint32_t flags, const std::string& password);
// Commits what is pending, empties the cache and closes the disk file.
void destroyDataFile(DataFile& dataFile);

}  // namespace kestrand
