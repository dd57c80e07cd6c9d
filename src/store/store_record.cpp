#include "store/store_record.h"

#include <new>

#include "store/corruption.h"

namespace kestrand {

// The record allocator, the only place that allocates or frees StoreRecord storage: a
// record alone (header then bytes), or records loaded together, back to back in a
// RecordBlock that counts its live records.
struct RecordBlock {
  std::size_t live = 0;
};

namespace {
constexpr std::size_t kAlign = alignof(StoreRecord);
constexpr std::size_t aligned(std::size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }
constexpr std::size_t kBlockHeader = aligned(sizeof(RecordBlock));
}  // namespace

void freeStoreRecord(StoreRecord* record) {
  if (record == nullptr) return;
  RecordBlock* block = record->block;
  record->~StoreRecord();
  if (block == nullptr) {
    ::operator delete(static_cast<void*>(record));
  } else if (--block->live == 0) {
    block->~RecordBlock();
    ::operator delete(static_cast<void*>(block));
  }
}

RecordBlockBuilder::RecordBlockBuilder(std::size_t capacity) : capacity_(capacity) {
  block_ = ::new (::operator new(kBlockHeader + capacity)) RecordBlock;
}

RecordBlockBuilder::~RecordBlockBuilder() {
  if (block_->live == 0) {
    block_->~RecordBlock();
    ::operator delete(static_cast<void*>(block_));
  }
}

std::size_t RecordBlockBuilder::capacityFor(std::size_t count, std::size_t bytes) {
  return count * aligned(sizeof(StoreRecord) + kAlign) + bytes;
}

StoreRecord* RecordBlockBuilder::add(uint16_t keyLength, uint16_t totalLength, const uint8_t* bytes) {
  std::size_t need = aligned(sizeof(StoreRecord) + totalLength);
  StoreRecord* record;
  if (used_ + need <= capacity_) {
    record = ::new (reinterpret_cast<uint8_t*>(block_) + kBlockHeader + used_) StoreRecord;
    used_ += need;
    record->block = block_;
    ++block_->live;
  } else {
    record = newStoreRecord(keyLength, uint32_t(totalLength - keyLength)).release();
  }
  record->totalLength = totalLength;
  record->keyLength = keyLength;
  std::memcpy(record->bytes(), bytes, totalLength);
  return record;
}

RecordPtr newStoreRecord(uint32_t keyLength, uint32_t dataLength) {
  uint32_t total = keyLength + dataLength;
  if (total >= kRecordLengthLimit) reportCorruption(824);
  void* block = ::operator new(sizeof(StoreRecord) + total);
  auto* record = ::new (block) StoreRecord;
  record->totalLength = uint16_t(total);
  record->keyLength = uint16_t(keyLength);
  return RecordPtr(record);
}

RecordPtr makeStoreRecord(const void* key, uint32_t keyLength, const void* data, uint32_t dataLength) {
  RecordPtr record = newStoreRecord(keyLength, dataLength);
  if (keyLength != 0) std::memcpy(record->bytes(), key, keyLength);
  if (dataLength != 0) std::memcpy(record->bytes() + keyLength, data, dataLength);
  return record;
}

RecordPtr copyStoreRecord(const StoreRecord& record) {
  RecordPtr copy = newStoreRecord(record.keyLength, record.dataLength());
  std::memcpy(copy->bytes(), record.bytes(), record.totalLength);
  return copy;
}

RecordPtr copyKey(const StoreRecord& record) {
  RecordPtr copy = newStoreRecord(record.keyLength, 0);
  std::memcpy(copy->bytes(), record.bytes(), record.keyLength);
  return copy;
}

}  // namespace kestrand
