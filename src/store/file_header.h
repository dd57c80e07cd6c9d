// The 512-byte header at offset 0 of every data file.
//
//   offset  width  field
//   0       4      home offset: always 0 (so the commit area can hold a copy like a page)
//   4       2      stored size: always 512
//   6       4      commit area start (equal to the end when no commit is pending)
//   10      4      commit area end
//   14      4      signature "kEsT"
//   18      2      reserved, 0
//   20      4      last issued table or record number, BIG-endian; 0 in a new file
//   24      4      change count, signed; 0 in a never-committed file
//   28      4      root page of the record tree, signed
//   32      240    region starts: 60 page numbers start[0..59]
//   272     240    region ends:   60 page numbers end[0..59]
//
// All other numbers little-endian. Page n lies at 512 + 256 x n; region k (1..59) holds
// the pages of k units back to back from start[k] to end[k]; region 0 is never used.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

namespace kestrand {

inline constexpr uint32_t kHeaderBytes = 512;
inline constexpr int kSizeClasses = 59;
inline constexpr uint32_t kPageUnitBytes = 256;

inline uint32_t loadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void storeLe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline uint16_t loadLe16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// Byte offset of page n.
inline uint32_t pageOffset(int32_t n) { return kHeaderBytes + kPageUnitBytes * uint32_t(n); }

struct FileHeader {
  std::array<uint8_t, kHeaderBytes> bytes{};

  // The header of a data file that has no bytes on disk yet.
  static FileHeader fresh();

  uint8_t* data() { return bytes.data(); }
  const uint8_t* data() const { return bytes.data(); }

  uint16_t storedSize() const { return loadLe16(&bytes[4]); }
  uint32_t commitStart() const { return loadLe32(&bytes[6]); }
  uint32_t commitEnd() const { return loadLe32(&bytes[10]); }
  void setCommitStart(uint32_t v) { storeLe32(&bytes[6], v); }
  void setCommitEnd(uint32_t v) { storeLe32(&bytes[10], v); }

  bool hasSignature() const { return std::memcmp(&bytes[14], "kEsT", 4) == 0; }
  void setSignature() { std::memcpy(&bytes[14], "kEsT", 4); }
  void clearSignature() { std::memset(&bytes[14], 0, 4); }

  uint8_t* lastNumber() { return &bytes[20]; }
  const uint8_t* lastNumber() const { return &bytes[20]; }

  int32_t changeCount() const { return int32_t(loadLe32(&bytes[24])); }
  void setChangeCount(int32_t v) { storeLe32(&bytes[24], uint32_t(v)); }
  int32_t rootPage() const { return int32_t(loadLe32(&bytes[28])); }
  void setRootPage(int32_t v) { storeLe32(&bytes[28], uint32_t(v)); }

  uint32_t start(int k) const { return loadLe32(&bytes[32 + 4 * k]); }
  uint32_t end(int k) const { return loadLe32(&bytes[272 + 4 * k]); }
  void setStart(int k, uint32_t v) { storeLe32(&bytes[32 + 4 * k], v); }
  void setEnd(int k, uint32_t v) { storeLe32(&bytes[272 + 4 * k], v); }
};

// 512 + 256 x end[k] of the highest non-empty region, 512 when all are empty.
uint32_t endOfUsed(const FileHeader& header);

}  // namespace kestrand
