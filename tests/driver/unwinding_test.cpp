// Consistency failures unwinding out of handlers, nested operations, and the entry's
// own nested calls (resynchronisation, the position kept after reading).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/declared_file.h"
#include "driver/dispatch_test_seam.h"
#include "filelayer/call_driver.h"
#include "filelayer/error_state.h"
#include "filelayer/operation_code.h"
#include "filelayer/text_stack.h"
#include "runtime/locale_messages.h"
#include "store/corruption.h"

namespace kestrand {
namespace {

using testing_seam::ScopedHandler;
using testing_support::clipped;
using testing_support::DeclaredFile;
using testing_support::DriverTest;

constexpr OptionFlags kReading = kFlagOpen | kFlagSequence | kFlagSequenceSet;

ErrorCode corruptPage(OperationCall&) { reportCorruption(1477); }

ErrorCode closeTableClearingTheFailure(OperationCall& call) {
  call.context->failureCode = 0;
  return 0;
}

class UnwindingTest : public DriverTest {
 protected:
  void TearDown() override {
    runtime::clearLocaleMessages();
    DriverTest::TearDown();
  }
};

TEST_F(UnwindingTest, AFailureInsideAHandlerLastsUntilClose) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kReading);
  ScopedHandler next(opNext, corruptPage);
  file.call(opNext);
  EXPECT_EQ(errorCode(), 90);
  EXPECT_EQ(ctx.failureCode, 1477);
  EXPECT_EQ(clipped(fileErrorCode()), "1477");
  EXPECT_EQ(clipped(fileErrorText()), "Possible data corruption in file");

  clearError();
  ScopedHandler read(opGetFilePtr, [](OperationCall&) -> ErrorCode { ADD_FAILURE() << "reached the handler"; return 0; });
  file.call(opGetFilePtr, {1});
  EXPECT_EQ(errorCode(), 90);
  EXPECT_EQ(clipped(fileErrorCode()), "1477");
  EXPECT_EQ(clipped(fileErrorText()), "Possible data corruption in file");
  EXPECT_EQ(errorFile(), &file.block);

  file.call(opName);
  EXPECT_EQ(popText(), "C:\\DATA\\SHOP.KST\\!CUSTOMERS");

  ScopedHandler close(opClose, closeTableClearingTheFailure);
  ctx.optionFlags = 0;  // even a context that no longer counts as open may be closed
  clearError();
  file.call(opClose);
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(ctx.failureCode, 0);
  EXPECT_EQ(ctx.optionFlags, 0u);
}

int gTablesClosed = 0;

TEST_F(UnwindingTest, DestroyStillClosesTheTable) {
  DeclaredFile file;
  file.contextWithFlags(kReading);
  ScopedHandler next(opNext, corruptPage);
  file.call(opNext);
  gTablesClosed = 0;
  ScopedHandler destroy(opDestroy, [](OperationCall& call) -> ErrorCode {
    ++gTablesClosed;
    return closeTableClearingTheFailure(call);
  });
  clearError();
  file.call(opDestroy, {0});
  EXPECT_EQ(gTablesClosed, 1);
  EXPECT_EQ(file.context(), nullptr);
  EXPECT_EQ(errorCode(), 0);
}

TEST_F(UnwindingTest, LaterOperationsUseTheLocaleMessage) {
  DeclaredFile file;
  file.contextWithFlags(kReading);
  ScopedHandler next(opNext, corruptPage);
  file.call(opNext);
  runtime::setLocaleMessage(4101, "Datei beschaedigt");
  file.call(opBytes);
  EXPECT_EQ(errorCode(), 90);
  EXPECT_EQ(clipped(fileErrorText()), "Datei beschaedigt");
}

// Two files, the outer one's handler working on the inner one.
struct OuterAndInner {
  OuterAndInner() : outerCtx(outer.contextWithFlags(kFlagOpen)), innerCtx(inner.contextWithFlags(kReading)) {
    current = this;
  }
  ~OuterAndInner() { current = nullptr; }

  static OuterAndInner* current;
  DeclaredFile outer;
  DeclaredFile inner{"C:\\DATA\\OTHER.KST\\!ORDERS"};
  DriverContext& outerCtx;
  DriverContext& innerCtx;
};
OuterAndInner* OuterAndInner::current = nullptr;

std::string gNameAfterNestedCall;

ErrorCode readInner(OperationCall&) {
  OuterAndInner::current->inner.call(opNext);
  gNameAfterNestedCall = corruptionFileName();
  return 0;
}

ErrorCode readInnerThenFail(OperationCall& call) {
  readInner(call);
  reportCorruption(2277);
}

