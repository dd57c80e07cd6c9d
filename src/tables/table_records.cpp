#include "tables/table_records.h"

#include <algorithm>
#include <cstring>

#include "store/file_header.h"

namespace kestrand {

namespace {
// A key of the table number, a type byte and `tail`, with `dataLength` zero data bytes.
RecordPtr tableOwned(const TableNumber& number, uint8_t type, std::initializer_list<uint8_t> tail,
                     uint32_t dataLength) {
  RecordPtr record = newStoreRecord(uint32_t(5 + tail.size()), dataLength);
  uint8_t* key = record->bytes();
  std::copy(number.begin(), number.end(), key);
  key[4] = type;
  std::copy(tail.begin(), tail.end(), key + 5);
  std::memset(record->dataBytes(), 0, dataLength);
  return record;
}
}  // namespace

uint32_t nativeTableNumber(const TableNumber& number) {
  return uint32_t(number[0]) << 24 | uint32_t(number[1]) << 16 | uint32_t(number[2]) << 8 | number[3];
}

TableNumber tableNumberFrom(uint32_t native) {
  return {uint8_t(native >> 24), uint8_t(native >> 16), uint8_t(native >> 8), uint8_t(native)};
}

bool keyBelongsTo(const StoreRecord& record, const TableNumber& number) {
  return record.keyLength >= 4 && std::memcmp(record.bytes(), number.data(), 4) == 0;
}

RecordPtr tableNameRecord(std::string_view name) {
  RecordPtr record = newStoreRecord(uint32_t(1 + name.size()), 4);
  record->bytes()[0] = kTableNameKeyByte;
  std::copy(name.begin(), name.end(), record->bytes() + 1);
  std::memset(record->dataBytes(), 0, 4);
  return record;
}

TableNumber storedTableNumber(const StoreRecord& nameRecord) {
  TableNumber number{};
  if (nameRecord.dataLength() >= 4) std::copy_n(nameRecord.bytes() + nameRecord.keyLength, 4, number.begin());
  return number;
}

void setStoredTableNumber(StoreRecord& nameRecord, const TableNumber& number) {
  std::copy(number.begin(), number.end(), nameRecord.dataBytes());
}

RecordPtr definitionBlock(const TableNumber& number, uint16_t block, uint32_t dataLength) {
  return tableOwned(number, kDefinitionBlockType, {uint8_t(block), uint8_t(block >> 8)}, dataLength);
}

RecordPtr localeRecord(const TableNumber& number, const runtime::LocaleTables* tables, bool oem) {
  RecordPtr record = tableOwned(number, kLocaleRecordType, {0x01}, tables != nullptr ? kLocaleRecordBytes : 0);
  if (tables != nullptr) {
    record->dataBytes()[0] = oem ? 1 : 0;
    const auto bytes = tables->serialize();
    std::copy(bytes.begin(), bytes.end(), record->dataBytes() + 1);
  }
  return record;
}

RecordPtr countersRecord(const TableNumber& number, uint8_t subject) {
  return tableOwned(number, kCountersRecordType, {subject}, kCountersDataBytes);
}

RecordPtr dataRecord(const TableNumber& number, const std::array<uint8_t, 4>& recordNumber, uint32_t dataLength) {
  return tableOwned(number, kDataRecordType, {recordNumber[0], recordNumber[1], recordNumber[2], recordNumber[3]},
                    dataLength);
}

uint32_t countersCount(const StoreRecord& counters) {
  return counters.dataLength() >= 4 ? loadLe32(counters.bytes() + counters.keyLength) : 0;
}

void setCountersCount(StoreRecord& counters, uint32_t count) { storeLe32(counters.dataBytes(), count); }

}  // namespace kestrand
