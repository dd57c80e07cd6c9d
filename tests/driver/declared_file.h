// A file declared to the Kestrand driver the way a program declares one: a fixed-length
// name variable, a small record (a LONG and a STRING), one key on the LONG, one
// dynamic index and one text memo. Tests change the declaration before the first
// operation when they need another.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "driver/driver_context.h"
#include "filelayer/file_control_block.h"

namespace kestrand::testing_support {

FieldDeclaration field(uint8_t type, uint32_t offset, uint32_t size, const char* label, uint32_t groupEntries = 0);

class DeclaredFile {
 public:
  explicit DeclaredFile(std::string name = "C:\\DATA\\SHOP.KST\\!CUSTOMERS");
  ~DeclaredFile();  // destroys a context that is left
  DeclaredFile(const DeclaredFile&) = delete;
  DeclaredFile& operator=(const DeclaredFile&) = delete;

  // Replaces the record declaration: entries[0] is the record's GROUP.
  void declareRecord(std::vector<FieldDeclaration> entries, uint32_t recordLength);
  void declareNoKeysOrMemos();

  std::intptr_t call(int32_t code, std::initializer_list<std::intptr_t> args = {});
  std::intptr_t callWithKey(int32_t code, KeyDeclaration& key, std::intptr_t second = 0);
  DriverContext* context() const { return block.context; }
  // Creates the context through a harmless operation and sets its OptionFlags.
  DriverContext& contextWithFlags(OptionFlags flags);

  FileControlBlock block;
  std::string nameVariable;  // fixed-length, space-padded
  std::vector<FieldDeclaration> entries;
  RecordDeclaration record;
  std::vector<uint8_t> buffer;
  int32_t keyComponents[1] = {1};
  KeyDeclaration key;
  KeyDeclaration dynamicIndex;
  KeyDeclaration* keys[2] = {&key, &dynamicIndex};
  MemoDeclaration memo;
  MemoDeclaration* memos[1] = {&memo};
};

// Leaves the process-wide state (errors, text stack, messages, registry) as it found it.
class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

std::string clipped(std::string_view text);

}  // namespace kestrand::testing_support
