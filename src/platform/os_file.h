// The operating-system file behind a DiskFile: open with access and sharing modes,
// positioned I/O, size, flush, cut, byte-range locks, and delete or move by name.
// Every failing service sets the platform's last-error value (last_error.h) and
// returns false.
//
// Byte-range locks are open-file-description locks (F_OFD_*): they belong to one open,
// so two opens inside one process exclude each other like two processes do, and
// closing some other descriptor of the file drops none of them. They are released
// when the OsFile is closed or its process ends.
//
// Lock descriptor. An exclusive lock needs a descriptor open for writing, yet a file
// opened for reading must still take exclusive reader slots and number bytes. Locks
// are therefore placed through lockFd():
//   - the data descriptor itself when it was opened for reading and writing;
//   - otherwise a second descriptor opened O_RDWR on the same file just for locks,
//     when the process may open the file for writing (it never writes through it);
//   - otherwise (a file this process may not write) the read-only data descriptor,
//     and exclusive requests are placed as shared read locks. Such an open still keeps
//     every writer out, but two such opens can share a byte with each other.
//     exclusiveLocks() tells which case holds.
//
// Sharing modes. The system these files come from checks every open against the
// opens already there: an open is refused with a sharing violation (32) when it asks
// for an access another open denies, or denies an access another open has. Linux has
// nothing of the kind; it is emulated with shared read locks on marker bytes above
// 4 GiB (the lock protocol of the data files stays below 2^32): each open holds the
// marker "open", one marker per access it has (read, write) and one per access it
// denies. Opening takes its markers first and then looks for conflicting markers of
// other opens (F_OFD_GETLK), and gives its markers back when it finds one; so of two
// conflicting opens at least one always sees the other. Opens that can place exclusive
// locks do this under a short exclusive gate lock, so they never refuse each other
// spuriously; opens of the read-only fallback go without the gate, and two of them
// that race may both be refused.
//
// Deleting or moving a file takes markers that deny everything and refuses with 32
// while any other open holds the file (Linux would unlink it under that open and its
// data would be lost). An open that raced with a completed delete notices that its
// file is gone and opens the name again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrand::platform {

enum class Disposition {
  openExisting,  // the file must exist
  openAlways,    // open it, creating it when missing
  createAlways,  // a new, empty file: an existing one is cut to 0 bytes
};

struct OpenMode {
  bool read = true;
  bool write = false;
  bool shareRead = true;   // other opens may read
  bool shareWrite = true;  // other opens may write
  Disposition disposition = Disposition::openExisting;
  bool randomAccess = true;  // the access-pattern hint
};

// RAII owner of the descriptors of one open file. A default-constructed OsFile is the
// invalid handle; every service on it fails with "invalid handle" (6).
class OsFile {
 public:
  OsFile() = default;
  ~OsFile() { reset(); }
  OsFile(OsFile&& other) noexcept;
  OsFile& operator=(OsFile&& other) noexcept;
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  // Opens or creates `path` (passed to the system unchanged). On failure the OsFile is
  // left invalid and false is returned: a sharing conflict is 32, a directory or other
  // non-regular file 5, a missing file 2 (3 when its directory is missing too).
  bool open(const std::string& path, const OpenMode& mode);

  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  int lockFd() const { return lockFd_ >= 0 ? lockFd_ : fd_; }
  bool exclusiveLocks() const { return exclusiveLocks_; }

  // Closes the descriptors; every lock and sharing marker they hold goes with them.
  void reset();

  // Transfers of the whole length unless the file ends (reads) or the system refuses.
  // `done` is the count transferred, also when false is returned.
  bool readAt(uint64_t offset, void* buffer, std::size_t length, std::size_t& done) const;
  bool writeAt(uint64_t offset, const void* buffer, std::size_t length, std::size_t& done) const;
  bool flush() const;
  bool truncate(uint64_t length) const;
  bool size(uint64_t& bytes) const;

  // One attempt, never waiting: false with 33 (lock violation) when another open
  // holds a conflicting lock. Exclusive unless exclusiveLocks() is false (see above).
  // As on the system these files come from, locks of one open do not stack: a range
  // that overlaps one this open holds is refused too, and only a range exactly as it
  // was locked can be unlocked (158 "not locked" otherwise).
  bool lockRange(uint64_t offset, uint64_t length);
  bool unlockRange(uint64_t offset, uint64_t length);

 private:
  struct HeldRange {
    uint64_t offset;
    uint64_t length;
  };

  int fd_ = -1;
  int lockFd_ = -1;  // the separate locking descriptor, when there is one
  bool exclusiveLocks_ = false;
  std::vector<HeldRange> held_;  // the ranges this open has locked
};

// Deletes the file `path`; refused with 32 while another open holds it.
bool deleteFile(const std::string& path);
// Moves `from` to `to`, which must not exist (80 when it does); refused with 32 while
// another open holds `from`.
bool moveFile(const std::string& from, const std::string& to);

}  // namespace kestrand::platform
