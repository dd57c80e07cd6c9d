#include "driver/operation_state.h"

#include <gtest/gtest.h>

#include "driver/declared_file.h"
#include "filelayer/operation_code.h"

namespace kestrand {
namespace {

using namespace std::string_view_literals;

using testing_support::DeclaredFile;
using testing_support::DriverTest;

enum class KeyArg { none, own, foreign, dynamic };

struct CheckCase {
  const char* what;
  int32_t code;
  OptionFlags flags;
  ErrorCode expected;
  KeyArg key = KeyArg::none;
  std::string_view text = {};
};

constexpr OptionFlags kOpenRead = kFlagOpen;                 // read only, deny none
constexpr OptionFlags kOpenWrite = kFlagOpen | kFlagWritable;  // read/write, deny none
constexpr OptionFlags kOpenReadExclusive = kFlagOpen | kFlagExclusive;  // read only, deny write
constexpr OptionFlags kSequence = kFlagSequence | kFlagSequenceSet;

const CheckCase kCases[] = {
    {"REMOVE on an open block", opRemove, kOpenWrite, 52},
    {"COPY on an open block", opCopy, kOpenRead, 52},
    {"RENAME on an open block", opRename, kOpenRead, 52},
    {"CREATE on an open block", opCreate, kOpenRead, 52},
    {"OPEN on an open block", opOpen, kOpenRead, 52},
    {"SHARE on an open block", opShare, kOpenRead, 52},
    {"REMOVE on a closed block", opRemove, 0, 0},
    {"NEXT without SET", opNext, kOpenRead, 33},
    {"NEXT after SET", opNext, kOpenRead | kSequence, 0},
    {"NEXT on a closed block", opNext, 0, 37},
    {"PUT read-only with a current record", opPut, kOpenRead | kFlagCurrentRecord, 5},
    {"PUT read-only without a current record", opPut, kOpenRead, 33},
    {"EMPTY deny none", opEmpty, kOpenWrite, 63},
    {"EMPTY read-only deny write", opEmpty, kOpenReadExclusive, 5},
    {"PACK deny none", opPack, kOpenWrite, 63},
    {"PACK read-only deny write", opPack, kOpenReadExclusive, 5},
    {"BUILDkey deny none", opBuildKey, kOpenWrite, 63, KeyArg::own},
    {"BUILDkey read-only deny write", opBuildKey, kOpenReadExclusive, 5, KeyArg::own},
    {"BUILDkey on a closed table opens it itself", opBuildKey, 0, 0, KeyArg::own},
    {"LOCK while locked", opLockFile, kOpenRead | kFlagLocked, -1},
    {"STREAM during STREAM", opStream, kOpenRead | kFlagStream, -1},
    {"COMMIT without LOGOUT", opCommit, kOpenRead, -1},
    {"UNLOCK without LOCK", opUnlock, kOpenRead, -1},
    {"UNLOCK during LOGOUT", opUnlock, kOpenRead | kFlagLocked | kFlagLogout, 56},
    {"CLOSE during LOGOUT", opClose, kOpenRead | kFlagLogout, 56},
    {"CLOSE on a context that is not open", opClose, 0, 37},
    {"RESETfile with a blank position", opResetFile, kOpenRead, 35, KeyArg::none, "    "},
    {"RESETfile with an empty position", opResetFile, kOpenRead, 35},
    {"RESETfile with a position", opResetFile, kOpenRead, 0, KeyArg::none, "\0\0\0\1"sv},
    {"REGETfile with a blank position", opRegetFile, kOpenRead, 35, KeyArg::none, " "},
    {"RESETkey with a blank position", opResetKey, kOpenRead, 35, KeyArg::own, "  "},
    {"REGETkey with a blank position", opRegetKey, kOpenRead, 35, KeyArg::own, "  "},
    {"a key of another file", opGetFileKey, kOpenRead, 38, KeyArg::foreign},
    {"a key argument without a descriptor", opSetKey, kOpenRead, 38, KeyArg::none},
    {"a dynamic index not yet built", opSetKey, kOpenRead, 46, KeyArg::dynamic},
    {"a code beyond 104", 105, kOpenRead, 80},
    {"a negative code", -1, kOpenRead, 80},
    {"a read during a deferred BUILD", opGetFilePtr, kOpenRead | kFlagBuildRunning, 92},
    {"CLOSE during a deferred BUILD", opClose, kOpenRead | kFlagBuildRunning, 0},
    {"NAME during a deferred BUILD", opName, kOpenRead | kFlagBuildRunning, 0},
    {"QUERY_KEY on a closed block", opQueryKey, 0, 37},
    {"CREATE on a closed block", opCreate, 0, 0},
};

class CheckOperationTest : public DriverTest {};

TEST_F(CheckOperationTest, AnswersByTheRules) {
  DeclaredFile file;
  DeclaredFile other("C:\\DATA\\OTHER.KST");
  DriverContext& ctx = file.contextWithFlags(0);
  other.contextWithFlags(0);
  for (const CheckCase& c : kCases) {
    SCOPED_TRACE(c.what);
    ctx.optionFlags = c.flags;
    const KeyDescriptor* key = nullptr;
    if (c.key == KeyArg::own) key = file.key.driverKey;
    if (c.key == KeyArg::foreign) key = other.key.driverKey;
    if (c.key == KeyArg::dynamic) key = file.dynamicIndex.driverKey;
    EXPECT_EQ(checkOperation(ctx, key, c.code, c.text), c.expected);
  }
}

TEST_F(CheckOperationTest, ABuiltDynamicIndexPasses) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kFlagOpen);
  file.dynamicIndex.driverKey->built = true;
  EXPECT_EQ(checkOperation(ctx, file.dynamicIndex.driverKey, opSetKey, ""), 0);
}

