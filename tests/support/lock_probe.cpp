#include "support/lock_probe.h"

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace kestrand::testing_support {

bool lockedByOthers(const std::string& path, uint64_t offset, uint64_t length) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  struct flock region {};
  region.l_type = F_WRLCK;
  region.l_whence = SEEK_SET;
  region.l_start = static_cast<off_t>(offset);
  region.l_len = static_cast<off_t>(length);
  int rc = ::fcntl(fd, F_OFD_GETLK, &region);
  ::close(fd);
  if (rc != 0) throw std::runtime_error("F_OFD_GETLK failed");
  return region.l_type != F_UNLCK && static_cast<uint64_t>(region.l_start) == offset &&
         static_cast<uint64_t>(region.l_len) == length;
}

}  // namespace kestrand::testing_support
