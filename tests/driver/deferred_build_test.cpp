#include "driver/deferred_build.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/declared_file.h"
#include "driver/dispatch_test_seam.h"
#include "filelayer/call_driver.h"
#include "filelayer/error_state.h"
#include "filelayer/operation_code.h"
#include "filelayer/text_stack.h"
#include "runtime/message_queue.h"
#include "store/corruption.h"

namespace kestrand {
namespace {

using testing_seam::ScopedHandler;
using testing_support::DeclaredFile;
using testing_support::DriverTest;

struct BuildSeen {
  int32_t code;
  const KeyDescriptor* key;
  std::string components;
  std::string filter;
  bool running;
};
std::vector<BuildSeen> gBuilds;
ErrorCode gBuildResult = 0;

ErrorCode fakeBuild(OperationCall& call) {
  gBuilds.push_back({call.code, call.key, call.text1, call.text2,
                     (call.context->optionFlags & kFlagBuildRunning) != 0});
  return gBuildResult;
}

class DeferredBuildTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    gBuilds.clear();
    gBuildResult = 0;
  }
  void TearDown() override {
    runtime::setMessageHandler(runtime::kEventBuildDone, {});
    DriverTest::TearDown();
  }
  ScopedHandler buildKey_{opBuildKey, fakeBuild};
  ScopedHandler buildFilter_{opBuildDynFilter, fakeBuild};
  ScopedHandler pack_{opPack, fakeBuild};
};

TEST_F(DeferredBuildTest, ARequestedBuildWaitsForTheMessageLoop) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kFlagBuildDeferred);
  EXPECT_EQ(file.callWithKey(opBuildKey, file.key), 0);
  EXPECT_TRUE(gBuilds.empty());
  EXPECT_EQ(ctx.optionFlags & kFlagBuildDeferred, 0u);
  EXPECT_EQ(runtime::pendingMessages(), 1u);

  file.callWithKey(opBuildKey, file.key);  // the request is spent: this one runs at once
  ASSERT_EQ(gBuilds.size(), 1u);
  EXPECT_FALSE(gBuilds[0].running);

  runtime::pumpMessages();
  ASSERT_EQ(gBuilds.size(), 2u);
  EXPECT_EQ(gBuilds[1].code, opBuildKey);
  EXPECT_EQ(gBuilds[1].key, file.key.driverKey);
  EXPECT_TRUE(gBuilds[1].running);
  EXPECT_EQ(ctx.optionFlags & kFlagBuildRunning, 0u);
  EXPECT_EQ(errorCode(), 0);
}

TEST_F(DeferredBuildTest, AFilteredBuildKeepsItsComponentsAndFilter) {
  DeclaredFile file;
  file.contextWithFlags(kFlagOpen | kFlagWritable | kFlagExclusive | kFlagBuildDeferred);
  pushText("ID > 5");
  pushText("-NAME,+ID");
  file.callWithKey(opBuildDynFilter, file.dynamicIndex);
  runtime::pumpMessages();
  ASSERT_EQ(gBuilds.size(), 1u);
  EXPECT_EQ(gBuilds[0].key, file.dynamicIndex.driverKey);
  EXPECT_EQ(gBuilds[0].components, "-NAME,+ID");
  EXPECT_EQ(gBuilds[0].filter, "ID > 5");
  EXPECT_TRUE(file.context()->deferredText1.empty());
  EXPECT_TRUE(file.context()->deferredText2.empty());
}

ErrorCode gErrorDuringBuild = 0;

TEST_F(DeferredBuildTest, WhileItRunsOtherOperationsOnTheFileWait) {
  DeclaredFile file;
  file.contextWithFlags(kFlagOpen | kFlagWritable | kFlagExclusive | kFlagBuildDeferred);
  ScopedHandler pack(opPack, [](OperationCall& call) -> ErrorCode {
    callDriver(opRecordsFile, *call.block);
    gErrorDuringBuild = errorCode();
    return 0;
  });
  file.call(opPack);
  runtime::pumpMessages();
  EXPECT_EQ(gErrorDuringBuild, 92);  // BUILD In Progress
}

TEST_F(DeferredBuildTest, BuildEventAnswersMinusOneWhenTheBuildDid) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(0);
  ctx.deferredOperation = opPack;
  gBuildResult = -1;
  EXPECT_EQ(file.call(opBuildEvent), -1);
  EXPECT_EQ(errorCode(), 0);
  ctx.deferredOperation = 0;  // nothing remembered: nothing runs
  gBuildResult = 0;
  EXPECT_EQ(file.call(opBuildEvent), 0);
  EXPECT_EQ(gBuilds.size(), 1u);
}

int gBuildDoneEvents = 0;

TEST_F(DeferredBuildTest, AnUnwindingDuringTheBuildEndsItWith90) {
  DeclaredFile file;
  file.contextWithFlags(kFlagBuildDeferred);
  gBuildDoneEvents = 0;
  runtime::setMessageHandler(runtime::kEventBuildDone, [](const runtime::WindowMessage&) -> std::intptr_t {
    ++gBuildDoneEvents;
    return 0;
  });
  ScopedHandler pack(opPack, [](OperationCall&) -> ErrorCode { reportCorruption(1364); });
  file.call(opPack);
  runtime::pumpMessages();
  EXPECT_EQ(gBuildDoneEvents, 1);
  EXPECT_EQ(errorCode(), 90);
  EXPECT_EQ(file.context()->failureCode, 1364);
}

TEST_F(DeferredBuildTest, ABuildThatLeavesTheBlockWithoutAContextGetsANewOne) {
  DeclaredFile file;
  file.contextWithFlags(kFlagBuildDeferred);
  ScopedHandler pack(opPack, [](OperationCall& call) -> ErrorCode {
    call.block->context->destroyPending = 1;
    call.block->context->optionFlags &= ~kFlagBuildRunning;
    callDriver(opName, *call.block);  // destroys and rebuilds the context
    popText();
    return 0;
  });
  ScopedHandler destroy(opDestroy, [](OperationCall&) -> ErrorCode { return 0; });
  file.call(opPack);
  runtime::pumpMessages();
  ASSERT_NE(file.context(), nullptr);
  EXPECT_EQ(file.context()->optionFlags & kFlagBuildRunning, 0u);
  EXPECT_EQ(errorCode(), 0);
}

}  // namespace
}  // namespace kestrand
