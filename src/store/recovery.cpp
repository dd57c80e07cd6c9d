#include "store/recovery.h"

#include "store/commit.h"
#include "store/page_cache.h"
#include "store/page_image.h"
#include "store/transaction_hooks.h"

namespace kestrand {

namespace {

// Reads the pending commit area into the relocation list and takes its header copy as
// the in-memory header. False when the area is incomplete or damaged: an image that
// cannot be read, has no size, runs past the area's end, or no header copy at the end.
bool scanCommitArea(DataFile& dataFile, uint32_t start, uint32_t end) {
  if (end < start) return false;
  uint8_t head[kHeaderBytes];
  uint32_t headerCopy = 0;
  bool sawHeader = false;
  for (uint32_t p = start; p != end;) {
    if (readAt(dataFile.diskFile, p, head, kHeaderBytes) < kHeaderBytes) return false;
    uint32_t size = imageLength(head);
    if (size == 0 || size > kMaxPageBytes || size > end - p) return false;
    uint32_t home = loadLe32(head);
    dataFile.relocations[home] = p;
    sawHeader = home == 0;
    if (sawHeader) headerCopy = p;
    p += size;
  }
  // The header copy is the area's last image.
  if (!sawHeader || end - headerCopy != kHeaderBytes) return false;
  FileHeader copy;
  if (readAt(dataFile.diskFile, headerCopy, copy.data(), kHeaderBytes) < kHeaderBytes) return false;
  if (!copy.hasSignature()) return false;
  dataFile.header = copy;
  return true;
}

void withWriterByteIfDenyWrite(DataFile& dataFile, bool take) {
  if (!dataFile.denyWrite) return;
  if (take)
    lockByte(dataFile.diskFile, 0, kLockWriter, true);
  else
    unlockByte(dataFile.diskFile, 0, kLockWriter);
}

}  // namespace

int32_t refreshFromDisk(DataFile& dataFile) {
  FileHeader& header = dataFile.header;
  bool mustRepair = dataFile.repairPending && !dataFile.readMode;
  if (!dataFile.shared && header.hasSignature() && !mustRepair) return 0;
  FileHeader onDisk;
  uint32_t got = readAt(dataFile.diskFile, 0, onDisk.data(), kHeaderBytes);
  if (got == 0) {
    // An empty file is a new data file.
    dataFile.committedHeader = FileHeader::fresh();
    if (header.hasSignature()) return 0;
    dropCache(dataFile);
    dataFile.modified = false;
    header = FileHeader::fresh();
    return 0;
  }
  if (got < kHeaderBytes || !onDisk.hasSignature()) return 1;
  if (onDisk.changeCount() <= header.changeCount() && header.hasSignature() && !mustRepair) return 0;
  dataFile.repairPending = false;
  dropCache(dataFile);
  dataFile.modified = false;
  header = onDisk;
  dataFile.committedHeader = onDisk;
  uint32_t start = onDisk.commitStart();
  uint32_t end = onDisk.commitEnd();
  if (start == end) return 0;

  bool complete = scanCommitArea(dataFile, start, end);
  if (!complete || transactionStillOpen(dataFile)) {
    dropCache(dataFile);
    readExact(dataFile.diskFile, 0, header.data(), kHeaderBytes);
    dataFile.committedHeader = header;
    if (dataFile.readMode) {
      dataFile.repairPending = true;
      return 0;
    }
    withWriterByteIfDenyWrite(dataFile, true);
    resetCommitArea(dataFile);
    withWriterByteIfDenyWrite(dataFile, false);
    return 0;
  }
  if (dataFile.readMode) {
    dataFile.repairPending = true;
    return 0;
  }
  dropCache(dataFile);
  withWriterByteIfDenyWrite(dataFile, true);
  copyCommitAreaHome(dataFile, start, end);
  resetCommitArea(dataFile);
  withWriterByteIfDenyWrite(dataFile, false);
  return 0;
}

}  // namespace kestrand
