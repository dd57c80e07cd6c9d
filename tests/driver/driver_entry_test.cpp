#include "driver/driver_entry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "driver/declared_file.h"
#include "driver/dispatch_test_seam.h"
#include "driver/driver_identity.h"
#include "filelayer/error_state.h"
#include "filelayer/file_registry.h"
#include "filelayer/operation_code.h"
#include "filelayer/text_stack.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using testing_seam::ScopedHandler;
using testing_support::clipped;
using testing_support::DeclaredFile;
using testing_support::DriverTest;

class DriverEntryTest : public DriverTest {};

ErrorCode succeed(OperationCall&) { return 0; }
ErrorCode refuseDeclaration(OperationCall&) { return 47; }

TEST_F(DriverEntryTest, QueryViewAnswersWithoutAContext) {
  DeclaredFile file;
  EXPECT_EQ(file.call(opQueryView), 0);
  EXPECT_EQ(file.context(), nullptr);
  EXPECT_EQ(findRegisteredFile(file.block), nullptr);
}

TEST_F(DriverEntryTest, CloseWithoutAContextAnswersZeroAndCreatesNone) {
  DeclaredFile file;
  postError(2);
  EXPECT_EQ(file.call(opClose), 0);
  EXPECT_EQ(file.context(), nullptr);
  EXPECT_EQ(errorCode(), 2);  // nothing was posted or cleared
  file.call(opNext);
  ASSERT_NE(file.context(), nullptr);
  file.call(opClose);
  EXPECT_EQ(errorCode(), 37);  // a context that is not open
}

TEST_F(DriverEntryTest, FirstOperationCreatesAndRegistersTheContext) {
  DeclaredFile file;
  file.call(opRemove);
  ASSERT_NE(file.context(), nullptr);
  EXPECT_EQ(file.context()->name, "C:\\DATA\\SHOP.KST\\!CUSTOMERS");
  ASSERT_NE(findRegisteredFile(file.block), nullptr);
  EXPECT_EQ(errorCode(), 2);  // no such data file
  EXPECT_EQ(errorFile(), &file.block);
}

TEST_F(DriverEntryTest, BofOnAClosedTablePosts37AndAnswersOne) {
  DeclaredFile file;
  EXPECT_EQ(file.call(opBof), 1);
  EXPECT_EQ(errorCode(), 37);
  EXPECT_EQ(clipped(errorText()), "File Not Open");
  EXPECT_EQ(errorFile(), &file.block);
}

TEST_F(DriverEntryTest, UnsupportedCodesAnswer80AfterTheChecks) {
  DeclaredFile file;
  file.call(opAddFileLen);
  EXPECT_EQ(errorCode(), 37);
  file.contextWithFlags(kFlagOpen);
  for (int32_t code : {int32_t{opAddFileLen}, int32_t{opBuffer}, int32_t{op35}, int32_t{opNone}, int32_t{opSqlCallback}, 150}) {
    SCOPED_TRACE(code);
    clearError();
    file.call(code);
    EXPECT_EQ(errorCode(), 80);
  }
}

TEST_F(DriverEntryTest, DoingNothingReportsNothing) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kFlagOpen);
  EXPECT_EQ(file.call(opStream), 0);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen | kFlagStream);
  postError(2);
  file.call(opStream);  // STREAM during STREAM
  EXPECT_EQ(errorCode(), 2);
  EXPECT_EQ(ctx.lastResult, 0);
}

TEST_F(DriverEntryTest, TextArgumentsAreTakenAndTextResultsLeftWhateverHappens) {
  DeclaredFile file;
  pushText("unrelated");
  pushText("position");
  file.call(opResetFile);  // refused: not open
  EXPECT_EQ(errorCode(), 37);
  EXPECT_EQ(textStackDepth(), 1u);
  pushText("29440");
  file.call(opGetProperty, {0});  // no property handler yet: 80, and still one text result
  EXPECT_EQ(errorCode(), 80);
  EXPECT_EQ(textStackDepth(), 2u);
  EXPECT_EQ(popText(), "");
  pushText("value");
  pushText("property");
  file.call(opSetProperty, {0});
  EXPECT_EQ(textStackDepth(), 1u);
  EXPECT_EQ(popText(), "unrelated");
}

TEST_F(DriverEntryTest, AnOperationEndingWith47RebuildsTheContextNext) {
  DeclaredFile file;
  ScopedHandler remove(opRemove, refuseDeclaration);
  file.call(opRemove);
  EXPECT_EQ(errorCode(), 47);
  ASSERT_NE(file.context(), nullptr);
  EXPECT_EQ(file.context()->destroyPending, 1);
  file.context()->optionFlags = kFlagStream;
  file.context()->name = "stale";
  ScopedHandler destroy(opDestroy, succeed);
  file.call(opName);
  ASSERT_NE(file.context(), nullptr);
  EXPECT_EQ(file.context()->optionFlags, 0u);
  EXPECT_EQ(file.context()->name, "C:\\DATA\\SHOP.KST\\!CUSTOMERS");
  EXPECT_EQ(file.context()->destroyPending, 0);
}

TEST_F(DriverEntryTest, CloseAfter47DestroysTheContextAndReportsTheErrorStillPosted) {
  DeclaredFile file;
  ScopedHandler remove(opRemove, refuseDeclaration);
  ScopedHandler destroy(opDestroy, succeed);
  file.call(opRemove);
  file.call(opClose);
  EXPECT_EQ(file.context(), nullptr);
  EXPECT_EQ(errorCode(), 47);
  EXPECT_EQ(findRegisteredFile(file.block), nullptr);
}

