#include "driver/operation_rules.h"

#include <array>

#include "filelayer/operation_code.h"

namespace kestrand {

namespace {
struct RuleRow {
  int32_t code;
  OperationRule rule;
};

// Every code whose rule is not all zero. The all-zero rows: 0, NAME, 35, 39,
// GET_PROPERTY, QUERY_VIEW, CLEAR, GETPROPERTYkey, Internal87, Internal91, GETSTATE,
// RESTORESTATE, Internal100, Internal101, FREESTATE, SQLCALLBACK, DESTROY.
//    code                  E0     E1      E2      E3      E4      E5
constexpr RuleRow kRows[] = {
    {opAdd,              {0x11, 0x41,  0,      0x2,    0x1400, 0}},
    {opBof,              {0,    0x21,  0,      0,      0,      0}},
    {opBuildFile,        {0x1,  0xC0,  0x4,    0,      0,      0x2022}},
    {opAppend,           {0x11, 0x41,  0,      0,      0,      0}},
    {opBuildDyn,         {0x1,  0x1,   0x4,    0x100,  0,      0}},
    {opBuildKey,         {0x1,  0xC0,  0x4,    0,      0,      0}},
    {opClose,            {0x1,  0x1,   0x4,    0,      0x101,  0}},
    {opCommit,           {0x1,  0x5,   0,      0,      0x4,    0}},
    {opCopy,             {0x1,  0,     0x1,    0,      0,      0}},
    {opCreate,           {0x1,  0,     0x1,    0,      0,      0}},
    {opDelete,           {0x1,  0x43,  0,      0,      0x2,    0}},
    {opDuplicate,        {0x1,  0x41,  0,      0,      0,      0}},
    {opEmpty,            {0x1,  0xC1,  0x4,    0,      0,      0}},
    {opEof,              {0,    0x21,  0,      0,      0,      0}},
    {opGetFileKey,       {0x11, 0x101, 0,      0x2,    0xA00,  0x2}},
    {opGetFilePtr,       {0x11, 0x1,   0,      0x2,    0xA00,  0x2}},
    {opGetKeyPtr,        {0x11, 0x101, 0,      0x2,    0xA00,  0x2}},
    {opHoldFile,         {0x1,  0x1,   0,      0x800,  0,      0}},
    {opHoldFileSec,      {0x1,  0x1,   0,      0x800,  0,      0}},
    {opLockFile,         {0x1,  0x1,   0x10,   0x90,   0,      0}},
    {opLockFileSec,      {0x1,  0x1,   0x10,   0x90,   0,      0}},
    {opLogout,           {0x1,  0x1,   0x4,    0x4,    0,      0}},
    {opNext,             {0x15, 0x21,  0,      0x2,    0xA00,  0x2022}},
    {opOpen,             {0x1,  0,     0x1,    0x1,    0,      0}},
    {opPack,             {0x1,  0xC0,  0x4,    0,      0x22,   0x2022}},
    {opPointerFile,      {0,    0x3,   0,      0,      0,      0}},
    {opPointerKey,       {0,    0x103, 0,      0,      0,      0}},
    {opFlush,            {0x1,  0x1,   0,      0,      0x8,    0}},
    {opPut,              {0x11, 0x43,  0,      0,      0x1400, 0}},
    {opPrevious,         {0x15, 0x21,  0,      0x2,    0xA00,  0x2022}},
    {opRecordsFile,      {0,    0x1,   0,      0,      0,      0}},
    {opRecordsKey,       {0,    0x101, 0,      0,      0,      0}},
    {opBuildDynFilter,   {0x1,  0x1,   0x4,    0x100,  0,      0}},
    {opRelease,          {0x1,  0x1,   0,      0,      0x1000, 0}},
    {opRemove,           {0x1,  0,     0x1,    0,      0,      0}},
    {opRename,           {0x1,  0,     0x1,    0,      0,      0}},
    {opRollback,         {0x1,  0x5,   0,      0,      0x4,    0}},
    {opSetFile,          {0x25, 0x1,   0,      0x2020, 0,      0x2020}},
    {opSetFileKey,       {0x25, 0x101, 0,      0x2020, 0,      0x2020}},
    {opSetFilePtr,       {0x25, 0x1,   0,      0x2020, 0,      0x2020}},
    {opSetKey,           {0x25, 0x101, 0,      0x2020, 0,      0x2020}},
    {opSetKeyKey,        {0x25, 0x101, 0,      0x2020, 0,      0x2020}},
    {opSetKeyPtr,        {0x25, 0x101, 0,      0x2020, 0,      0x2020}},
    {opSetKeyKeyPtr,     {0x25, 0x101, 0,      0x2020, 0,      0x2020}},
    {opShare,            {0x1,  0,     0x1,    0x1,    0,      0}},
    {opSkip,             {0x15, 0x21,  0,      0,      0x2,    0x2022}},
    {opUnlock,           {0x1,  0x11,  0x4,    0,      0x10,   0}},
    {opAddFileLen,       {0x11, 0x1,   0,      0,      0x1400, 0}},
    {opBytes,            {0x1,  0x1,   0,      0,      0,      0}},
    {opGetFilePtrLen,    {0x11, 0x1,   0,      0x2,    0xA00,  0x2}},
    {opPutFilePtr,       {0x11, 0x41,  0,      0,      0x1400, 0x2}},
    {opPutFilePtrLen,    {0x11, 0x41,  0,      0,      0x1400, 0x2}},
    {opStream,           {0x1,  0x1,   0x8,    0x8,    0,      0}},
    {opDuplicateKey,     {0x1,  0x101, 0,      0,      0,      0}},
    {opWatch,            {0x1,  0x1,   0,      0x200,  0,      0}},
    {opAppendLen,        {0x1,  0x41,  0,      0,      0x1400, 0}},
    {opSend,             {0x1,  0,     0,      0,      0,      0}},
    {opPositionFile,     {0x1,  0x3,   0,      0,      0,      0}},
    {opPositionKey,      {0x1,  0x103, 0,      0,      0,      0}},
    {opResetFile,        {0x25, 0x1,   0,      0x2020, 0,      0x2020}},
    {opResetKey,         {0x25, 0x101, 0,      0x2020, 0,      0x2020}},
    {opNoMemo,           {0,    0x1,   0,      0,      0,      0}},
    {opRegetFile,        {0x11, 0x1,   0,      0x2,    0xA00,  0}},
    {opRegetKey,         {0x11, 0x101, 0,      0x2,    0xA00,  0}},
    {opNull,             {0x1,  0x1,   0,      0,      0,      0}},
    {opSetNull,          {0x1,  0x1,   0,      0,      0,      0}},
    {opSetNoNull,        {0x1,  0x1,   0,      0,      0,      0}},
    {opSetProperty,      {0x1,  0,     0,      0,      0,      0}},
    {opQueryKey,         {0,    0x101, 0,      0,      0,      0}},
    {opBlobYield,        {0x1,  0x1,   0,      0,      0,      0}},
    {opBlobTake,         {0x1,  0x1,   0,      0,      0,      0}},
    {opBlobSize,         {0,    0x3,   0,      0,      0,      0}},
    {opBlobGetProp,      {0x1,  0x1,   0,      0,      0,      0}},
    {opBlobSetProp,      {0x1,  0x1,   0,      0,      0,      0}},
    {opBuffer,           {0x1,  0x1,   0,      0,      0,      0}},
    {opSetView,          {0x5,  0x1,   0,      0x20,   0,      0x20}},
    {opResetViewFile,    {0x5,  0x1,   0,      0x2020, 0,      0x2020}},
    {opBuildEvent,       {0x1,  0xC0,  0x4,    0,      0,      0x2022}},
    {opSetPropertyKey,   {0x1,  0,     0,      0,      0,      0}},
    {opDoProperty,       {0x1,  0,     0,      0,      0,      0}},
    {opDoPropertyKey,    {0x1,  0,     0,      0,      0,      0}},
    {opDoPropertyBlob,   {0x1,  0,     0,      0,      0,      0}},
    {opInView,           {0x1,  0x1,   0x100,  0x100,  0,      0}},
    {opEndView,          {0x1,  0x1,   0,      0,      0x100,  0}},
    {opInternal94,       {0x1,  0,     0x1,    0,      0,      0}},
    {opCountRecords,     {0,    0x1,   0,      0,      0,      0}},
    {opGetNulls,         {0x1,  0x3,   0,      0,      0,      0}},
    {opSetNulls,         {0x1,  0x1,   0,      0,      0,      0}},
};

constexpr std::array<OperationRule, kLastOperationCode + 1> kRules = [] {
  std::array<OperationRule, kLastOperationCode + 1> rules{};
  for (const RuleRow& row : kRows) rules[static_cast<std::size_t>(row.code)] = row.rule;
  return rules;
}();

constexpr OperationRule kNoRule{};

constexpr int32_t kKeyArgumentCodes[] = {
    opBuildDyn,   opBuildKey,     opGetFileKey,  opGetKeyPtr,       opPointerKey,
    opRecordsKey, opBuildDynFilter, opSetFileKey, opSetKey,          opSetKeyKey,
    opSetKeyPtr,  opSetKeyKeyPtr, opDuplicateKey, opPositionKey,    opResetKey,
    opRegetKey,   opSetPropertyKey, opGetPropertyKey, opDoPropertyKey,
};
}  // namespace

const OperationRule& operationRule(int32_t code) {
  if (code < 0 || code > kLastOperationCode) return kNoRule;
  return kRules[static_cast<std::size_t>(code)];
}

bool takesKeyArgument(int32_t code) {
  for (int32_t keyCode : kKeyArgumentCodes) {
    if (keyCode == code) return true;
  }
  return false;
}

}  // namespace kestrand
