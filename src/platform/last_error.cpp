#include "platform/last_error.h"

#include <cerrno>
#include <sys/stat.h>

namespace kestrand::platform {

namespace {
uint32_t gLastError = 0;

struct ErrnoRow {
  int err;
  uint32_t system;
};

// errno -> system error number. EIO depends on the direction and is handled below;
// anything not listed is a general failure.
constexpr ErrnoRow kErrnoTable[] = {
    {ENOENT, syserr::kFileNotFound},
    {ENOTDIR, syserr::kPathNotFound},
    {EMFILE, syserr::kTooManyOpenFiles},
    {ENFILE, syserr::kTooManyOpenFiles},
    {EACCES, syserr::kAccessDenied},
    {EPERM, syserr::kAccessDenied},
    {EROFS, syserr::kAccessDenied},
    {EISDIR, syserr::kAccessDenied},
    {EBADF, syserr::kInvalidHandle},
    {ENOMEM, syserr::kNotEnoughMemory},
    {EXDEV, syserr::kNotSameDevice},
    {ENXIO, syserr::kNotReady},
    {ENODEV, syserr::kNotReady},
    {ESPIPE, syserr::kSeek},
    {ETXTBSY, syserr::kSharingViolation},
    {EBUSY, syserr::kSharingViolation},
    {EAGAIN, syserr::kLockViolation},
    {EDEADLK, syserr::kLockViolation},
    {ENOLCK, syserr::kLockViolation},
    {ENOSPC, syserr::kHandleDiskFull},
    {EDQUOT, syserr::kHandleDiskFull},
    {EFBIG, syserr::kHandleDiskFull},
    {ENOSYS, syserr::kNotSupported},
    {EOPNOTSUPP, syserr::kNotSupported},
    {EEXIST, syserr::kFileExists},
    {EINVAL, syserr::kInvalidParameter},
    {ENAMETOOLONG, syserr::kInvalidName},
    {ELOOP, syserr::kInvalidName},
    {EILSEQ, syserr::kInvalidName},
    {ENOTEMPTY, syserr::kDirNotEmpty},
};
}  // namespace

uint32_t systemErrorFromErrno(int err, IoKind kind) {
  if (err == EIO) {
    return kind == IoKind::write ? syserr::kWriteFault
           : kind == IoKind::read ? syserr::kReadFault
                                  : syserr::kGeneralFailure;
  }
  for (const ErrnoRow& row : kErrnoTable) {
    if (row.err == err) return row.system;
  }
  return syserr::kGeneralFailure;
}

uint32_t systemErrorForPath(int err, const std::string& path, IoKind kind) {
  uint32_t code = systemErrorFromErrno(err, kind);
  if (err != ENOENT) return code;
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return code;  // the current directory exists
  std::string dir = slash == 0 ? std::string("/") : path.substr(0, slash);
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return syserr::kPathNotFound;
  return code;
}

uint32_t lastError() { return gLastError; }
void setLastError(uint32_t value) { gLastError = value; }
uint32_t takeLastError() {
  uint32_t value = gLastError;
  gLastError = 0;
  return value;
}

void setLastErrorFromErrno(int err, IoKind kind) { gLastError = systemErrorFromErrno(err, kind); }
void setLastErrorForPath(int err, const std::string& path, IoKind kind) {
  gLastError = systemErrorForPath(err, path, kind);
}

}  // namespace kestrand::platform
