#include "driver/clear_record.h"

#include <algorithm>
#include <cstring>

#include "driver/dispatch_table.h"
#include "filelayer/field_types.h"
#include "filelayer/operation_code.h"
#include "runtime/typed_clear.h"

namespace kestrand {

namespace {
using runtime::ValueKind;

ValueKind kindOf(uint8_t type) {
  switch (type) {
    case kTypeByte: case kTypeUShort: case kTypeULong: case kTypeDate: case kTypeTime:
      return ValueKind::unsignedInteger;
    case kTypeShort: case kTypeLong:
      return ValueKind::signedInteger;
    case kTypeSReal: case kTypeReal:
      return ValueKind::real;
    case kTypeDecimal:
      return ValueKind::bcdDecimal;
    case kTypeString:
      return ValueKind::text;
    case kTypeCString:
      return ValueKind::cText;
    case kTypePString:
      return ValueKind::pascalText;
    default:
      return ValueKind::raw;
  }
}

// Fields that lie over others are left alone: clearing them would undo the clear of
// the field they overlay. A field reaching past the record length is cleared only as
// far as whole elements fit.
void clearFields(const DriverContext& ctx, int32_t value) {
  if (ctx.recordBuffer == nullptr) return;
  for (const FieldDescriptor& field : ctx.fields) {
    if (field.type == kTypeGroup || field.over != 0 || field.elementCount == 0) continue;
    if (field.offset >= ctx.recordLength) continue;
    std::size_t elementSize = field.size / field.elementCount;
    if (elementSize == 0) continue;
    std::size_t room = ctx.recordLength - field.offset;
    std::size_t count = std::min<std::size_t>(field.elementCount, room / elementSize);
    runtime::clearValues(kindOf(field.type), ctx.recordBuffer + field.offset, elementSize, count, value);
  }
}

// A BLOB is emptied through its size property, as BLOB_GET_PROP sets it.
ErrorCode resizeBlobToNothing(OperationCall& call, std::size_t blobNumber) {
  Handler setBlobProperty = handlerFor(opBlobGetProp);
  if (setBlobProperty == nullptr) return kUnsupported;
  std::intptr_t args[8] = {static_cast<std::intptr_t>(blobNumber)};
  OperationCall resize = OperationCall::direct(opBlobGetProp, call.block, call.context, args);
  resize.text1 = "0";      // the value
  resize.text2 = "31929";  // the property: Size
  return setBlobProperty(resize);
}
}  // namespace

ErrorCode clearRecordBuffers(OperationCall& call) {
  DriverContext& ctx = *call.context;
  const int32_t value = call.signedWord(0);
  clearFields(ctx, value);
  ErrorCode result = 0;
  for (std::size_t m = 0; m < ctx.memos.size(); ++m) {
    MemoDescriptor& memo = *ctx.memos[m];
    if (memo.isBlob() && value == 0) {
      result = resizeBlobToNothing(call, m + 1);
      continue;
    }
    uint8_t fill = value > 0 ? 0xFF : (value == 0 && !memo.isBinary()) ? ' ' : 0x00;
    if (!memo.buffer.empty()) std::memset(memo.buffer.data(), fill, memo.buffer.size());
  }
  return result;
}

}  // namespace kestrand
