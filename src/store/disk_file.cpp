#include "store/disk_file.h"

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/last_error.h"
#include "store/corruption.h"

namespace kestrand {

namespace {

namespace syserr = platform::syserr;

constexpr uint32_t kNumberBytes = 1024;  // number byte of argument m: kLockBase + 1024 + m
// A waiting lock tries this many times at once, then pauses briefly between attempts
// so that a long wait (a commit of another process) does not burn a core.
constexpr int kImmediateAttempts = 3;
constexpr auto kRetryPause = std::chrono::milliseconds(1);

void forEachBlock(uint8_t* buffer, uint32_t length, void (*transform)(const KeySchedule&, uint8_t*),
                  const KeySchedule& key) {
  for (uint32_t at = 0; at < length; at += kCipherBlockBytes) transform(key, buffer + at);
}

// The system error just set by a failed service; never 0, so a failure cannot pass as
// success.
uint32_t takeFailure() {
  uint32_t error = platform::takeLastError();
  return error != 0 ? error : syserr::kGeneralFailure;
}

platform::OpenMode ownPathMode(uint32_t flags) {
  platform::OpenMode mode;
  mode.read = true;
  mode.write = (flags & 0x3) != 0;  // write only also gets read and write
  switch (flags & 0x30) {
    case 0x20:
      mode.shareRead = true;
      mode.shareWrite = false;
      break;
    case 0x00:  // also 0x40, deny none
      mode.shareRead = true;
      mode.shareWrite = true;
      break;
    default:  // 0x10 deny all, 0x30 deny read
      mode.shareRead = false;
      mode.shareWrite = false;
      break;
  }
  mode.disposition = (flags & kOpenTruncate) != 0 ? platform::Disposition::createAlways
                                                  : platform::Disposition::openAlways;
  return mode;
}

platform::OpenMode existingFileMode(uint32_t flags) {
  platform::OpenMode mode;
  mode.read = (flags & 0x3) != 1;
  mode.write = (flags & 0x3) == 1 || (flags & 0x3) == 2;
  const uint32_t share = flags & 0x70;
  mode.shareRead = share == 0x00 || share == 0x40 || share == 0x20;
  mode.shareWrite = share == 0x00 || share == 0x40 || share == 0x30;
  mode.disposition = platform::Disposition::openExisting;
  return mode;
}

ErrorCode ownPathError(uint32_t error) {
  return error == syserr::kSharingViolation ? 5 : static_cast<ErrorCode>(error);
}

ErrorCode existingFileError(uint32_t error) {
  switch (error) {
    case syserr::kSharingViolation:
      return 5;  // "Access Denied"
    case syserr::kInvalidName:
      return 45;  // "Invalid Filename"
    case syserr::kBadPathName:
      return 3;  // "Path Not Found"
    default:
      return static_cast<ErrorCode>(error);
  }
}

struct LockRange {
  uint32_t offset;
  uint32_t length;
};

// Offsets are kLockBase + n in unsigned 32-bit arithmetic: the sum wraps.
LockRange lockRangeOf(const DiskFile& file, uint32_t number, int kind) {
  if (number != 0) return {kLockBase + kNumberBytes + number, 1};
  switch (kind) {
    case kLockWriter:
      return {kLockBase + kWriterByte, 1};
    case kLockReaderSlot:
      return {kLockBase + file.readerSlot, 1};
    default:
      return {kLockBase, kReaderSlots};
  }
}

bool validKind(uint32_t number, int kind) {
  return number != 0 ? kind == 0 : kind == kLockWriter || kind == kLockReaderSlot || kind == kLockAllReaders;
}

}  // namespace

DiskFile::DiskFile() : readerSlot(platform::ticksSinceStart() % kReaderSlots) {}

ErrorCode openDiskFile(DiskFile& file, const std::string& name, uint32_t flags, const std::string& password) {
  file.handle.reset();
  file.keySchedule.reset();
  const bool ownPath = (flags & kOpenOwnPath) != 0;
  // File names go to the system unchanged: its file services take them as they are.
  platform::setLastError(0);
  const bool opened = file.handle.open(name, ownPath ? ownPathMode(flags) : existingFileMode(flags));
  file.fileName = name;
  if (!opened) {
    uint32_t error = takeFailure();
    return ownPath ? ownPathError(error) : existingFileError(error);
  }
  if (!password.empty()) file.keySchedule = buildKeySchedule(password);
  return 0;
}

void closeDiskFile(DiskFile& file) {
  file.handle.reset();
  file.keySchedule.reset();
  file.fileName.clear();
}

int32_t deleteDiskFile(DiskFile& file) {
  file.handle.reset();
  platform::setLastError(0);
  if (platform::deleteFile(file.fileName)) return 0;
  return static_cast<int32_t>(takeFailure());
}

uint32_t readAt(DiskFile& file, uint32_t offset, uint8_t* buffer, uint32_t length) {
  if (length % kCipherBlockBytes != 0) reportCorruption(2272);
  if (!file.handle.valid()) return 0;
  // Positioned reads cannot miss their offset, so report 2341 has no cause here.
  std::size_t done = 0;
  platform::setLastError(0);
  if (!file.handle.readAt(offset, buffer, length, done)) reportCorruption(2277);
  if (done < length) return static_cast<uint32_t>(done);  // left as read, not deciphered
  if (file.keySchedule) forEachBlock(buffer, length, decryptBlock, *file.keySchedule);
  return length;
}

void readExact(DiskFile& file, uint32_t offset, uint8_t* buffer, uint32_t length) {
  if (readAt(file, offset, buffer, length) != length) reportCorruption(2172);
}

void writeAt(DiskFile& file, uint32_t offset, uint8_t* buffer, uint32_t length) {
  if (length % kCipherBlockBytes != 0) reportCorruption(2286);
  if (!file.handle.valid() || file.stickyWriteError != 0) return;
  if (file.keySchedule) forEachBlock(buffer, length, encryptBlock, *file.keySchedule);
  std::size_t done = 0;
  platform::setLastError(0);
  if (!file.handle.writeAt(offset, buffer, length, done)) {
    file.stickyWriteError = static_cast<int32_t>(takeFailure());
  } else if (done < length) {
    file.stickyWriteError = syserr::kAccessDenied;
  }
  if (file.keySchedule) forEachBlock(buffer, length, decryptBlock, *file.keySchedule);
}

void flushFile(DiskFile& file) {
  if (!file.handle.valid()) return;
  platform::setLastError(0);
  (void)file.handle.flush();
}

void truncateAt(DiskFile& file, uint32_t offset) {
  if (!file.handle.valid()) return;
  platform::setLastError(0);
  (void)file.handle.truncate(offset);
}

uint32_t diskFileSize(DiskFile& file) {
  if (!file.handle.valid()) return 0;
  uint64_t bytes = 0;
  platform::setLastError(0);
  if (!file.handle.size(bytes)) return 0;
  return static_cast<uint32_t>(bytes);  // the low 32 bits
}

int32_t lockByte(DiskFile& file, uint32_t number, int kind, bool wait) {
  if (!validKind(number, kind)) reportCorruption(2328);
  if (!file.handle.valid()) return 0;
  for (int attempt = 1;; ++attempt) {
    const LockRange range = lockRangeOf(file, number, kind);
    platform::setLastError(0);
    if (file.handle.lockRange(range.offset, range.length)) return 0;
    const uint32_t error = takeFailure();
    if (number == 0 && kind == kLockReaderSlot) file.readerSlot = (file.readerSlot + 1) % kReaderSlots;
    if (!wait && attempt >= kImmediateAttempts) return static_cast<int32_t>(error);
    if (attempt >= kImmediateAttempts) std::this_thread::sleep_for(kRetryPause);
  }
}

void unlockByte(DiskFile& file, uint32_t number, int kind) {
  if (!validKind(number, kind)) reportCorruption(2352);
  if (!file.handle.valid()) return;
  const LockRange range = lockRangeOf(file, number, kind);
  platform::setLastError(0);
  (void)file.handle.unlockRange(range.offset, range.length);
}

}  // namespace kestrand
