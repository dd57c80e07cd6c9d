// The driver's own description of one declared memo or BLOB, with the buffer the
// program reads and writes the memo in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "filelayer/declarations.h"

namespace kestrand {

struct MemoDescriptor {
  MemoDeclaration* declaration = nullptr;  // whose buffer and driverMemo point here
  std::optional<std::string> externalName;  // none when the declaration gives none
  std::string label;
  uint8_t flags = 0;  // kMemoBinary, kMemoBlob
  uint32_t size = 0;  // the declared size, at most 64000
  std::vector<uint8_t> buffer;  // the declared size, filled with spaces at creation
  uint32_t blobSize = 0;
  uint8_t touched = 0;
  std::vector<uint8_t> compareBuffer;  // a memo read under WATCH: the stored bytes

  bool isBlob() const { return (flags & kMemoBlob) != 0; }
  bool isBinary() const { return (flags & kMemoBinary) != 0; }
};

}  // namespace kestrand
