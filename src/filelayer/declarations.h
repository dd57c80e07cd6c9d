// How a program describes a file's record layout, keys and memos.
#pragma once

#include <array>
#include <cstdint>

#include "filelayer/text_reference.h"

namespace kestrand {

struct FileControlBlock;
struct KeyDescriptor;   // the driver's own, behind KeyDeclaration::driverKey
struct MemoDescriptor;  // the driver's own, behind MemoDeclaration::driverMemo

inline constexpr std::size_t kMaxDimensions = 4;

// One entry of a RecordDeclaration.
struct FieldDeclaration {
  uint8_t type = 0;           // FieldType
  uint32_t offset = 0;        // from the start of the record
  uint32_t elementSize = 0;   // declared length for strings, size for a GROUP
  std::array<uint32_t, kMaxDimensions> dimensions{};  // 0 = unused; count = product
  const char* label = "";
  const char* externalName = "";  // NAME attribute, may be empty
  uint8_t places = 0;             // DECIMAL, PDECIMAL
  const char* picture = "";       // STRING, CSTRING, PSTRING
  uint32_t groupEntries = 0;      // GROUP: entries that follow and belong to it (all levels)

  uint32_t elementCount() const;
};

// A field of `type` at `offset`, `elementSize` bytes an element, labelled `label`; the
// other members as a plain scalar field has them.
FieldDeclaration declareField(uint8_t type, uint32_t offset, uint32_t elementSize, const char* label);
// A GROUP of `size` bytes at `offset` whose `entries` (all levels) follow it; the
// record itself is the group at offset 0 that holds every other entry.
FieldDeclaration declareGroup(uint32_t offset, uint32_t size, const char* label, uint32_t entries);

// The record buffer's layout: entries[0] is the record itself (a GROUP), its members
// follow depth first. Members are numbered from 1 in this order; key components use
// these numbers.
struct RecordDeclaration {
  const FieldDeclaration* entries = nullptr;
  uint32_t count = 0;
};

// Key declaration flags.
inline constexpr uint32_t kKeyDup = 0x0001;
inline constexpr uint32_t kKeyOpt = 0x0002;
inline constexpr uint32_t kKeyNoCase = 0x0004;
inline constexpr uint32_t kKeyPassed = 0x0008;  // passed to the driver, no meaning
inline constexpr uint32_t kKeyPrimary = 0x0010;
inline constexpr uint32_t kKeyIndex = 0x4000;   // not kept up to date by writes

struct KeyDeclaration {
  TextReference externalName;
  TextReference label;
  KeyDescriptor* driverKey = nullptr;  // owned by the driver
  uint32_t flags = 0;
  uint8_t componentCount = 0;
  const int32_t* components = nullptr;  // field numbers, negative = descending
  FileControlBlock* file = nullptr;
};

// Memo declaration flags.
inline constexpr uint8_t kMemoBinary = 0x02;
inline constexpr uint8_t kMemoBlob = 0x04;

struct MemoDeclaration {
  TextReference externalName;
  TextReference label;
  uint8_t* buffer = nullptr;               // set by the driver when it builds its context
  MemoDescriptor* driverMemo = nullptr;    // owned by the driver
  uint8_t flags = 0;
  uint32_t size = 0;  // at most 64000
};

}  // namespace kestrand
