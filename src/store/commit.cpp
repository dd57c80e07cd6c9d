// The two-phase commit.
//
// Invariants (on disk, at every moment a write can be interrupted):
//   1. The header at offset 0 either names no commit area and describes the last
//      committed state, or names a complete commit area that ends with the new header.
//   2. Until phase 1 writes offset 0, nothing inside the committed state's used part
//      (below `oldEnd`, the end of the last committed state) is written: pages whose home
//      lies there go into the commit area, which starts at or beyond that end.
//   3. The header written by phase 1 is the last committed header (kept in
//      committedHeader), changed only in its commit bounds; so a roll back restores
//      exactly that state.
//   4. Offset 0 is written by phase 1 only after the commit area is flushed, and phase 2
//      writes pages home only after that header is flushed.
//   5. A reading process never writes.
#include "store/commit.h"

#include <algorithm>

#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "store/page_cache.h"
#include "store/page_image.h"
#include "store/page_tree.h"

namespace kestrand {

namespace {

uint32_t roundedImageLength(const std::vector<uint8_t>& image) { return uint32_t(image.size()); }

void serialize(PageNode& page) {
  std::vector<StoreRecord*> records;
  records.reserve(page.recordCount());
  treeCollect(page.tree, records);
  std::vector<PageEntry> entries;
  entries.reserve(records.size());
  for (StoreRecord* record : records) entries.push_back({record->bytes(), record->keyLength, record->totalLength});
  page.image = serializePage(entries, page.level, page.sizeEstimate);
}

void writeChildren(PageNode& page) {
  std::vector<int32_t> children;
  children.reserve(page.recordCount());
  for (StoreRecord* x = treeFirst(page.tree); x != nullptr; x = treeSuccessor(x)) children.push_back(x->childPage);
  setImageChildren(page.image.data(), children);
}

// Writes an image (length bytes) at its home offset, or, in mode 1 when that lies inside
// the committed state, at the commit area's end, which it extends. Returns the position.
uint32_t writeImage(DataFile& dataFile, uint8_t* image, uint32_t length, int mode) {
  uint32_t home = loadLe32(image);
  uint32_t position = home;
  if (mode == 1 && home < uint32_t(dataFile.oldEnd)) {
    position = dataFile.header.commitEnd();
    dataFile.header.setCommitEnd(position + length);
  }
  writeAt(dataFile.diskFile, position, image, length);
  return position;
}

// One pass over the pages dirty when it starts, in dirty-ring order. Mode 0 serialises
// each and gives it a slot of its size; mode 1 writes each home, or into the commit area
// when its home lies inside the committed state; mode 2 writes the rest home. A page
// written home leaves the cache.
void writeDirtyPages(DataFile& dataFile, int mode) {
  uint32_t n = dataFile.dirtyPageCount;
  PageNode* page = dataFile.dirtyRing;
  for (uint32_t i = 0; i < n; ++i) {
    PageNode* next = page->ringNext;
    if (page->image.empty()) serialize(*page);
    if (mode == 0) {
      placePage(dataFile, page->number, int(roundedImageLength(page->image) / kPageUnitBytes));
    } else {
      if (mode == 1 && page->level != 0) writeChildren(*page);
      uint32_t home = pageOffset(page->number);
      setImageHomeOffset(page->image.data(), home);
      uint32_t position = writeImage(dataFile, page->image.data(), roundedImageLength(page->image), mode);
      if (position == home) destroyPage(*page);
    }
    page = next;
  }
}

}  // namespace

ErrorCode commitPrepare(DataFile& dataFile) {
  if (dataFile.enrolled || !dataFile.modified) return 0;
  if (!dataFile.headerValid) {
    abandonChanges(dataFile);
    return dataFile.diskFile.stickyWriteError;
  }
  // A reading process never writes; the only change it can hold is the sentinel of a
  // tree that was never committed, which stays in its cache.
  if (dataFile.readMode) return 0;
  excludeReaders(dataFile, true);
  FileHeader& header = dataFile.header;
  dataFile.oldEnd = int32_t(endOfUsed(dataFile.committedHeader));
  writeDirtyPages(dataFile, 0);
  compactRegions(dataFile);
  uint32_t start = std::max(endOfUsed(header), uint32_t(dataFile.oldEnd));
  header.setCommitStart(start);
  header.setCommitEnd(start);
  header.setChangeCount(header.changeCount() + 1);
  dataFile.diskFile.stickyWriteError = 0;
  writeDirtyPages(dataFile, 1);
  uint32_t copyAt = header.commitEnd();
  header.setCommitEnd(copyAt + kHeaderBytes);
  writeAt(dataFile.diskFile, copyAt, header.data(), kHeaderBytes);
  if (int32_t error = dataFile.diskFile.stickyWriteError; error != 0) {
    abandonChanges(dataFile);
    return error;
  }
  flushFile(dataFile.diskFile);
  FileHeader pointing = dataFile.committedHeader;
  pointing.setCommitStart(header.commitStart());
  pointing.setCommitEnd(header.commitEnd());
  writeAt(dataFile.diskFile, 0, pointing.data(), kHeaderBytes);
  if (int32_t error = dataFile.diskFile.stickyWriteError; error != 0) {
    // Offset 0 does not name the area: phase 2 must not write pages home.
    abandonChanges(dataFile);
    return error;
  }
  flushFile(dataFile.diskFile);
  return 0;
}

ErrorCode commitFinish(DataFile& dataFile) {
  if (dataFile.enrolled || !dataFile.modified) return 0;
  if (!dataFile.headerValid) {
    abandonChanges(dataFile);
    return 0;
  }
  if (dataFile.readMode) return 0;
  writeDirtyPages(dataFile, 2);
  writeAt(dataFile.diskFile, 0, dataFile.header.data(), kHeaderBytes);
  if (dataFile.diskFile.stickyWriteError == 0) dataFile.committedHeader = dataFile.header;
  resetCommitArea(dataFile);
  if (dataFile.diskFile.stickyWriteError != 0) {
    // The file still names the complete commit area: make the next access read the
    // header again, which rolls the commit forward.
    dataFile.header.clearSignature();
  }
  excludeReaders(dataFile, false);
  dataFile.modified = false;
  return 0;
}

ErrorCode commit(DataFile& dataFile) {
  ErrorCode result = commitPrepare(dataFile);
  if (result == 0) commitFinish(dataFile);
  return result;
}

void resetCommitArea(DataFile& dataFile) {
  flushFile(dataFile.diskFile);
  FileHeader scratch;
  readExact(dataFile.diskFile, 0, scratch.data(), kHeaderBytes);
  uint32_t end = endOfUsed(scratch);
  scratch.setCommitStart(end);
  scratch.setCommitEnd(end);
  scratch.setChangeCount(scratch.changeCount() + 1);
  writeAt(dataFile.diskFile, 0, scratch.data(), kHeaderBytes);
  if (dataFile.diskFile.stickyWriteError == 0) dataFile.committedHeader = scratch;
  flushFile(dataFile.diskFile);
}

void copyCommitAreaHome(DataFile& dataFile, uint32_t start, uint32_t end) {
  std::vector<uint8_t> image(kMaxPageBytes);
  for (uint32_t p = start; p != end;) {
    readExact(dataFile.diskFile, p, image.data(), kPageUnitBytes);
    uint32_t size = imageLength(image.data());
    if (size == 0 || size > kMaxPageBytes || size > end - p) break;  // the scan validated the area
    if (size > kPageUnitBytes) readExact(dataFile.diskFile, p + kPageUnitBytes, image.data() + kPageUnitBytes, size - kPageUnitBytes);
    writeAt(dataFile.diskFile, loadLe32(image.data()), image.data(), size);
    p += size;
  }
}

void abandonChanges(DataFile& dataFile) {
  if (dataFile.modified) {
    dataFile.modified = false;
    dataFile.header.clearSignature();
    dropCache(dataFile);
    releaseAccess(dataFile);
  }
  excludeReaders(dataFile, false);
}

}  // namespace kestrand
