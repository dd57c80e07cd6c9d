#include "platform/share_markers.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/types.h>

namespace kestrand::platform::share {

namespace {

// Marker bytes: far above anything the data files' lock protocol uses (below 2^32).
constexpr off_t kMarkerBase = off_t{1} << 32;
enum Marker : off_t { kGate = 0, kOpen = 1, kHasRead = 2, kHasWrite = 3, kDeniesRead = 4, kDeniesWrite = 5 };
constexpr off_t kFirstMarker = kOpen;
constexpr off_t kMarkerCount = 5;  // kOpen .. kDeniesWrite

struct flock lockSpec(short type, off_t marker, off_t length = 1) {
  struct flock region {};
  region.l_type = type;
  region.l_whence = SEEK_SET;
  region.l_start = kMarkerBase + marker;
  region.l_len = length;
  return region;
}

int setLock(int fd, short type, off_t marker, off_t length = 1) {
  struct flock region = lockSpec(type, marker, length);
  return ::fcntl(fd, F_OFD_SETLK, &region) == 0 ? 0 : errno;
}

// Whether an open other than the one of `fd` holds the marker; -1 with err on failure.
int heldByOthers(int fd, off_t marker, int& err) {
  struct flock region = lockSpec(F_WRLCK, marker);
  if (::fcntl(fd, F_OFD_GETLK, &region) != 0) {
    err = errno;
    return -1;
  }
  return region.l_type != F_UNLCK ? 1 : 0;
}

}  // namespace

Gate::Gate(int lockFd, bool exclusive) {
  if (!exclusive) return;
  struct flock region = lockSpec(F_WRLCK, kGate);
  while (::fcntl(lockFd, F_OFD_SETLKW, &region) != 0) {
    if (errno != EINTR) {
      error_ = errno;
      return;
    }
  }
  fd_ = lockFd;
}

Gate::~Gate() {
  if (fd_ >= 0) (void)setLock(fd_, F_UNLCK, kGate);
}

Outcome claim(int lockFd, const Claim& claim, int& err) {
  const bool deniesRead = claim.denyRead || claim.everything;
  const bool deniesWrite = claim.denyWrite || claim.everything;
  const struct {
    bool wanted;
    off_t marker;
  } takes[] = {{true, kOpen},
               {claim.read, kHasRead},
               {claim.write, kHasWrite},
               {deniesRead, kDeniesRead},
               {deniesWrite, kDeniesWrite}};
  for (const auto& take : takes) {
    if (!take.wanted) continue;
    if ((err = setLock(lockFd, F_RDLCK, take.marker)) != 0) {
      release(lockFd);
      return Outcome::failed;
    }
  }

  // What other opens hold that this claim cannot live with.
  const struct {
    bool applies;
    off_t marker;
  } checks[] = {{claim.everything, kOpen},
                {claim.read, kDeniesRead},
                {claim.write, kDeniesWrite},
                {deniesRead, kHasRead},
                {deniesWrite, kHasWrite}};
  for (const auto& check : checks) {
    if (!check.applies) continue;
    int held = heldByOthers(lockFd, check.marker, err);
    if (held != 0) {
      release(lockFd);
      return held < 0 ? Outcome::failed : Outcome::conflict;
    }
  }
  return Outcome::granted;
}

void release(int lockFd) { (void)setLock(lockFd, F_UNLCK, kFirstMarker, kMarkerCount); }

}  // namespace kestrand::platform::share
