#include "platform/os_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fault_seam.h"
#include "platform/last_error.h"
#include "platform/share_markers.h"

namespace kestrand::platform {

namespace {

// The system's "the segment is already unlocked".
constexpr uint32_t kNotLocked = 158;
// An open that keeps finding its file deleted or replaced under it gives up.
constexpr int kOpenAttempts = 16;

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = other.release();
    }
    return *this;
  }
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

// O_NONBLOCK keeps a FIFO given as a file name from blocking the open; it is cleared
// again for the regular files that are kept.
UniqueFd openDescriptor(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  return UniqueFd(fd);
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether `path` still names the file open as `fd`, with a link left.
bool stillNamed(int fd, const std::string& path) {
  struct stat open {};
  struct stat named {};
  if (::fstat(fd, &open) != 0 || open.st_nlink == 0) return false;
  return ::stat(path.c_str(), &named) == 0 && sameFile(open, named);
}

// A second descriptor for locking, open for reading and writing, on the same file.
UniqueFd openLockDescriptor(const std::string& path, int dataFd) {
  UniqueFd fd = openDescriptor(path, O_RDWR);
  struct stat data {};
  struct stat lock {};
  if (fd.get() < 0 || ::fstat(dataFd, &data) != 0 || ::fstat(fd.get(), &lock) != 0 || !sameFile(data, lock)) {
    return UniqueFd();
  }
  return fd;
}

void syncDirectoryOf(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  std::string dir = slash == std::string::npos ? std::string(".")
                    : slash == 0                ? std::string("/")
                                                : path.substr(0, slash);
  UniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) (void)::fsync(fd.get());
}

bool openForWriting(int fd) {
  int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
}

bool failWithInvalidHandle() {
  setLastError(syserr::kInvalidHandle);
  return false;
}

// A write or cut through a descriptor not open for writing is "access denied" there.
bool failWrite(int fd, int err) {
  if ((err == EBADF || err == EINVAL) && !openForWriting(fd)) {
    setLastError(syserr::kAccessDenied);
  } else {
    setLastErrorFromErrno(err, IoKind::write);
  }
  return false;
}

// Claims `claim` through `fd` under `gate` (taken by the caller, who keeps it for what
// follows); false with the last error set: 32 for a conflict.
bool claimUnderGate(const share::Gate& gate, int fd, const share::Claim& claim) {
  int err = gate.error();
  share::Outcome outcome = err != 0 ? share::Outcome::failed : share::claim(fd, claim, err);
  if (outcome == share::Outcome::granted) return true;
  if (outcome == share::Outcome::conflict) {
    setLastError(syserr::kSharingViolation);
  } else {
    setLastErrorFromErrno(err);
  }
  return false;
}

// Runs `change` on `path` (unlink or rename) while holding a claim on everything of
// the file, so that no open of it exists meanwhile and none can appear.
template <typename Change>
bool changeUnheld(const std::string& path, Change change) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    bool exclusive = true;
    UniqueFd fd = openDescriptor(path, O_RDWR);
    if (fd.get() < 0 && errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG && errno != ELOOP) {
      exclusive = false;
      fd = openDescriptor(path, O_RDONLY);
    }
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
      // Nothing this process can open for locks (missing, a directory, unreadable):
      // no open of the emulation can hold it either; the system gives its own answer.
      if (change() == 0) return true;
      setLastErrorForPath(errno, path);
      return false;
    }
    share::Gate gate(fd.get(), exclusive);
    if (!claimUnderGate(gate, fd.get(), share::Claim{.everything = true})) return false;
    if (!stillNamed(fd.get(), path)) continue;  // replaced meanwhile: look again
    if (change() != 0) {
      setLastErrorForPath(errno, path);
      return false;
    }
    return true;  // the claim goes with the descriptor, after the change
  }
  setLastError(syserr::kSharingViolation);
  return false;
}

}  // namespace

