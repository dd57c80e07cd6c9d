#include "driver/field_layout.h"

#include "filelayer/field_types.h"

namespace kestrand {

namespace {
constexpr ErrorCode kInvalidLayout = 75;
constexpr ErrorCode kUnsupportedType = 79;

bool storableType(uint8_t type) {
  return (type >= kTypeByte && type <= kTypeDecimal) || type == kTypeString || type == kTypeCString ||
         type == kTypePString || type == kTypeGroup;
}

bool isText(uint8_t type) { return type == kTypeString || type == kTypeCString || type == kTypePString; }

FieldDescriptor describe(const FieldDeclaration& entry, uint32_t index) {
  FieldDescriptor field;
  field.type = entry.type;
  field.offset = entry.offset;
  field.label = entry.label != nullptr ? entry.label : "";
  field.externalName = entry.externalName != nullptr ? entry.externalName : "";
  field.unnamed = field.externalName.empty() ? 1 : 0;
  field.name = field.unnamed ? field.label : field.externalName;
  field.elementCount = entry.elementCount();
  field.size = field.elementCount * entry.elementSize;
  field.index = index;
  if (entry.type == kTypeGroup) field.groupSize = entry.groupEntries;
  if (entry.type == kTypeDecimal) {
    field.decimalPlaces = entry.places;
    field.decimalBytes = static_cast<uint8_t>(entry.elementSize);
  }
  if (isText(entry.type)) {
    field.stringLength = entry.elementSize;
    field.picture = entry.picture != nullptr ? entry.picture : "";
  }
  return field;
}

// Describes the `count` entries from declaration index `first` on, the members of one
// group that starts at `groupOffset`. Field numbers are declaration indexes.
class GroupWalker {
 public:
  GroupWalker(const RecordDeclaration& record, std::vector<FieldDescriptor>& fields)
      : record_(record), fields_(fields) {}

  ErrorCode walk(uint32_t first, uint32_t count, uint32_t groupOffset, bool groupOver) {
    uint64_t runningEnd = groupOffset;
    std::vector<uint32_t> members;  // declaration indexes of this group's own entries
    uint32_t end = first + count;
    for (uint32_t n = first; n < end;) {
      const FieldDeclaration& entry = record_.entries[n];
      FieldDescriptor field = describe(entry, n - 1);
      field.over = groupOver ? 1 : 0;
      if (entry.offset > runningEnd) return kInvalidLayout;  // a gap
      if (entry.offset < runningEnd) {
        field.overField = startingAt(members, entry.offset);
        if (field.overField == 0) return kInvalidLayout;  // inside an earlier field
        field.over = 1;
      } else {
        runningEnd += field.size;
      }
      if (!storableType(entry.type) && field.over == 0) return kUnsupportedType;
      members.push_back(n);
      bool over = field.over != 0;
      fields_.push_back(std::move(field));
      ++n;
      if (entry.type == kTypeGroup) {
        if (entry.groupEntries > end - n) return kInvalidLayout;  // members beyond the group
        if (ErrorCode error = walk(n, entry.groupEntries, entry.offset, over)) return error;
        n += entry.groupEntries;
      }
    }
    return 0;
  }

 private:
  uint32_t startingAt(const std::vector<uint32_t>& members, uint32_t offset) const {
    for (uint32_t n : members) {
      if (record_.entries[n].offset == offset) return n;
    }
    return 0;
  }

  const RecordDeclaration& record_;
  std::vector<FieldDescriptor>& fields_;
};
}  // namespace

ErrorCode describeFields(const RecordDeclaration* record, std::vector<FieldDescriptor>& fields) {
  fields.clear();
  if (record == nullptr || record->count == 0 || record->entries == nullptr) return 0;
  if (record->entries[0].type != kTypeGroup) return kInvalidLayout;
  fields.reserve(record->count - 1);
  return GroupWalker(*record, fields).walk(1, record->count - 1, 0, false);
}

}  // namespace kestrand
