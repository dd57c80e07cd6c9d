#include "filelayer/declarations.h"

#include "filelayer/field_types.h"

namespace kestrand {

uint32_t FieldDeclaration::elementCount() const {
  uint32_t count = 1;
  for (uint32_t dimension : dimensions) {
    if (dimension != 0) count *= dimension;
  }
  return count;
}

FieldDeclaration declareField(uint8_t type, uint32_t offset, uint32_t elementSize, const char* label) {
  FieldDeclaration field;
  field.type = type;
  field.offset = offset;
  field.elementSize = elementSize;
  field.label = label;
  return field;
}

FieldDeclaration declareGroup(uint32_t offset, uint32_t size, const char* label, uint32_t entries) {
  FieldDeclaration group = declareField(kTypeGroup, offset, size, label);
  group.groupEntries = entries;
  return group;
}

}  // namespace kestrand
