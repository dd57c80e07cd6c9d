#include "tables/table_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "driver/driver_entry.h"
#include "filelayer/call_driver.h"
#include "filelayer/error_state.h"
#include "filelayer/field_types.h"
#include "filelayer/operation_code.h"
#include "store/store_checker.h"
#include "tables/data_record_append.h"

namespace kestrand::testing_support {

TableBlock::TableBlock(const std::string& fullName, const std::string& password) : owner_(password) {
  setName(fullName);
  block.driver = kestrandDriverEntry;
  block.owner = {owner_.c_str(), kTextNulTerminated};
  block.attributes = kAttrCreate | (password.empty() ? 0 : kAttrEncrypt);
  declarePlainRecord(16);
}

void TableBlock::declarePlainRecord(uint32_t recordLength) {
  declareRecord({field(kTypeGroup, 0, recordLength, "REC", 2), field(kTypeLong, 0, 4, "ID"),
                 field(kTypeString, 4, recordLength - 4, "TEXT")},
                recordLength);
}

TableBlock::~TableBlock() {
  if (block.context != nullptr) callDriver(opDestroy, block, {0});
}

void TableBlock::setName(const std::string& fullName) {
  name_ = fullName;
  block.name = {name_.c_str(), kTextNulTerminated};
}

void TableBlock::declareRecord(std::vector<FieldDeclaration> entries, uint32_t recordLength) {
  entries_ = std::move(entries);
  record_ = {entries_.data(), uint32_t(entries_.size())};
  buffer_.assign(recordLength, 0);
  block.record = &record_;
  block.recordLength = recordLength;
  block.recordBuffer = buffer_.data();
}

void TableBlock::declareNoRecord() {
  block.record = nullptr;
  block.recordLength = 0;
  block.recordBuffer = nullptr;
}

KeyDeclaration& TableBlock::addKey(const char* label, uint32_t flags, std::vector<int32_t> components,
                                   const char* externalName) {
  std::vector<int32_t>& numbers = components_.emplace_back(std::move(components));
  KeyDeclaration& key = keys_.emplace_back();
  key.label = {label, kTextNulTerminated};
  if (externalName != nullptr) key.externalName = {externalName, kTextNulTerminated};
  key.flags = flags;
  key.componentCount = uint8_t(numbers.size());
  key.components = numbers.empty() ? nullptr : numbers.data();
  key.file = &block;
  keyList_.push_back(&key);
  block.keys = keyList_.data();
  block.keyCount = uint8_t(keyList_.size());
  return key;
}

MemoDeclaration& TableBlock::addMemo(const char* label, uint32_t size, uint8_t flags, const char* externalName) {
  MemoDeclaration& memo = memos_.emplace_back();
  memo.label = {label, kTextNulTerminated};
  if (externalName != nullptr) memo.externalName = {externalName, kTextNulTerminated};
  memo.size = size;
  memo.flags = flags;
  memoList_.push_back(&memo);
  block.memos = memoList_.data();
  block.memoCount = uint8_t(memoList_.size());
  return memo;
}

ErrorCode TableBlock::call(int32_t code, std::initializer_list<std::intptr_t> args) {
  clearError();
  callDriver(code, block, args);
  return errorCode();
}

ErrorCode TableBlock::create() { return call(opCreate); }
ErrorCode TableBlock::open(uint32_t mode) { return call(opOpen, {std::intptr_t(mode)}); }
ErrorCode TableBlock::close() { return call(opClose); }
ErrorCode TableBlock::remove() { return call(opRemove); }

void makeTables(const std::string& path, const std::vector<PlainTable>& tables, const std::string& password) {
  for (const PlainTable& table : tables) {
    TableBlock block(path + "\\!" + table.name, password);
    const uint32_t length = std::max<uint32_t>(table.recordLength, 8);
    block.declarePlainRecord(length);
    ASSERT_EQ(block.create(), 0) << table.name;
    ASSERT_EQ(block.open(), 0) << table.name;
    ASSERT_EQ(appendDataRecords(*block.context(), table.records,
                                [&](uint32_t i, uint8_t* image) {
                                  std::memcpy(image, &i, 4);
                                  const std::string text = table.name + "#" + std::to_string(i);
                                  std::memcpy(image + 4, text.data(), std::min<std::size_t>(text.size(), length - 4));
                                }),
              0);
    ASSERT_EQ(block.close(), 0) << table.name;
  }
}

RecordList fileRecords(const std::string& path, const std::string& password) {
  StoreCheck check = checkDataFile(path, password, true);
  std::string problems;
  for (const std::string& problem : check.problems) problems += problem + "\n";
  EXPECT_TRUE(check.sound()) << path << ":\n" << problems;
  return check.records;
}

RecordList tableRecords(const RecordList& all, const std::string& storedName) {
  RecordList out;
  const std::string nameKey = "\xFE" + storedName;
  auto name = std::find_if(all.begin(), all.end(), [&](const auto& r) { return r.first == nameKey; });
  if (name == all.end() || name->second.size() != 4) return out;
  out.push_back(*name);
  for (const auto& record : all) {
    if (record.first.compare(0, 4, name->second) == 0 && record.first.size() > 4) out.push_back(record);
  }
  return out;
}

std::vector<std::string> tableNames(const RecordList& all) {
  std::vector<std::string> names;
  for (const auto& record : all) {
    if (!record.first.empty() && uint8_t(record.first[0]) == 0xFE) names.push_back(record.first.substr(1));
  }
  return names;
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace kestrand::testing_support
