// The driver's state for one FileControlBlock: copies of its texts, the driver's
// descriptions of fields, keys and memos, the operation state, and the table and
// record state that the layers above keep here.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/field_descriptor.h"
#include "driver/key_descriptor.h"
#include "driver/memo_descriptor.h"
#include "driver/option_flags.h"
#include "filelayer/error_state.h"
#include "store/data_file.h"
#include "store/store_cursor.h"

namespace kestrand {

struct FileControlBlock;
struct KeyDeclaration;

// The block's attributes as the context keeps them (shifted down one bit).
inline constexpr uint8_t kContextEncrypt = 0x01;
inline constexpr uint8_t kContextCreate = 0x02;
inline constexpr uint8_t kContextReclaim = 0x04;
inline constexpr uint8_t kContextThread = 0x08;
inline constexpr uint8_t kContextOem = 0x10;
inline constexpr uint8_t kContextBit6 = 0x20;

// StateFlags bits of the table layer (the record layer defines the others).
inline constexpr uint32_t kStateTableOpen = 0x001;

// Property marks: set through a property, so not refreshed from the block.
inline constexpr uint32_t kMarkName = 0x1;
inline constexpr uint32_t kMarkOwner = 0x2;
inline constexpr uint32_t kMarkDriverOptions = 0x4;

// What an open table keeps for one key, by key number: the memory-only store of a
// dynamic index (its entries live nowhere else) and the cursor on the key's counters
// record. The cursor is declared after the store it points into, so it goes first.
struct KeyTableState {
  std::unique_ptr<DataFile> privateFile;
  StoreCursor countersCursor;
};

// What an open table keeps for one memo or BLOB, by memo number.
struct MemoTableState {
  StoreCursor insertCursor;  // inserts the memo's segments
};

struct DriverContext {
  DriverContext() = default;
  DriverContext(const DriverContext&) = delete;
  DriverContext& operator=(const DriverContext&) = delete;

  std::string name;           // the full table name
  std::string owner;          // the password
  std::string driverOptions;
  uint8_t attributes = 0;     // kContext* bits
  uint8_t* recordBuffer = nullptr;
  uint32_t recordLength = 0;
  // Descriptors live at fixed addresses: declarations and key components point at them.
  std::vector<std::unique_ptr<MemoDescriptor>> memos;
  std::vector<std::unique_ptr<KeyDescriptor>> keys;
  std::vector<FieldDescriptor> fields;  // complete before any key refers to it
  uint32_t openMode = 0;      // of the last successful OPEN or SHARE
  int32_t lastSequenceOperation = 0;
  ErrorCode lastSequenceResult = 0;
  int32_t lastRecordOperation = 0;
  uint32_t postActions = 0;   // of the current operation
  OptionFlags optionFlags = 0;
  uint32_t propertyMarks = 0;
  ErrorCode lastResult = 0;   // 0 for -1
  uint8_t destroyPending = 0; // an operation ended with 47
  uint8_t profileFlag = 0;    // activity log on
  uint8_t detailsFlag = 0;
  std::string logFileName;
  int32_t deferredOperation = 0;  // the BUILD kept for BUILDevent
  KeyDescriptor* deferredKey = nullptr;
  std::string deferredText1;
  std::string deferredText2;
  uint16_t progressFrequency = 0;
  uint16_t progressValue = 0;
  const char* driverName = nullptr;
  FileControlBlock* block = nullptr;
  KeyDescriptor* orderKey = nullptr;  // the key of the current sequence, none for record order
  std::optional<std::string> positionAfterReading;
  std::optional<std::string> resyncPosition;  // set by RESTORESTATE, used once by the entry
  std::optional<std::string> lastResetPosition;
  int32_t holdSeconds = 0;
  KeyDeclaration* setKey = nullptr;   // of the last SETfilekey
  uint32_t setPointer = 0;            // of the last SETfileptr, SETkeyptr, SETkeykeyptr

  // Table and record state, set up by the table layer while the table is open.
  uint32_t stateFlags = 0;
  std::array<uint8_t, 4> tableNumber{};    // big-endian, as in stored keys
  std::array<uint8_t, 4> currentRecord{};  // big-endian; 0 = none
  DataFile* dataFile = nullptr;            // shared through the data-file registry
  std::unique_ptr<StoreCursor> dataCursor;    // on the 0xF3 counters record
  std::unique_ptr<StoreCursor> appendCursor;  // inserts data records
  std::vector<std::unique_ptr<KeyTableState>> keyStates;    // one per key
  std::vector<std::unique_ptr<MemoTableState>> memoStates;  // one per memo
  std::vector<uint8_t> savedImage;
  std::vector<uint8_t> compareImage;
  std::vector<uint8_t> localeTables;  // the table's stored character tables, empty when none
  bool oemTable = false;              // the OEM attribute stored with them
  uint32_t deferralCounter = 0;
  uint32_t holdStart = 0;

  int32_t failureCode = 0;  // report number of the last unwinding; cleared by CLOSE
};

}  // namespace kestrand
