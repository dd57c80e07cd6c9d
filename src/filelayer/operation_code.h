// Operation codes 0..104 and their names from the runtime's operation-name table.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrand {

enum OperationCode : int32_t {
  opNone = 0, opAdd = 1, opBof = 2, opBuildFile = 3, opAppend = 4, opBuildDyn = 5,
  opBuildKey = 6, opClose = 7, opCommit = 8, opCopy = 9, opCreate = 10, opDelete = 11,
  opDuplicate = 12, opEmpty = 13, opEof = 14, opGetFileKey = 15, opGetFilePtr = 16,
  opGetKeyPtr = 17, opHoldFile = 18, opHoldFileSec = 19, opLockFile = 20,
  opLockFileSec = 21, opLogout = 22, opName = 23, opNext = 24, opOpen = 25, opPack = 26,
  opPointerFile = 27, opPointerKey = 28, opFlush = 29, opPut = 30, opPrevious = 31,
  opRecordsFile = 32, opRecordsKey = 33, opBuildDynFilter = 34, op35 = 35, opRelease = 36,
  opRemove = 37, opRename = 38, op39 = 39, opRollback = 40, opSetFile = 41,
  opSetFileKey = 42, opSetFilePtr = 43, opSetKey = 44, opSetKeyKey = 45, opSetKeyPtr = 46,
  opSetKeyKeyPtr = 47, opShare = 48, opSkip = 49, opUnlock = 50, opAddFileLen = 51,
  opBytes = 52, opGetFilePtrLen = 53, opPutFilePtr = 54, opPutFilePtrLen = 55,
  opStream = 56, opDuplicateKey = 57, opWatch = 58, opAppendLen = 59, opSend = 60,
  opPositionFile = 61, opPositionKey = 62, opResetFile = 63, opResetKey = 64,
  opNoMemo = 65, opRegetFile = 66, opRegetKey = 67, opNull = 68, opSetNull = 69,
  opSetNoNull = 70, opSetProperty = 71, opGetProperty = 72, opQueryKey = 73,
  opQueryView = 74, opBlobYield = 75, opBlobTake = 76, opBlobSize = 77, opBlobGetProp = 78,
  opBlobSetProp = 79, opBuffer = 80, opSetView = 81, opClear = 82, opResetViewFile = 83,
  opBuildEvent = 84, opSetPropertyKey = 85, opGetPropertyKey = 86, opInternal87 = 87,
  opDoProperty = 88, opDoPropertyKey = 89, opDoPropertyBlob = 90, opInternal91 = 91,
  opInView = 92, opEndView = 93, opInternal94 = 94, opCountRecords = 95, opGetNulls = 96,
  opSetNulls = 97, opGetState = 98, opRestoreState = 99, opInternal100 = 100,
  opInternal101 = 101, opFreeState = 102, opSqlCallback = 103, opDestroy = 104,
};

inline constexpr int32_t kLastOperationCode = opDestroy;

// "ADD", "REMOVE", ...; "(0)", "(35)", "(39)" for the codes that stand for no operation;
// an empty view for codes outside 0..104.
std::string_view operationName(int32_t code);

}  // namespace kestrand