TEST_F(CheckOperationTest, OnlyAForeignKeyKeepsThePostActions) {
  DeclaredFile file;
  DeclaredFile other("C:\\DATA\\OTHER.KST");
  DriverContext& ctx = file.contextWithFlags(kFlagOpen);
  other.contextWithFlags(0);
  ctx.postActions = 0x15;
  EXPECT_EQ(checkOperation(ctx, other.key.driverKey, opGetFileKey, ""), 38);
  EXPECT_EQ(ctx.postActions, 0x15u);
  EXPECT_EQ(checkOperation(ctx, nullptr, opNext, ""), 33);
  EXPECT_EQ(ctx.postActions, 0u);
}

class ApplyOperationTest : public DriverTest {};

TEST_F(ApplyOperationTest, AFailedStepLeavesNoSequenceUnlessTheRecordWasHeld) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kFlagOpen | kSequence | kFlagCurrentRecord | kFlagWatchRequested);
  applyOperation(ctx, nullptr, opNext, 43);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen | kFlagSequence);
  ctx.optionFlags |= kFlagSequenceSet;
  applyOperation(ctx, nullptr, opNext, 33);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen);
  EXPECT_EQ(ctx.postActions, 0u);  // failures add no post-actions
}

TEST_F(ApplyOperationTest, WatchAndHoldMarkTheNextReadOnly) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kFlagOpen);
  applyOperation(ctx, nullptr, opWatch, 0);
  applyOperation(ctx, nullptr, opHoldFile, 0);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen | kFlagWatchRequested | kFlagHoldRequested);
  applyOperation(ctx, nullptr, opGetFilePtr, 0);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen | kFlagCurrentRecord | kFlagWatched | kFlagHeld);
  // A read without WATCH or HOLD before it ends both marks.
  applyOperation(ctx, nullptr, opGetFilePtr, 0);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen | kFlagCurrentRecord);
  // So does any other successful operation.
  applyOperation(ctx, nullptr, opHoldFile, 0);
  applyOperation(ctx, nullptr, opGetFilePtr, 0);
  applyOperation(ctx, nullptr, opRecordsFile, 0);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen | kFlagCurrentRecord);
}

TEST_F(ApplyOperationTest, CloseResetsTheWholeWordOnlyWhenOpen) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(0xBFFF & ~kFlagIndexBuilt);
  applyOperation(ctx, nullptr, opClose, 0);
  EXPECT_EQ(ctx.optionFlags, 0u);
  ctx.optionFlags = kFlagStream;
  applyOperation(ctx, nullptr, opClose, 0);
  EXPECT_EQ(ctx.optionFlags, kFlagStream);
}

TEST_F(ApplyOperationTest, SuccessSetsClearsAndCollectsPostActions) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(0);
  ctx.postActions = 0;
  applyOperation(ctx, nullptr, opOpen, 0);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen);
  applyOperation(ctx, nullptr, opLockFile, 0);
  EXPECT_EQ(ctx.optionFlags, kFlagOpen | kFlagLocked | kFlagExclusive);
  applyOperation(ctx, nullptr, opSetFile, 0);
  EXPECT_EQ(ctx.postActions, 0x25u);
  applyOperation(ctx, nullptr, opRecordsFile, 90);  // a failure clears only its E5 bits (none here)
  applyOperation(ctx, nullptr, 200, 0);             // codes beyond 104 change nothing
  EXPECT_EQ(ctx.optionFlags, kFlagOpen | kFlagLocked | kFlagExclusive | kSequence);
}

TEST_F(ApplyOperationTest, BuildingADynamicIndexMarksItBuilt) {
  DeclaredFile file;
  DriverContext& ctx = file.contextWithFlags(kFlagOpen);
  KeyDescriptor& dynamic = *file.dynamicIndex.driverKey;
  applyOperation(ctx, &dynamic, opBuildDyn, 76);
  EXPECT_FALSE(dynamic.built);
  applyOperation(ctx, &dynamic, opBuildDyn, 0);
  EXPECT_TRUE(dynamic.built);
  EXPECT_EQ(ctx.optionFlags & kFlagIndexBuilt, 0u);  // the mark is not kept in the word
  KeyDescriptor& plain = *file.key.driverKey;
  applyOperation(ctx, &plain, opBuildDynFilter, 0);
  EXPECT_FALSE(plain.built);
}

}  // namespace
}  // namespace kestrand
