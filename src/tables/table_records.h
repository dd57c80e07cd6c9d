// The records the table layer keeps in a data file's record tree, besides the table's
// own data:
//
//   TableNameRecord   key 0xFE, the upper-cased name (may be empty)
//                     data: the TableNumber, 4 bytes big-endian
//   DefinitionBlock   key TableNumber, 0xFA, block number (16 bits little-endian)
//                     data: 1 to 512 bytes of the serialised definition
//   LocaleRecord      key TableNumber, 0xFB, 0x01
//                     data: OEM flag (1 byte), then the 1152 bytes of LocaleTables
//   CountersRecord    key TableNumber, 0xF6, subject (0xF3 data, else key number)
//                     data: count, second word (32 bits little-endian each)
//
// TableNumbers come from the data file's one number counter; the counter never reaches
// 0xFE in its top byte, so no table-owned key begins with 0xFE or 0xFF.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "runtime/locale_tables.h"
#include "store/store_record.h"

namespace kestrand {

using TableNumber = std::array<uint8_t, 4>;  // big-endian, as stored

inline constexpr uint8_t kTableNameKeyByte = 0xFE;
inline constexpr uint8_t kTransactionMarkerKeyByte = 0xFF;
inline constexpr uint8_t kDataRecordType = 0xF3;
inline constexpr uint8_t kCountersRecordType = 0xF6;
inline constexpr uint8_t kDefinitionBlockType = 0xFA;
inline constexpr uint8_t kLocaleRecordType = 0xFB;
inline constexpr uint8_t kMemoSegmentType = 0xFC;

inline constexpr uint32_t kDefinitionBlockBytes = 512;
inline constexpr uint32_t kLocaleRecordBytes = 1 + runtime::kLocaleTablesBytes;
inline constexpr uint32_t kCountersDataBytes = 8;

uint32_t nativeTableNumber(const TableNumber& number);
TableNumber tableNumberFrom(uint32_t native);
bool keyBelongsTo(const StoreRecord& record, const TableNumber& number);

// Key 0xFE + name; 4 data bytes left zero for the caller to fill.
RecordPtr tableNameRecord(std::string_view name);
TableNumber storedTableNumber(const StoreRecord& nameRecord);
void setStoredTableNumber(StoreRecord& nameRecord, const TableNumber& number);

// Key TableNumber, 0xFA, block number; `dataLength` data bytes for the caller to fill.
RecordPtr definitionBlock(const TableNumber& number, uint16_t block, uint32_t dataLength);

// Key TableNumber, 0xFB, 0x01; with data (the OEM flag and the tables) when `tables`
// is given, else a key-only probe.
RecordPtr localeRecord(const TableNumber& number, const runtime::LocaleTables* tables = nullptr, bool oem = false);

// Key TableNumber, 0xF6, subject; both words 0.
RecordPtr countersRecord(const TableNumber& number, uint8_t subject);

// Key TableNumber, 0xF3, RecordNumber; `dataLength` data bytes for the record image.
RecordPtr dataRecord(const TableNumber& number, const std::array<uint8_t, 4>& recordNumber, uint32_t dataLength);

// The count word of a CountersRecord's data.
uint32_t countersCount(const StoreRecord& counters);
void setCountersCount(StoreRecord& counters, uint32_t count);

}  // namespace kestrand
