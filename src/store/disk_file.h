// The physical data file: positioned transfers in multiples of 64 bytes, enciphered
// on the way when a password is given, flush, cut, size, delete, and the byte-range
// locks through which processes share the file. An invalid handle makes every
// operation a silent no-op (reads give 0 bytes), so a never-opened DataFile works as
// a memory-only store.
//
// Lock protocol (offsets 0x80000000 + n, n added modulo 2^32, 1-byte ranges):
//   n = 0..1022       reader slots: a reading process holds one
//   n = 1023          writer byte: the process in write mode
//   n = 1025 + k      number byte of table or record number k (1024 is never used)
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "filelayer/error_state.h"
#include "platform/os_file.h"
#include "store/page_cipher.h"

namespace kestrand {

inline constexpr uint32_t kLockBase = 0x80000000u;
inline constexpr uint32_t kReaderSlots = 1023;
inline constexpr uint32_t kWriterByte = 1023;

// Open flags: access in bits 0-1, sharing in bits 4-6, and:
inline constexpr uint32_t kOpenOwnPath = 0x100;   // the driver's own create-or-open
inline constexpr uint32_t kOpenTruncate = 0x200;  // with 0x100: always a new, empty file

// Lock kinds of lockByte/unlockByte with number 0.
enum LockKind : int { kLockWriter = 0, kLockReaderSlot = 1, kLockAllReaders = 2 };

struct DiskFile {
  DiskFile();  // draws the reader slot: (hundredths of a second since start) mod 1023

  int32_t stickyWriteError = 0;  // first failed write since last cleared; blocks writes
  std::string fileName;          // as given to openDiskFile, kept when the open fails
  uint32_t readerSlot = 0;       // 0..1022
  platform::OsFile handle;       // invalid when not open
  std::optional<KeySchedule> keySchedule;
};

// Own path (0x100): read only or read and write, created when missing (0x200: always
// new), a sharing violation given as 5. Otherwise the file must exist: 32 -> 5,
// 123 -> 45, 161 -> 3, other system errors unchanged (2, 3, ...). The name is kept
// either way; a non-empty password gives the key schedule.
ErrorCode openDiskFile(DiskFile& file, const std::string& name, uint32_t flags, const std::string& password);
void closeDiskFile(DiskFile& file);
// Closes the handle and deletes the file by its stored name: 0 or the system error.
int32_t deleteDiskFile(DiskFile& file);

// Bytes read; a short read comes back undeciphered. Reports 2272 and 2277 (2341, a
// missed position, cannot arise: reads are positioned by the system call itself).
uint32_t readAt(DiskFile& file, uint32_t offset, uint8_t* buffer, uint32_t length);
// The full length or report 2172.
void readExact(DiskFile& file, uint32_t offset, uint8_t* buffer, uint32_t length);
// Failures go to the sticky write error; the buffer comes back unchanged. Report 2286.
void writeAt(DiskFile& file, uint32_t offset, uint8_t* buffer, uint32_t length);
void flushFile(DiskFile& file);
void truncateAt(DiskFile& file, uint32_t offset);
uint32_t diskFileSize(DiskFile& file);

// number != 0: the number byte 1024 + number (kind must be 0: reports 2328/2352).
// number == 0: kind 0 writer byte, 1 this process's reader slot, 2 all reader slots
// (any other kind: the same reports). A failed kind-1 attempt moves the reader slot on.
// Without wait at most three attempts; with wait until granted, pausing briefly between
// attempts after the first three. 0 or the system error (33 when the range is taken).
// Locks of one DiskFile do not stack: a range overlapping one it holds is refused.
int32_t lockByte(DiskFile& file, uint32_t number, int kind, bool wait);
void unlockByte(DiskFile& file, uint32_t number, int kind);

}  // namespace kestrand
