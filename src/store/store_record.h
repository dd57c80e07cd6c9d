// One record of the store: key bytes then data bytes, allocated once with its bytes
// inline. Keys compare as unsigned bytes, a prefix first; data never takes part.
//
// Records are made by newStoreRecord and friends and owned through RecordPtr until they
// are handed to the tree, which then owns them; stored records are freed by the page
// tree (freeStoreRecord) and never by their users.
//
// Leading key bytes shared by every layer:
//   (empty)            the sentinel record, smallest of all, never erased
//   0xFE name          table-name record
//   0xFF               transaction marker
//   table number (4 bytes big-endian, top byte <= 0xFD), then a type byte:
//     0x00..0xF2 key entry, 0xF3 data record, 0xF6 counters, 0xFA definition block,
//     0xFB locale record, 0xFC memo segment
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

namespace kestrand {

// A record's key plus data must stay below this (report 824).
inline constexpr uint32_t kRecordLengthLimit = 15094;
// The most a record may hold to fit alone in a leaf: 13 + total + 5 <= 15094.
inline constexpr uint32_t kMaxLeafRecordLength = 15076;

struct RecordBlock;

struct StoreRecord {
  StoreRecord* left = nullptr;  // children in the page's tree; null is the empty subtree
  StoreRecord* right = nullptr;
  int32_t childPage = 0;      // interior pages: the child this separator leads to
  uint32_t subtreeSize = 0;   // 0 in a free-standing record
  StoreRecord* parent = nullptr;
  uint16_t totalLength = 0;
  uint16_t keyLength = 0;
  RecordBlock* block = nullptr;  // the block it was loaded into, or none (allocated alone)

  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
  const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(this + 1); }
  uint8_t* dataBytes() { return bytes() + keyLength; }
  uint16_t dataLength() const { return uint16_t(totalLength - keyLength); }
};

// The matching free of the record allocator (a loaded record's block goes with the
// last of its records).
void freeStoreRecord(StoreRecord* record);

// Allocates the records of one page being loaded in a single block, which lives until
// the last of them is freed (records may move to other pages meanwhile). When the
// capacity runs out, records are allocated alone.
class RecordBlockBuilder {
 public:
  explicit RecordBlockBuilder(std::size_t capacity);
  ~RecordBlockBuilder();
  RecordBlockBuilder(const RecordBlockBuilder&) = delete;
  RecordBlockBuilder& operator=(const RecordBlockBuilder&) = delete;

  StoreRecord* add(uint16_t keyLength, uint16_t totalLength, const uint8_t* bytes);
  // The bytes a block needs for `count` records whose lengths add up to at most `bytes`.
  static std::size_t capacityFor(std::size_t count, std::size_t bytes);

 private:
  RecordBlock* block_ = nullptr;
  std::size_t used_ = 0;
  std::size_t capacity_ = 0;
};

struct RecordDeleter {
  void operator()(StoreRecord* record) const { freeStoreRecord(record); }
};
using RecordPtr = std::unique_ptr<StoreRecord, RecordDeleter>;

// Zeroed links, child 0, subtree size 0. Report 824 when the total is 15094 or more.
RecordPtr newStoreRecord(uint32_t keyLength, uint32_t dataLength);
// Convenience: a record with the given key and data bytes.
RecordPtr makeStoreRecord(const void* key, uint32_t keyLength, const void* data, uint32_t dataLength);
RecordPtr copyStoreRecord(const StoreRecord& record);
RecordPtr copyKey(const StoreRecord& record);

// < 0, 0, > 0 by key order.
inline int compareKeys(const uint8_t* a, uint32_t aLength, const uint8_t* b, uint32_t bLength) {
  uint32_t common = aLength < bLength ? aLength : bLength;
  if (common != 0) {
    int c = std::memcmp(a, b, common);
    if (c != 0) return c;
  }
  return aLength < bLength ? -1 : (aLength > bLength ? 1 : 0);
}
inline int compareKeys(const StoreRecord& a, const StoreRecord& b) {
  return compareKeys(a.bytes(), a.keyLength, b.bytes(), b.keyLength);
}

}  // namespace kestrand
