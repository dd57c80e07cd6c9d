// The driver's description of one entry of the record declaration (after the
// record's own), in declaration order.
#pragma once

#include <cstdint>
#include <string>

namespace kestrand {

struct FieldDescriptor {
  uint8_t type = 0;            // FieldType
  uint32_t offset = 0;         // in the record
  std::string name;            // the external name when there is one, else the label
  std::string label;
  std::string externalName;
  uint32_t groupSize = 0;      // GROUP: entries that belong to it
  uint32_t elementCount = 1;   // product of the dimensions
  uint32_t size = 0;           // element count x element size
  uint32_t over = 0;           // 1: lies over an earlier field, or in a GROUP that does
  uint32_t overField = 0;      // 1-based number of the field it lies over, 0 when none
  uint32_t index = 0;          // 0-based position in the list
  uint8_t unnamed = 0;         // 1 when the external name is empty
  uint8_t decimalPlaces = 0;   // DECIMAL only
  uint8_t decimalBytes = 0;    // DECIMAL only
  uint32_t stringLength = 0;   // STRING, CSTRING, PSTRING: the element size
  std::string picture;         // STRING, CSTRING, PSTRING
};

}  // namespace kestrand
