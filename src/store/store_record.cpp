#include "store/store_record.h"

#include <new>

#include "store/corruption.h"

namespace kestrand {

// The record allocator: one block per record, header then bytes. The only place that
// allocates or frees StoreRecord storage.
void freeStoreRecord(StoreRecord* record) {
  if (record == nullptr) return;
  record->~StoreRecord();
  ::operator delete(static_cast<void*>(record));
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
