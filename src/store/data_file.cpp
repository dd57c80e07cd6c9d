#include "store/data_file.h"

#include "store/commit.h"
#include "store/data_file_access.h"
#include "store/page_cache.h"

namespace kestrand {

namespace {
FileHeader unsignedFreshHeader() {
  FileHeader header = FileHeader::fresh();
  header.clearSignature();
  return header;
}
}  // namespace

DataFile::DataFile() : header(unsignedFreshHeader()), committedHeader(FileHeader::fresh()) {}

DataFile::~DataFile() { dropCache(*this); }

void initDataFile(DataFile& dataFile) {
  dropCache(dataFile);
  dataFile.dirtyPageCount = 0;
  dataFile.nextEnrolled = nullptr;
  dataFile.enrolled = false;
  dataFile.readersExcluded = false;
  closeDiskFile(dataFile.diskFile);
  dataFile.diskFile = DiskFile();
  dataFile.shared = false;
  dataFile.denyWrite = false;
  dataFile.readMode = false;
  dataFile.headerValid = false;
  dataFile.modified = false;
  dataFile.accessLocked = false;
  dataFile.repairPending = false;
  dataFile.oldEnd = 0;
  dataFile.temporaryCounter = 0;
  dataFile.header = unsignedFreshHeader();
  dataFile.committedHeader = FileHeader::fresh();
  dataFile.useClock = 0;
  dataFile.cleanPageCount = 0;
}

ErrorCode openDataFile(DataFile& dataFile, const std::string& name, uint32_t flags, const std::string& password) {
  uint32_t share = flags & 0x70;
  dataFile.readMode = true;
  dataFile.shared = share == 0x00 || share == 0x40;
  dataFile.denyWrite = share == 0x20;
  if (ErrorCode result = openDiskFile(dataFile.diskFile, name, flags, password); result != 0) return result;
  int32_t result = lockAndRefresh(dataFile, true);
  if (result != 0) {
    closeDiskFile(dataFile.diskFile);
    dataFile.diskFile = DiskFile();
    dataFile.accessLocked = false;
    return result == 1 ? 36 : result;
  }
  dataFile.headerValid = true;
  return 0;
}

void destroyDataFile(DataFile& dataFile) {
  releaseAccess(dataFile);
  commit(dataFile);
  dropCache(dataFile);
  closeDiskFile(dataFile.diskFile);
}

}  // namespace kestrand
