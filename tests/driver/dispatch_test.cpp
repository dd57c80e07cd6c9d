// The entry's own work around the handlers, driven through fake handlers.
#include "driver/dispatch.h"

#include <gtest/gtest.h>

#include "driver/declared_file.h"
#include "driver/dispatch_test_seam.h"
#include "filelayer/error_state.h"
#include "filelayer/file_registry.h"
#include "filelayer/mode_word.h"
#include "filelayer/operation_code.h"
#include "filelayer/text_stack.h"

namespace kestrand {
namespace {

using testing_seam::ScopedHandler;
using testing_support::DeclaredFile;
using testing_support::DriverTest;

int gCalls = 0;
ErrorCode gAnswers[4] = {};

// Answers gAnswers in turn, the last one from then on.
ErrorCode scripted(OperationCall&) {
  ErrorCode answer = gAnswers[gCalls < 4 ? gCalls : 3];
  ++gCalls;
  return answer;
}

class DispatchTest : public DriverTest {
 protected:
  void script(ErrorCode a, ErrorCode b = 0, ErrorCode c = 0, ErrorCode d = 0) {
    gCalls = 0;
    gAnswers[0] = a;
    gAnswers[1] = b;
    gAnswers[2] = c;
    gAnswers[3] = d;
  }
};

TEST_F(DispatchTest, OpenAndShareKeepTheModeAndRegisterIt) {
  DeclaredFile file;
  ScopedHandler open(opOpen, scripted);
  ScopedHandler share(opShare, scripted);
  script(0);
  file.call(opOpen, {mode::kReadWrite | mode::kDenyWrite});
  DriverContext& ctx = *file.context();
  EXPECT_EQ(ctx.openMode, mode::kReadWrite | mode::kDenyWrite);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen | kFlagWritable | kFlagExclusive);
  EXPECT_EQ(findRegisteredFile(file.block)->status, mode::kReadWrite | mode::kDenyWrite);

  ctx.optionFlags = 0;
  file.call(opShare, {mode::kReadOnly | mode::kDenyNone});
  EXPECT_EQ(ctx.optionFlags, kFlagOpen);
  EXPECT_EQ(findRegisteredFile(file.block)->status, mode::kReadOnly | mode::kDenyNone);

  ScopedHandler close(opClose, scripted);
  file.call(opClose);
  EXPECT_EQ(ctx.optionFlags, 0u);
  EXPECT_EQ(findRegisteredFile(file.block)->status, 0u);

  script(2);  // a failed open changes neither the mode nor the registry
  file.call(opOpen, {mode::kReadWrite | mode::kDenyAll});
  EXPECT_EQ(ctx.openMode, mode::kReadOnly | mode::kDenyNone);
  EXPECT_EQ(findRegisteredFile(file.block)->status, 0u);
}

TEST_F(DispatchTest, RefusalsOfTheEntryComeBeforeTheHandler) {
  DeclaredFile file;
  ScopedHandler open(opOpen, scripted);
  ScopedHandler create(opCreate, scripted);
  ScopedHandler copy(opCopy, scripted);
  ScopedHandler buildDyn(opBuildDyn, scripted);
  script(0);
  file.call(opName);
  popText();
  file.context()->name.clear();
  file.block.name = {};  // nothing to refresh the name from
  file.call(opOpen, {mode::kReadWrite});
  EXPECT_EQ(errorCode(), 45);
  file.call(opCreate);
  EXPECT_EQ(errorCode(), 54);
  pushText("");
  EXPECT_EQ(file.call(opCopy), 0);  // an empty new name does nothing
  file.context()->optionFlags = kFlagOpen;
  file.dynamicIndex.driverKey->built = true;
  pushText("");
  file.callWithKey(opBuildDyn, file.dynamicIndex);
  EXPECT_EQ(errorCode(), 76);
  EXPECT_EQ(gCalls, 0);
}

TEST_F(DispatchTest, LockRetriesWhileTheFileIsLockedElsewhere) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kFlagOpen);
  ScopedHandler lock(opLockFile, scripted);
  script(32, 32, 32, 0);
  file.call(opLockFile);
  EXPECT_EQ(gCalls, 4);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen | kFlagLocked | kFlagExclusive);
  ctx.optionFlags = kFlagOpen;
  script(5, 0);
  file.call(opLockFile);
  EXPECT_EQ(gCalls, 1);
  EXPECT_EQ(errorCode(), 5);
}