OsFile::OsFile(OsFile&& other) noexcept
    : fd_(other.fd_), lockFd_(other.lockFd_), exclusiveLocks_(other.exclusiveLocks_), held_(std::move(other.held_)) {
  other.fd_ = -1;
  other.lockFd_ = -1;
  other.exclusiveLocks_ = false;
  other.held_.clear();
}

OsFile& OsFile::operator=(OsFile&& other) noexcept {
  if (this != &other) {
    reset();
    fd_ = other.fd_;
    lockFd_ = other.lockFd_;
    exclusiveLocks_ = other.exclusiveLocks_;
    held_ = std::move(other.held_);
    other.fd_ = -1;
    other.lockFd_ = -1;
    other.exclusiveLocks_ = false;
    other.held_.clear();
  }
  return *this;
}

void OsFile::reset() {
  if (lockFd_ >= 0) ::close(lockFd_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  lockFd_ = -1;
  exclusiveLocks_ = false;
  held_.clear();
}

bool OsFile::open(const std::string& path, const OpenMode& mode) {
  reset();
  const int access = mode.read && mode.write ? O_RDWR : mode.write ? O_WRONLY : O_RDONLY;
  const share::Claim claim{.read = mode.read,
                           .write = mode.write,
                           .denyRead = !mode.shareRead,
                           .denyWrite = !mode.shareWrite,
                           .everything = false};

  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    bool created = false;
    UniqueFd fd = openDescriptor(path, access);
    if (fd.get() < 0 && errno == ENOENT && mode.disposition != Disposition::openExisting) {
      fd = openDescriptor(path, access | O_CREAT | O_EXCL);
      if (fd.get() < 0 && errno == EEXIST) continue;  // created by another meanwhile
      created = fd.get() >= 0;
    }
    if (fd.get() < 0) {
      setLastErrorForPath(errno, path);
      return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
      setLastErrorFromErrno(errno);
      return false;
    }
    if (!S_ISREG(st.st_mode)) {  // a directory, device, FIFO or socket is no data file
      setLastError(syserr::kAccessDenied);
      return false;
    }
    int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) (void)::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);

    UniqueFd lockFd;
    bool exclusive = access == O_RDWR;
    if (!exclusive) {
      lockFd = openLockDescriptor(path, fd.get());
      exclusive = lockFd.get() >= 0;
      // Sharing markers are read locks: a write-only descriptor cannot hold them.
      if (!exclusive && access == O_WRONLY) {
        setLastError(syserr::kAccessDenied);
        return false;
      }
    }
    const int locker = lockFd.get() >= 0 ? lockFd.get() : fd.get();

    share::Gate gate(locker, exclusive);
    if (!claimUnderGate(gate, locker, claim)) return false;
    if (!stillNamed(fd.get(), path)) continue;  // deleted or replaced before the claim: open the name again

    // Cut only now: an open refused for sharing must not have emptied the file.
    if (mode.disposition == Disposition::createAlways && !created) {
      int cutter = access != O_RDONLY ? fd.get() : lockFd.get();
      if (cutter < 0) {
        setLastError(syserr::kAccessDenied);
        return false;
      }
      if (::ftruncate(cutter, 0) != 0) return failWrite(cutter, errno);
    }
    if (created) syncDirectoryOf(path);  // the new name survives a crash of the system
    if (mode.randomAccess) (void)::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_RANDOM);

    fd_ = fd.release();
    lockFd_ = lockFd.release();
    exclusiveLocks_ = exclusive;
    return true;
  }
  setLastError(syserr::kSharingViolation);
  return false;
}

