#include "filelayer/declarations.h"

namespace kestrand {

uint32_t FieldDeclaration::elementCount() const {
  uint32_t count = 1;
  for (uint32_t dimension : dimensions) {
    if (dimension != 0) count *= dimension;
  }
  return count;
}

}  // namespace kestrand