TEST_F(DriverEntryTest, NameAnswersTheVariableWhileClosedAndTheContextNameWhileOpen) {
  DeclaredFile file;
  file.call(opName);
  EXPECT_EQ(popText(), file.nameVariable);  // fixed length, padding kept
  file.context()->optionFlags = kFlagOpen;
  file.context()->name = "C:\\DATA\\SHOP.KST\\!CUSTOMERS";
  file.nameVariable.replace(0, 4, "D:\\X");
  file.call(opName);
  EXPECT_EQ(popText(), "C:\\DATA\\SHOP.KST\\!CUSTOMERS");
}

TEST_F(DriverEntryTest, AClosedContextTakesTheBlockTextsAgainUnlessAPropertySetThem) {
  DeclaredFile file;
  file.call(opRemove);
  file.nameVariable.replace(0, 1, "D");
  file.call(opRemove);
  EXPECT_EQ(file.context()->name, "D:\\DATA\\SHOP.KST\\!CUSTOMERS");
  file.context()->propertyMarks = kMarkName;
  file.context()->name = "SET BY PROPERTY";
  file.call(opRemove);
  EXPECT_EQ(file.context()->name, "SET BY PROPERTY");
  file.context()->propertyMarks = 0;
  file.context()->optionFlags = kFlagOpen;
  file.call(opBytes);  // open: no refresh
  EXPECT_EQ(file.context()->name, "SET BY PROPERTY");
}

TEST_F(DriverEntryTest, SendRegisterIdentifiesTheDriver) {
  DeclaredFile file;
  pushText("REGISTER");
  std::intptr_t identity = file.call(opSend);
  EXPECT_EQ(identity, reinterpret_cast<std::intptr_t>(kDriverName));
  EXPECT_EQ(popText(), std::to_string(identity));
  EXPECT_EQ(file.context(), nullptr);  // closed: no context is left
  EXPECT_EQ(findRegisteredFile(file.block), nullptr);
  EXPECT_EQ(errorCode(), 0);

  file.contextWithFlags(kFlagOpen);
  pushText("REGISTER");
  EXPECT_EQ(file.call(opSend), identity);
  EXPECT_NE(file.context(), nullptr);
  EXPECT_EQ(textStackDepth(), 1u);
}

TEST_F(DriverEntryTest, Internal91AnswersTheEntryItself) {
  DeclaredFile file;
  EXPECT_EQ(file.call(opInternal91), reinterpret_cast<std::intptr_t>(&kestrandDriverEntry));
}

TEST_F(DriverEntryTest, QueryKeyNumbersTheOrderKeyFromOne) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kFlagOpen);
  EXPECT_EQ(file.call(opQueryKey), 0);
  ctx.orderKey = file.dynamicIndex.driverKey;
  EXPECT_EQ(file.call(opQueryKey), 2);
}

ErrorCode countTen(OperationCall& call) {
  call.result = 10;
  return 0;
}
ErrorCode countEleven(OperationCall& call) {
  call.result = 11;
  return 0;
}
ErrorCode countFails(OperationCall& call) {
  call.result = 500;
  return 33;
}

TEST_F(DriverEntryTest, CountRecordsComparesWithTheLimitAndHidesAFailedCount) {
  DeclaredFile file;
  file.contextWithFlags(kFlagOpen);
  {
    ScopedHandler count(opRecordsFile, countTen);
    EXPECT_EQ(file.call(opCountRecords, {10}), 0);
    EXPECT_EQ(file.call(opCountRecords, {9}), 1);
  }
  {
    ScopedHandler count(opRecordsFile, countEleven);
    EXPECT_EQ(file.call(opCountRecords, {10}), 1);
  }
  {
    ScopedHandler count(opRecordsFile, countFails);
    EXPECT_EQ(file.call(opCountRecords, {10}), 0);
    EXPECT_EQ(file.call(opCountRecords, {-1}), 1);  // no records are still more than -1
    EXPECT_EQ(errorCode(), 0);
  }
}

TEST_F(DriverEntryTest, DestroyFreesTheContextAndItsRegistration) {
  DeclaredFile file;
  file.call(opName);
  popText();
  ScopedHandler close(opDestroy, succeed);
  file.call(opDestroy, {0});
  EXPECT_EQ(file.context(), nullptr);
  EXPECT_EQ(findRegisteredFile(file.block), nullptr);
  EXPECT_EQ(file.key.driverKey, nullptr);
}

DeclaredFile* gDestroyOrder[3];
std::FILE* gDestroyLog = nullptr;

ErrorCode logDestroy(OperationCall& call) {
  for (int i = 0; i < 3; ++i) {
    if (call.block == &gDestroyOrder[i]->block) std::fputc('1' + i, gDestroyLog);
  }
  return 0;
}

TEST_F(DriverEntryTest, ProcessEndDestroysEveryContextNewestFirst) {
  testing_support::TempDir dir;
  std::string logPath = dir.file("order");
  int status = testing_support::runInChild([&] {
    gDestroyLog = std::fopen(logPath.c_str(), "w");
    // std::exit does not unwind: these stay alive while the exit handlers run.
    DeclaredFile first, second, third;
    gDestroyOrder[0] = &first;
    gDestroyOrder[1] = &second;
    gDestroyOrder[2] = &third;
    ScopedHandler destroy(opDestroy, logDestroy);
    first.call(opName);
    third.call(opName);
    second.call(opName);
    std::exit(0);
    return 1;
  });
  ASSERT_EQ(status, 0);
  EXPECT_EQ(testing_support::fileBytes(logPath), "231");
}

}  // namespace
}  // namespace kestrand
