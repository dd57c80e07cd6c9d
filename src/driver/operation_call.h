// One operation as the entry hands it to a handler: the block and its context, the
// argument words, the operation's key, the texts taken off the text stack, and the
// slots for the result word and the text result.
#pragma once

#include <cstdint>
#include <string>

#include "driver/driver_context.h"
#include "filelayer/file_control_block.h"

namespace kestrand {

struct OperationCall {
  int32_t code = 0;
  FileControlBlock* block = nullptr;
  DriverContext* context = nullptr;  // a handler that destroys or replaces it updates this
  const std::intptr_t* args = nullptr;  // never null
  KeyDescriptor* key = nullptr;  // the operation's key, for the codes that take one
  std::string text1;  // the first text taken (the last pushed)
  std::string text2;
  std::intptr_t result = 0;
  std::string textResult;

  // A call the entry makes of a handler directly, on behalf of another operation.
  static OperationCall direct(int32_t code, FileControlBlock* block, DriverContext* context,
                              const std::intptr_t* args) {
    OperationCall call;
    call.code = code;
    call.block = block;
    call.context = context;
    call.args = args;
    return call;
  }

  std::intptr_t arg(std::size_t i) const { return args[i]; }
  // A record number, mode word, count or limit: a 32-bit value in its word.
  uint32_t word(std::size_t i) const { return static_cast<uint32_t>(args[i]); }
  int32_t signedWord(std::size_t i) const { return static_cast<int32_t>(args[i]); }
  // DUPLICATE and DUPLICATEkey: exclude the current record when there is one.
  bool excludeCurrent() const { return (context->optionFlags & kFlagCurrentRecord) != 0; }
};

using Handler = ErrorCode (*)(OperationCall& call);

inline constexpr ErrorCode kUnsupported = 80;  // Unsupported File Driver Function

}  // namespace kestrand