TEST_F(DispatchTest, TimedLockTriesAgainUntilItSucceedsOrTimeRunsOut) {
  DeclaredFile file;
  file.contextWithFlags(kFlagOpen);
  ScopedHandler lock(opLockFileSec, scripted);
  script(32, 0);
  file.call(opLockFileSec, {30});
  EXPECT_EQ(gCalls, 2);
  EXPECT_EQ(errorCode(), 0);
}

TEST_F(DispatchTest, SequenceOperationsKeepTheirKeyPointerAndPosition) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kFlagOpen);
  ScopedHandler setKeyPtr(opSetKeyPtr, scripted);
  ScopedHandler setFileKey(opSetFileKey, scripted);
  ScopedHandler resetKey(opResetKey, scripted);
  ScopedHandler setFile(opSetFile, scripted);
  script(0);
  file.callWithKey(opSetKeyPtr, file.key, 42);
  EXPECT_EQ(ctx.orderKey, file.key.driverKey);
  EXPECT_EQ(ctx.setPointer, 42u);
  file.callWithKey(opSetFileKey, file.key);
  EXPECT_EQ(ctx.orderKey, nullptr);
  EXPECT_EQ(ctx.setKey, &file.key);
  pushText("POS1");
  file.callWithKey(opResetKey, file.key);
  EXPECT_EQ(ctx.orderKey, file.key.driverKey);
  EXPECT_EQ(ctx.lastResetPosition, "POS1");
  EXPECT_EQ(ctx.lastSequenceOperation, opResetKey);
  ctx.setPointer = 7;
  {
    ScopedHandler missing(opSetFile, nullptr);
    file.call(opSetFile);  // no handler yet: 80, and nothing changed
    EXPECT_EQ(errorCode(), 80);
    EXPECT_EQ(ctx.orderKey, file.key.driverKey);
  }
}

TEST_F(DispatchTest, HoldKeepsItsSecondsAndBytesAnswersTheRecordLength) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kFlagOpen);
  ScopedHandler hold(opHoldFile, scripted);
  ScopedHandler holdSec(opHoldFileSec, scripted);
  ScopedHandler bytes(opBytes, [](OperationCall& call) -> ErrorCode {
    call.result = 4096;
    return 0;
  });
  script(0);
  file.call(opHoldFileSec, {5});
  EXPECT_EQ(ctx.holdSeconds, 5);
  file.call(opHoldFile);
  EXPECT_EQ(ctx.holdSeconds, -1);
  EXPECT_EQ(file.call(opBytes), 4096);  // no current record: the handler's file size
  ctx.optionFlags |= kFlagCurrentRecord;
  EXPECT_EQ(file.call(opBytes), 14);
}

TEST_F(DispatchTest, SendAndSetPropertyKeepTheirOwnRequests) {
  DeclaredFile file;
  file.contextWithFlags(kFlagOpen);
  ScopedHandler send(opSend, [](OperationCall& call) -> ErrorCode {
    call.textResult = "OFF";
    return 0;
  });
  ScopedHandler setProperty(opSetProperty, scripted);
  script(0);
  pushText("");
  file.call(opSend);
  EXPECT_EQ(popText(), "");
  pushText("FULLBUILD");
  file.call(opSend);
  EXPECT_EQ(popText(), "OFF");

  pushText("29510");
  pushText("x");
  file.call(opSetProperty, {0});
  EXPECT_EQ(errorCode(), 80);
  clearError();
  pushText("29510");
  pushText("");
  file.call(opSetProperty, {0});
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(gCalls, 0);
  pushText("29446");
  pushText("50");
  file.call(opSetProperty, {0});
  EXPECT_EQ(gCalls, 1);
}

}  // namespace
}  // namespace kestrand
