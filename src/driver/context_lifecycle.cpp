#include "driver/context_lifecycle.h"

#include <cstdlib>
#include <new>
#include <optional>
#include <string>

#include "driver/driver_context.h"
#include "driver/field_layout.h"
#include "filelayer/file_registry.h"

namespace kestrand {

namespace {
constexpr ErrorCode kNoMemory = 8;
constexpr ErrorCode kInvalidDeclaration = 47;
constexpr ErrorCode kInvalidLayout = 75;

// Keys and memos store an absent external name differently from an empty one.
std::optional<std::string> optionalCopy(const TextReference& ref) {
  if (ref.text == nullptr || ref.length == kTextNone) return std::nullopt;
  return driverCopy(ref);
}

uint8_t keyFlags(const KeyDeclaration& declaration) {
  uint8_t flags = static_cast<uint8_t>(declaration.flags & (kKeyDup | kKeyOpt | kKeyNoCase | kKeyPassed | kKeyPrimary));
  if (declaration.flags & kKeyIndex) {
    flags |= kKeyFlagIndex;
    if (declaration.componentCount == 0) flags |= kKeyFlagDynamic;
  }
  return flags;
}

ErrorCode describeKey(DriverContext& ctx, KeyDeclaration& declaration, uint32_t number) {
  auto key = std::make_unique<KeyDescriptor>();
  key->context = &ctx;
  key->declaration = &declaration;
  key->externalName = optionalCopy(declaration.externalName);
  key->label = driverCopy(declaration.label);
  key->number = number;
  key->flags = keyFlags(declaration);
  KeyDescriptor& added = *ctx.keys.emplace_back(std::move(key));
  declaration.driverKey = &added;
  if (declaration.componentCount != 0 && declaration.components == nullptr) return kInvalidLayout;
  for (uint8_t c = 0; c < declaration.componentCount; ++c) {
    int64_t fieldNumber = declaration.components[c];
    int64_t magnitude = std::llabs(fieldNumber);
    if (magnitude < 1 || magnitude > static_cast<int64_t>(ctx.fields.size())) return kInvalidLayout;
    const FieldDescriptor& field = ctx.fields[static_cast<std::size_t>(magnitude - 1)];
    if (field.elementCount >= 2) return kInvalidLayout;  // an array cannot be a key component
    added.components.push_back({&field, fieldNumber < 0});
  }
  return 0;
}

ErrorCode describeMemo(DriverContext& ctx, MemoDeclaration& declaration) {
  if (declaration.size > kMaxMemoSize) return kInvalidDeclaration;
  auto memo = std::make_unique<MemoDescriptor>();
  memo->declaration = &declaration;
  memo->externalName = optionalCopy(declaration.externalName);
  memo->label = driverCopy(declaration.label);
  memo->flags = declaration.flags;
  memo->size = declaration.size;
  memo->buffer.assign(declaration.size, ' ');
  MemoDescriptor& added = *ctx.memos.emplace_back(std::move(memo));
  declaration.buffer = added.buffer.empty() ? nullptr : added.buffer.data();
  declaration.driverMemo = &added;
  return 0;
}

ErrorCode buildContext(FileControlBlock& block, const char* driverName) {
  block.context = std::make_unique<DriverContext>().release();  // owned through the block until destroyContext
  DriverContext& ctx = *block.context;
  if (block.recordLength > kMaxRecordLength) return kInvalidDeclaration;

  ctx.name = driverCopy(block.name);
  ctx.owner = driverCopy(block.owner);
  ctx.driverOptions = driverCopy(block.driverOptions);
  ctx.block = &block;
  ctx.recordBuffer = block.recordBuffer;
  ctx.recordLength = block.recordLength;
  ctx.driverName = driverName;
  ctx.attributes = static_cast<uint8_t>((block.attributes >> 1) & 0x3F);

  if (ErrorCode error = describeFields(block.record, ctx.fields)) return error;

  uint32_t keyCount = block.keys != nullptr ? block.keyCount : 0;
  if (keyCount > kMaxKeys) return kInvalidDeclaration;
  for (uint32_t k = 0; k < keyCount; ++k) {
    if (block.keys[k] == nullptr) return kInvalidDeclaration;
    if (ErrorCode error = describeKey(ctx, *block.keys[k], k)) return error;
  }

  uint32_t memoCount = block.memos != nullptr ? block.memoCount : 0;
  for (uint32_t m = 0; m < memoCount; ++m) {
    if (block.memos[m] == nullptr) return kInvalidDeclaration;
    if (ErrorCode error = describeMemo(ctx, *block.memos[m])) return error;
  }
  return 0;
}
}  // namespace

ErrorCode createContext(FileControlBlock& block, const char* driverName) {
  ErrorCode result = 0;
  try {
    result = buildContext(block, driverName);
  } catch (const std::bad_alloc&) {
    result = kNoMemory;
  }
  try {
    registerFile(block, 0);
  } catch (const std::bad_alloc&) {
    if (result == 0) result = kNoMemory;
  }
  return result;
}

void destroyContext(FileControlBlock& block) {
  std::unique_ptr<DriverContext> ctx(block.context);
  block.context = nullptr;
  if (ctx) {
    // The declarations outlive the context: leave none of them pointing into it.
    // Descriptors read from a stored definition have no declaration.
    for (const std::unique_ptr<KeyDescriptor>& key : ctx->keys) {
      if (key->declaration != nullptr && key->declaration->driverKey == key.get()) key->declaration->driverKey = nullptr;
    }
    for (const std::unique_ptr<MemoDescriptor>& memo : ctx->memos) {
      if (memo->declaration != nullptr && memo->declaration->driverMemo == memo.get()) {
        memo->declaration->driverMemo = nullptr;
        memo->declaration->buffer = nullptr;
      }
    }
  }
  unregisterFile(block);
}

}  // namespace kestrand
