#include "app/longpath.h"

#include "filelayer/error_state.h"
#include "platform/long_path.h"

namespace kestrand {

std::string LONGPATH(std::string_view path) {
  clearError();
  return platform::longPath(path);
}

}  // namespace kestrand
