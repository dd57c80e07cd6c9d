#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "filelayer/call_driver.h"
#include "filelayer/field_types.h"
#include "filelayer/file_registry.h"
#include "filelayer/operation_code.h"
#include "filelayer/text_reference.h"
#include "filelayer/text_stack.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

TEST(TextReference, AllFourLengthForms) {
  const char nul[] = "abc";
  const char prefixed[] = "\x03xyzQ";
  const char emptyPrefixed[] = "\x00zz";
  const char fixed[] = "path/to.kst          ";
  struct Case {
    TextReference ref;
    std::string held;
    std::string copied;
  };
  const Case cases[] = {
      {{nul, kTextNulTerminated}, "abc", "abc"},
      {{prefixed, kTextLengthPrefixed}, "xyz", "xyz"},
      {{emptyPrefixed, kTextLengthPrefixed}, "", ""},
      {{nul, kTextNone}, "", ""},
      {{nullptr, 5}, "", ""},
      {{fixed, 21}, "path/to.kst          ", "path/to.kst"},
      {{"  a  ", kTextNulTerminated}, "  a  ", "  a  "},  // only fixed-length texts lose spaces
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textAsHeld(c.ref), c.held);
    EXPECT_EQ(driverCopy(c.ref), c.copied);
  }
}

TEST(TextReference, FixedNameOf260HoldingA20CharacterPath) {
  std::string name = "/data/orders-2026.kst";
  name.resize(260, ' ');
  EXPECT_EQ(driverCopy({name.data(), 260}), "/data/orders-2026.kst");
}

TEST(OperationNames, TableIsTheRuntimes) {
  EXPECT_EQ(operationName(0), "(0)");
  EXPECT_EQ(operationName(35), "(35)");
  EXPECT_EQ(operationName(39), "(39)");
  EXPECT_EQ(operationName(opRemove), "REMOVE");
  EXPECT_EQ(operationName(opSetKeyKey), "SETkeykey");
  EXPECT_EQ(operationName(opBlobGetProp), "BLOB_GET_PROP");
  EXPECT_EQ(operationName(opDestroy), "DESTROY");
  EXPECT_EQ(operationName(105), "");
  EXPECT_EQ(operationName(-1), "");
}

TEST(FieldTypes, NamesAndTheGapAt17) {
  EXPECT_EQ(typeName(kTypeLong), "LONG");
  EXPECT_EQ(typeName(17), "(17)");
  EXPECT_EQ(typeName(kTypeStdNum), "STDNUM");
  EXPECT_EQ(typeName(31), "UNKNOWN");
}

TEST(TextStack, LastPushedIsTakenFirst) {
  clearTextStack();
  pushText("property");
  pushText("value");
  EXPECT_EQ(popText(), "value");
  EXPECT_EQ(popText(), "property");
  EXPECT_EQ(popText(), "");  // empty stack
  const uint8_t bytes[] = {1, 2, 3};
  pushReference({bytes, 3});
  EXPECT_EQ(popText(), std::string("\x01\x02\x03"));
  EXPECT_EQ(textStackDepth(), 0u);
}

// A driver that records what reached it.
std::vector<int32_t> gCalls;
std::vector<std::intptr_t> gFirstArgs;
std::intptr_t recordingDriver(int32_t code, FileControlBlock* block, const std::intptr_t* args) {
  gCalls.push_back(code);
  gFirstArgs.push_back(args[0]);
  if (code == opDestroy) unregisterFile(*block);
  return 7000 + code;
}

TEST(CallDriver, PassesCodeArgumentsAndResultUnchanged) {
  gCalls.clear();
  gFirstArgs.clear();
  FileControlBlock block;
  block.driver = recordingDriver;
  EXPECT_EQ(callDriver(opOpen, block, {0x42}), 7000 + opOpen);
  EXPECT_EQ(callDriver(opRemove, block), 7000 + opRemove);
  EXPECT_EQ(gCalls, (std::vector<int32_t>{opOpen, opRemove}));
  EXPECT_EQ(gFirstArgs[0], 0x42);
  EXPECT_EQ(block.context, nullptr);  // the layer never touches the context
}

TEST(FileRegistry, AddUpdateRemove) {
  FileControlBlock a;
  FileControlBlock b;
  registerFile(a, 0);
  registerFile(b, 0);
  registerFile(a, 0x42);
  ASSERT_NE(findRegisteredFile(a), nullptr);
  EXPECT_EQ(findRegisteredFile(a)->status, 0x42u);
  EXPECT_EQ(registeredFiles().size(), 2u);
  unregisterFile(a);
  unregisterFile(b);
  EXPECT_EQ(findRegisteredFile(a), nullptr);
  EXPECT_TRUE(registeredFiles().empty());
}

FileControlBlock gFirst;
FileControlBlock gSecond;
FileControlBlock gThird;
std::FILE* gOrderLog = nullptr;

std::intptr_t loggingDriver(int32_t code, FileControlBlock* self, const std::intptr_t* args) {
  if (code == opDestroy && args[0] == 0) {
    std::fputc(self == &gFirst ? '1' : self == &gSecond ? '2' : '3', gOrderLog);
  }
  unregisterFile(*self);
  return 0;
}

TEST(FileRegistry, ProcessEndSendsDestroyNewestFirst) {
  testing_support::TempDir dir;
  std::string logPath = dir.file("order");
  int status = testing_support::runInChild([&] {
    gOrderLog = std::fopen(logPath.c_str(), "w");
    for (FileControlBlock* block : {&gFirst, &gSecond, &gThird}) {
      block->driver = loggingDriver;
      registerFile(*block, 0);
    }
    std::exit(0);  // the registry's exit handler runs, then the stream is flushed
    return 1;
  });
  ASSERT_EQ(status, 0);
  EXPECT_EQ(testing_support::fileBytes(logPath), "321");
}

}  // namespace
}  // namespace kestrand
