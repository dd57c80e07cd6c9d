// The platform's last-error value: a Windows-style system error number set by
// every platform file service that fails, read by postError(0) to form 300 + n.
#pragma once

#include <cstdint>
#include <string>

namespace kestrand::platform {

// System error numbers as the error texts know them (300 + n is their ErrorCode).
namespace syserr {
inline constexpr uint32_t kInvalidFunction = 1;
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kPathNotFound = 3;
inline constexpr uint32_t kTooManyOpenFiles = 4;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kInvalidHandle = 6;
inline constexpr uint32_t kNotEnoughMemory = 8;
inline constexpr uint32_t kInvalidData = 13;
inline constexpr uint32_t kNotSameDevice = 17;
inline constexpr uint32_t kNoMoreFiles = 18;
inline constexpr uint32_t kWriteProtect = 19;
inline constexpr uint32_t kNotReady = 21;
inline constexpr uint32_t kSeek = 25;
inline constexpr uint32_t kWriteFault = 29;
inline constexpr uint32_t kReadFault = 30;
inline constexpr uint32_t kGeneralFailure = 31;
inline constexpr uint32_t kSharingViolation = 32;
inline constexpr uint32_t kLockViolation = 33;
inline constexpr uint32_t kHandleDiskFull = 39;
inline constexpr uint32_t kNotSupported = 50;
inline constexpr uint32_t kFileExists = 80;
inline constexpr uint32_t kInvalidParameter = 87;
inline constexpr uint32_t kInvalidName = 123;
inline constexpr uint32_t kDirNotEmpty = 145;
inline constexpr uint32_t kBadPathName = 161;
}  // namespace syserr

// What the failing service was doing: EIO means a write fault or a read fault.
enum class IoKind { other, read, write };

// The one table from errno to system error numbers.
uint32_t systemErrorFromErrno(int err, IoKind kind = IoKind::other);

// Like systemErrorFromErrno, for a service that named a path: a missing file whose
// directory is missing too is "path not found" (3), as on the system these files come from.
uint32_t systemErrorForPath(int err, const std::string& path, IoKind kind = IoKind::other);

uint32_t lastError();
void setLastError(uint32_t value);
// Reads the value and resets it to 0 (how the storage core fetches an error).
uint32_t takeLastError();

// Shorthands for the services: set the last-error value from errno.
void setLastErrorFromErrno(int err, IoKind kind = IoKind::other);
void setLastErrorForPath(int err, const std::string& path, IoKind kind = IoKind::other);

}  // namespace kestrand::platform
