// Type codes of record fields, with the names of the runtime's type-name table.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrand {

enum FieldType : uint8_t {
  kTypeEnd = 0, kTypeByte = 1, kTypeShort = 2, kTypeUShort = 3, kTypeDate = 4, kTypeTime = 5,
  kTypeLong = 6, kTypeULong = 7, kTypeSReal = 8, kTypeReal = 9, kTypeDecimal = 10,
  kTypePDecimal = 11, kTypeDum1 = 12, kTypeBFloat4 = 13, kTypeBFloat8 = 14, kTypeAny = 15,
  kTypeTempUfo = 16, kType17 = 17, kTypeString = 18, kTypeCString = 19, kTypePString = 20,
  kTypeMemo = 21, kTypeGroup = 22, kTypeClass = 23, kTypeArray = 24, kTypeField = 25,
  kTypeQueue = 26, kTypeBlob = 27, kTypeStackStr = 28, kTypePicture = 29, kTypeStdNum = 30,
};

inline constexpr uint8_t kLastFieldType = kTypeStdNum;

// "BYTE", "SHORT", ... ; "(17)" for 17; "UNKNOWN" beyond the table.
std::string_view typeName(uint8_t type);

}  // namespace kestrand
