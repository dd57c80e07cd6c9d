#include "driver/declared_file.h"

#include "driver/driver_entry.h"
#include "filelayer/call_driver.h"
#include "filelayer/error_state.h"
#include "filelayer/field_types.h"
#include "filelayer/file_registry.h"
#include "filelayer/operation_code.h"
#include "filelayer/text_stack.h"
#include "runtime/clip.h"
#include "runtime/message_queue.h"

namespace kestrand::testing_support {

FieldDeclaration field(uint8_t type, uint32_t offset, uint32_t size, const char* label, uint32_t groupEntries) {
  FieldDeclaration entry = declareField(type, offset, size, label);
  entry.groupEntries = groupEntries;
  return entry;
}

DeclaredFile::DeclaredFile(std::string name) : nameVariable(std::move(name)) {
  nameVariable.resize(64, ' ');
  block.driver = kestrandDriverEntry;
  block.name = {nameVariable.c_str(), static_cast<int32_t>(nameVariable.size())};
  declareRecord({field(kTypeGroup, 0, 14, "REC", 2), field(kTypeLong, 0, 4, "ID"), field(kTypeString, 4, 10, "NAME")},
                14);
  key.label = {"BYID", kTextNulTerminated};
  key.componentCount = 1;
  key.components = keyComponents;
  key.file = &block;
  dynamicIndex.label = {"DYN", kTextNulTerminated};
  dynamicIndex.flags = kKeyIndex;
  dynamicIndex.file = &block;
  memo.label = {"NOTES", kTextNulTerminated};
  memo.size = 8;
  block.keyCount = 2;
  block.keys = keys;
  block.memoCount = 1;
  block.memos = memos;
}

DeclaredFile::~DeclaredFile() {
  if (block.context != nullptr) callDriver(opDestroy, block, {0});
  unregisterFile(block);
}

void DeclaredFile::declareRecord(std::vector<FieldDeclaration> list, uint32_t recordLength) {
  entries = std::move(list);
  record = {entries.data(), static_cast<uint32_t>(entries.size())};
  buffer.assign(recordLength, 0xAA);
  block.record = &record;
  block.recordLength = recordLength;
  block.recordBuffer = buffer.data();
}

void DeclaredFile::declareNoKeysOrMemos() {
  block.keyCount = 0;
  block.keys = nullptr;
  block.memoCount = 0;
  block.memos = nullptr;
}

std::intptr_t DeclaredFile::call(int32_t code, std::initializer_list<std::intptr_t> args) {
  return callDriver(code, block, args);
}

std::intptr_t DeclaredFile::callWithKey(int32_t code, KeyDeclaration& keyDeclaration, std::intptr_t second) {
  return callDriver(code, block, {reinterpret_cast<std::intptr_t>(&keyDeclaration), second});
}

DriverContext& DeclaredFile::contextWithFlags(OptionFlags flags) {
  if (block.context == nullptr) call(opStream);  // creates the context; refused while closed
  EXPECT_NE(block.context, nullptr);
  block.context->optionFlags = flags;
  clearError();
  return *block.context;
}

void DriverTest::SetUp() {
  clearError();
  clearTextStack();
  runtime::discardMessages();
}

void DriverTest::TearDown() {
  destroyRegisteredFiles();
  clearTextStack();
  clearError();
  runtime::discardMessages();
}

std::string clipped(std::string_view text) { return runtime::CLIP(text); }

}  // namespace kestrand::testing_support
