#include "filelayer/field_types.h"

namespace kestrand {

namespace {
constexpr std::string_view kTypeNames[] = {
    "END",     "BYTE",    "SHORT",  "USHORT",  "DATE",  "TIME",     "LONG",   "ULONG",
    "SREAL",   "REAL",    "DECIMAL", "PDECIMAL", "DUM1", "BFLOAT4", "BFLOAT8", "ANY",
    "TEMPUFO", "(17)",    "STRING", "CSTRING", "PSTRING", "MEMO",   "GROUP",  "CLASS",
    "ARRAY",   "FIELD",   "QUEUE",  "BLOB",    "STACKSTR", "PICTURE", "STDNUM",
};
static_assert(std::size(kTypeNames) == kLastFieldType + 1);
}  // namespace

std::string_view typeName(uint8_t type) {
  return type <= kLastFieldType ? kTypeNames[type] : std::string_view("UNKNOWN");
}

}  // namespace kestrand
