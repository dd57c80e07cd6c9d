#include "support/lock_probe.h"

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace kestrand::testing_support {

bool lockedByOthers(const std::string& path, uint64_t offset, uint64_t length) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  struct flock spec {};
  spec.l_type = F_WRLCK;
  spec.l_whence = SEEK_SET;
  spec.l_start = static_cast<off_t>(offset);
  spec.l_len = static_cast<off_t>(length);
  int rc = ::fcntl(fd, F_OFD_GETLK, &spec);
  ::close(fd);
  if (rc != 0) throw std::runtime_error("F_OFD_GETLK failed");
  return spec.l_type != F_UNLCK && static_cast<uint64_t>(spec.l_start) == offset &&
         static_cast<uint64_t>(spec.l_len) == length;
}

}  // namespace kestrand::testing_support
