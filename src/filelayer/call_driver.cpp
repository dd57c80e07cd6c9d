#include "filelayer/call_driver.h"

#include <vector>

namespace kestrand {

std::intptr_t callDriver(int32_t code, FileControlBlock& block, std::initializer_list<std::intptr_t> args) {
  // A driver may read one argument beyond those an operation takes (DESTROY's unused
  // value, for one); a zero behind the list keeps such reads defined.
  std::intptr_t words[8] = {};
  std::size_t i = 0;
  for (std::intptr_t arg : args) {
    if (i < std::size(words)) words[i++] = arg;
  }
  return block.driver(code, &block, words);
}

}  // namespace kestrand