TEST_F(UnwindingTest, NestedOperationsEndInTheInnermostExit) {
  OuterAndInner files;
  ScopedHandler next(opNext, corruptPage);
  ScopedHandler records(opRecordsFile, readInner);
  ScopedHandler bytes(opBytes, readInnerThenFail);

  files.outer.call(opRecordsFile);  // the inner NEXT unwinds; the outer operation succeeds
  EXPECT_EQ(files.innerCtx.failureCode, 1477);
  EXPECT_EQ(files.outerCtx.failureCode, 0);
  EXPECT_EQ(gNameAfterNestedCall, "C:\\DATA\\SHOP.KST\\!CUSTOMERS");  // the outer exit is back
  EXPECT_EQ(errorFile(), &files.inner.block);

  files.innerCtx.failureCode = 0;
  files.innerCtx.optionFlags = kReading;
  files.outer.call(opBytes);  // after the nested call the outer operation unwinds in its own exit
  EXPECT_EQ(files.outerCtx.failureCode, 2277);
  EXPECT_EQ(errorCode(), 90);
  EXPECT_EQ(errorFile(), &files.outer.block);
}

// Records the nested operations of a resynchronisation.
std::vector<std::string> gCalls;
std::string gPositionReached;
ErrorCode gNextResult = 0;

ErrorCode fakeReset(OperationCall& call) {
  gCalls.push_back(std::string(call.code == opResetKey ? "RESETkey " : "RESETfile ") + call.text1);
  return call.text1.empty() ? 35 : 0;
}
ErrorCode fakeStep(OperationCall& call) {
  gCalls.push_back(call.code == opNext ? "NEXT" : call.code == opPrevious ? "PREVIOUS" : "SKIP");
  return gNextResult;
}
ErrorCode fakePosition(OperationCall& call) {
  gCalls.push_back(call.code == opPositionKey ? "POSITIONkey" : "POSITIONfile");
  call.textResult = gPositionReached;
  return 0;
}

class ResynchronisationTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    gCalls.clear();
    gNextResult = 0;
  }
  ScopedHandler resetFile_{opResetFile, fakeReset};
  ScopedHandler resetKey_{opResetKey, fakeReset};
  ScopedHandler next_{opNext, fakeStep};
  ScopedHandler previous_{opPrevious, fakeStep};
  ScopedHandler skip_{opSkip, fakeStep};
  ScopedHandler positionFile_{opPositionFile, fakePosition};
  ScopedHandler positionKey_{opPositionKey, fakePosition};
};

TEST_F(ResynchronisationTest, ASavedPositionIsReachedAgainOnceBeforeTheStep) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kReading | kFlagCurrentRecord);
  ctx.resyncPosition = "P001";
  gPositionReached = "P001";
  file.call(opNext);
  // The nested NEXT keeps its position like any NEXT; then the check, then the NEXT asked for.
  EXPECT_EQ(gCalls, (std::vector<std::string>{"RESETfile P001", "NEXT", "POSITIONfile", "POSITIONfile", "NEXT",
                                              "POSITIONfile"}));
  EXPECT_FALSE(ctx.resyncPosition.has_value());
  EXPECT_EQ(ctx.positionAfterReading, "P001");
  gCalls.clear();
  file.call(opNext);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"NEXT", "POSITIONfile"}));
}

TEST_F(ResynchronisationTest, AMovedRecordIsResetToWhereItIsNow) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kReading | kFlagCurrentRecord);
  ctx.orderKey = file.key.driverKey;
  ctx.resyncPosition = "P001";
  gPositionReached = "P009";
  file.call(opSkip, {1});
  EXPECT_EQ(gCalls, (std::vector<std::string>{"RESETkey P001", "PREVIOUS", "POSITIONkey", "POSITIONkey",
                                              "RESETkey P009", "SKIP"}));
  EXPECT_EQ(ctx.orderKey, file.key.driverKey);
}

TEST_F(ResynchronisationTest, AFailedStepResetsToTheSavedPositionAgain) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kReading | kFlagCurrentRecord);
  ctx.resyncPosition = "P001";
  gNextResult = 33;
  file.call(opPrevious);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"RESETfile P001", "PREVIOUS", "RESETfile P001", "PREVIOUS"}));
}

TEST_F(ResynchronisationTest, AFailedResetDoesNotResynchroniseForever) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kReading | kFlagCurrentRecord);
  ctx.resyncPosition = "";  // refused (35), which also ends the sequence
  file.call(opNext);
  EXPECT_TRUE(gCalls.empty());
  EXPECT_EQ(errorCode(), 33);
  EXPECT_FALSE(ctx.resyncPosition.has_value());
}

ErrorCode positionUnwinds(OperationCall&) { reportCorruption(256); }

TEST_F(ResynchronisationTest, AnUnwindingWhileKeepingThePositionEndsThatOperation) {
  OuterAndInner files;
  ScopedHandler position(opPositionFile, positionUnwinds);
  ScopedHandler records(opRecordsFile, readInner);
  files.outer.call(opRecordsFile);
  EXPECT_EQ(files.innerCtx.failureCode, 256);
  EXPECT_EQ(files.innerCtx.lastResult, 90);
  EXPECT_FALSE(files.innerCtx.positionAfterReading.has_value());
  EXPECT_EQ(files.outerCtx.failureCode, 0);
  EXPECT_EQ(errorCode(), 90);
  EXPECT_EQ(errorFile(), &files.inner.block);
}

}  // namespace
}  // namespace kestrand
