#include "store/file_header.h"

namespace kestrand {

FileHeader FileHeader::fresh() {
  FileHeader header;
  header.bytes[4] = kHeaderBytes & 0xFF;
  header.bytes[5] = kHeaderBytes >> 8;
  header.setSignature();
  return header;
}

uint32_t endOfUsed(const FileHeader& header) {
  for (int k = kSizeClasses; k >= 1; --k)
    if (header.start(k) != header.end(k)) return pageOffset(int32_t(header.end(k)));
  return pageOffset(int32_t(header.end(0)));
}

}  // namespace kestrand
