#include "store/data_file_access.h"

#include "store/commit.h"
#include "store/recovery.h"

namespace kestrand {

int32_t lockAndRefresh(DataFile& dataFile, bool wait) {
  if (dataFile.accessLocked) return 0;
  if (dataFile.shared) {
    int kind = dataFile.readMode ? kLockReaderSlot : kLockWriter;
    if (lockByte(dataFile.diskFile, 0, kind, wait) != 0) return 5;
  }
  dataFile.accessLocked = true;
  return refreshFromDisk(dataFile);
}

ErrorCode releaseAccess(DataFile& dataFile) {
  ErrorCode result = commit(dataFile);
  if (dataFile.accessLocked) {
    dataFile.accessLocked = false;
    if (dataFile.shared)
      unlockByte(dataFile.diskFile, 0, dataFile.readMode ? kLockReaderSlot : kLockWriter);
  }
  return result;
}

void beginWrite(DataFile& dataFile) {
  if (dataFile.readMode) releaseAccess(dataFile);
  dataFile.readMode = false;
}

void endAccess(DataFile& dataFile) {
  if (dataFile.enrolled) return;
  releaseAccess(dataFile);
  dataFile.readMode = true;
}

void excludeReaders(DataFile& dataFile, bool on) {
  if (!dataFile.shared && !dataFile.denyWrite) return;
  if (on && !dataFile.readersExcluded) {
    lockByte(dataFile.diskFile, 0, kLockAllReaders, true);
    dataFile.readersExcluded = true;
  } else if (!on && dataFile.readersExcluded) {
    unlockByte(dataFile.diskFile, 0, kLockAllReaders);
    dataFile.readersExcluded = false;
  }
}

int32_t lockNumber(DataFile& dataFile, uint32_t k) { return lockByte(dataFile.diskFile, k + 1, 0, false); }

void unlockNumber(DataFile& dataFile, uint32_t k) { unlockByte(dataFile.diskFile, k + 1, 0); }

void releaseAllLocks(DataFile& dataFile, uint32_t k) {
  unlockByte(dataFile.diskFile, 0, kLockWriter);
  unlockByte(dataFile.diskFile, 0, kLockReaderSlot);
  unlockByte(dataFile.diskFile, 0, kLockAllReaders);
  excludeReaders(dataFile, false);
  unlockNumber(dataFile, k);
}

int32_t deleteDataFile(DataFile& dataFile) {
  dataFile.modified = false;
  return deleteDiskFile(dataFile.diskFile);
}

uint32_t dataFileSize(DataFile& dataFile) { return diskFileSize(dataFile.diskFile); }

}  // namespace kestrand
