// The stored form of one record-tree page.
//
//   offset  width  field
//   0       4      home offset: 512 + 256 x page number (set when the image is written)
//   4       2      stored size: bytes from 0 to the end of the body as stored
//   6       2      unpacked size: bytes from 0 to the end of the body before coding
//   8       2      size estimate of the page (low 16 bits)
//   10      2      record count
//   12      1      level (0 = leaf)
//   13      4 x n  interior pages only: child page numbers of the separators, key order
//   h       ...    body: the entries, run-length coded when stored size < unpacked size
//   stored  ...    padding 0xB0 up to the next multiple of 256 (at most 15104 in all)
//
// All numbers little-endian. Each entry is coded against the previous entry of the
// page: a flags byte (bit 7 total length follows, bit 6 key length follows, bits 0-5
// leading bytes shared with the previous entry, at most 63), the lengths present
// (2 bytes each), then the record's bytes from the shared count on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrand {

inline constexpr uint32_t kPageUnit = 256;
inline constexpr uint32_t kMaxPageBytes = 15104;  // 59 units
inline constexpr uint32_t kPageHeaderBytes = 13;
inline constexpr uint8_t kPagePadding = 0xB0;

// One record as the image sees it: key bytes then data bytes (keyLength <= totalLength).
struct PageEntry {
  const uint8_t* bytes = nullptr;
  uint16_t keyLength = 0;
  uint16_t totalLength = 0;
};

// The header fields of an image.
struct PageImageHeader {
  uint32_t homeOffset = 0;
  uint16_t storedSize = 0;
  uint16_t unpackedSize = 0;
  uint16_t sizeEstimate = 0;
  uint16_t recordCount = 0;
  uint8_t level = 0;
};

// The image must hold at least the 13 header bytes.
PageImageHeader readImageHeader(const uint8_t* image);
// Stored size rounded up to 256: the bytes the image occupies.
uint32_t imageLength(const uint8_t* image);
void setImageHomeOffset(uint8_t* image, uint32_t homeOffset);
// Writes the child page numbers of an interior page into its child array: at most the
// record count of them, none on a leaf (which has no child array).
void setImageChildren(uint8_t* image, const std::vector<int32_t>& children);

// The image of a page holding `records` in key order. The home offset and the child
// array are left 0 for the commit to fill. Reports 1659 when the entries exceed
// sizeEstimate and 1678 when the image would exceed 15104 bytes.
std::vector<uint8_t> serializePage(const std::vector<PageEntry>& records, uint8_t level, int32_t sizeEstimate);

// Receives each decoded entry in key order; `bytes` stays valid until the next call.
class PageEntrySink {
 public:
  virtual void entry(uint16_t keyLength, uint16_t totalLength, const uint8_t* bytes) = 0;

 protected:
  ~PageEntrySink() = default;
};

// Decodes an image of imageLength bytes (a whole slot). Fills `children` on an interior
// page (empties it on a leaf). Reports 522/530 for a coded body that overruns or ends
// early, 1602 for sizes that cannot describe the image and for entries that do not
// end exactly at the unpacked size; never reads outside the image. Entries before a
// failing one have already gone to the sink.
PageImageHeader parsePage(const uint8_t* image, std::size_t imageLength, PageEntrySink& sink,
                          std::vector<int32_t>& children);

// Run-length coding of a body. compressBody returns false (nothing coded) when the body
// has no run of four equal bytes; otherwise `coded` holds the groups.
bool compressBody(const uint8_t* body, std::size_t n, std::vector<uint8_t>& coded);
// Expands `coded` (codedLength bytes available) into exactly `unpacked` bytes at `out`.
// Reports 522 for literals that overrun the output or the input, 530 for a repeat that
// overruns the output, is cut off, or has no byte before it to repeat.
void expandBody(const uint8_t* coded, std::size_t codedLength, uint8_t* out, std::size_t unpacked);

}  // namespace kestrand