bool OsFile::readAt(uint64_t offset, void* buffer, std::size_t length, std::size_t& done) const {
  done = 0;
  if (!valid()) return failWithInvalidHandle();
  if (faultOnRead() == fault_detail::Injected::fail) {
    setLastErrorFromErrno(EIO, IoKind::read);
    return false;
  }
  auto* bytes = static_cast<uint8_t*>(buffer);
  while (done < length) {
    ssize_t n = ::pread(fd_, bytes + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      setLastErrorFromErrno(errno, IoKind::read);
      return false;
    }
    if (n == 0) break;  // end of file
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool OsFile::writeAt(uint64_t offset, const void* buffer, std::size_t length, std::size_t& done) const {
  done = 0;
  if (!valid()) return failWithInvalidHandle();
  fault_detail::Injected injected = faultOnWrite();
  bool ok = true;
  if (injected == fault_detail::Injected::fail) {
    setLastErrorFromErrno(ENOSPC, IoKind::write);
    ok = false;
  } else {
    const std::size_t want = injected == fault_detail::Injected::shortWrite ? length / 2 : length;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    while (done < want) {
      ssize_t n = ::pwrite(fd_, bytes + done, want - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        ok = failWrite(fd_, errno);
        break;
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
  }
  faultAfterWrite();
  return ok;
}

bool OsFile::flush() const {
  if (!valid()) return failWithInvalidHandle();
  int rc;
  do {
    rc = ::fdatasync(fd_);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) setLastErrorFromErrno(errno, IoKind::write);
  faultAfterFlush();
  return rc == 0;
}

bool OsFile::truncate(uint64_t length) const {
  if (!valid()) return failWithInvalidHandle();
  bool ok = ::ftruncate(fd_, static_cast<off_t>(length)) == 0 || failWrite(fd_, errno);
  faultAfterTruncate();
  return ok;
}

bool OsFile::size(uint64_t& bytes) const {
  bytes = 0;
  if (!valid()) return failWithInvalidHandle();
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    setLastErrorFromErrno(errno);
    return false;
  }
  bytes = static_cast<uint64_t>(st.st_size);
  return true;
}

bool OsFile::lockRange(uint64_t offset, uint64_t length) {
  if (!valid()) return failWithInvalidHandle();
  // Locks of one open do not stack: a range overlapping one this open holds is refused
  // like one another open holds.
  for (const HeldRange& range : held_) {
    if (offset < range.offset + range.length && range.offset < offset + length) {
      setLastError(syserr::kLockViolation);
      return false;
    }
  }
  struct flock region {};
  region.l_type = exclusiveLocks_ ? F_WRLCK : F_RDLCK;
  region.l_whence = SEEK_SET;
  region.l_start = static_cast<off_t>(offset);
  region.l_len = static_cast<off_t>(length);
  if (::fcntl(lockFd(), F_OFD_SETLK, &region) != 0) {
    setLastError(errno == EAGAIN || errno == EACCES ? syserr::kLockViolation : systemErrorFromErrno(errno));
    return false;
  }
  held_.push_back(HeldRange{offset, length});
  return true;
}

bool OsFile::unlockRange(uint64_t offset, uint64_t length) {
  if (!valid()) return failWithInvalidHandle();
  // Only a range exactly as it was locked can be unlocked.
  auto it = std::find_if(held_.begin(), held_.end(),
                         [&](const HeldRange& range) { return range.offset == offset && range.length == length; });
  if (it == held_.end()) {
    setLastError(kNotLocked);
    return false;
  }
  struct flock region {};
  region.l_type = F_UNLCK;
  region.l_whence = SEEK_SET;
  region.l_start = static_cast<off_t>(offset);
  region.l_len = static_cast<off_t>(length);
  if (::fcntl(lockFd(), F_OFD_SETLK, &region) != 0) {
    setLastErrorFromErrno(errno);
    return false;
  }
  held_.erase(it);
  return true;
}

bool deleteFile(const std::string& path) {
  return changeUnheld(path, [&] { return ::unlink(path.c_str()); });
}

bool moveFile(const std::string& from, const std::string& to) {
  return changeUnheld(from, [&] {
    int rc = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && errno == EINVAL) {  // a file system without the no-replace rename
      struct stat st {};
      if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return -1;
      }
      rc = ::rename(from.c_str(), to.c_str());
    }
    return rc;
  });
}

}  // namespace kestrand::platform
