// The operating-system file behind a DiskFile: positioned I/O, size, flush, cut,
// delete, byte-range locks and the emulation of the sharing modes these files are
// opened with. Every failing service sets the platform's last-error value.
#pragma once

#include <cstdint>
#include <string>
#include <unistd.h>

namespace kestrand::platform {

// RAII owner of the descriptors of one open file. A default-constructed OsFile is the
// invalid handle.
class OsFile {
 public:
  OsFile() = default;
  ~OsFile() { reset(); }
  OsFile(OsFile&& other) noexcept : fd_(other.fd_), lockFd_(other.lockFd_) {
    other.fd_ = -1;
    other.lockFd_ = -1;
  }
  OsFile& operator=(OsFile&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = other.fd_;
      lockFd_ = other.lockFd_;
      other.fd_ = -1;
      other.lockFd_ = -1;
    }
    return *this;
  }
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  int lockFd() const { return lockFd_ >= 0 ? lockFd_ : fd_; }

  // Closes the descriptors; every lock they hold goes with them.
  void reset() {
    if (lockFd_ >= 0 && lockFd_ != fd_) ::close(lockFd_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    lockFd_ = -1;
  }

  // Takes over descriptors opened by the platform layer.
  void adopt(int fd, int lockFd) {
    reset();
    fd_ = fd;
    lockFd_ = lockFd;
  }

 private:
  int fd_ = -1;
  int lockFd_ = -1;  // a descriptor able to hold exclusive locks, when fd_ is not
};

}  // namespace kestrand::platform
