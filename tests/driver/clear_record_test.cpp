#include "driver/clear_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/declared_file.h"
#include "driver/dispatch_test_seam.h"
#include "filelayer/error_state.h"
#include "filelayer/field_types.h"
#include "filelayer/operation_code.h"

namespace kestrand {
namespace {

using testing_seam::ScopedHandler;
using testing_support::DeclaredFile;
using testing_support::DriverTest;
using testing_support::field;

class ClearTest : public DriverTest {};

int32_t longAt(const DeclaredFile& file, std::size_t offset) {
  int32_t value;
  std::memcpy(&value, file.buffer.data() + offset, sizeof value);
  return value;
}

std::string textAt(const DeclaredFile& file, std::size_t offset, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(file.buffer.data()) + offset, size);
}

TEST_F(ClearTest, FieldsAndMemosByTheClearValue) {
  DeclaredFile file;
  MemoDeclaration binary;
  binary.label = {"PIC", kTextNulTerminated};
  binary.flags = kMemoBinary;
  binary.size = 4;
  MemoDeclaration* memos[2] = {&file.memo, &binary};
  file.block.memos = memos;
  file.block.memoCount = 2;

  file.call(opClear, {0});
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(longAt(file, 0), 0);
  EXPECT_EQ(textAt(file, 4, 10), std::string(10, ' '));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(file.memo.buffer), 8), std::string(8, ' '));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(binary.buffer), 4), std::string(4, '\0'));

  file.call(opClear, {1});
  EXPECT_EQ(longAt(file, 0), INT32_MAX);
  EXPECT_EQ(textAt(file, 4, 10), std::string(10, '\xFF'));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(file.memo.buffer), 8), std::string(8, '\xFF'));

  file.call(opClear, {-1});
  EXPECT_EQ(longAt(file, 0), INT32_MIN);
  EXPECT_EQ(textAt(file, 4, 10), std::string(10, '\0'));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(file.memo.buffer), 8), std::string(8, '\0'));
}

TEST_F(ClearTest, OverlaysAreLeftToTheFieldTheyLieOver) {
  DeclaredFile file;
  file.declareNoKeysOrMemos();
  file.declareRecord({field(kTypeGroup, 0, 8, "R", 2), field(kTypeString, 0, 8, "S"), field(kTypeLong, 0, 4, "L")}, 8);
  file.call(opClear, {0});
  EXPECT_EQ(textAt(file, 0, 8), std::string(8, ' '));
}

TEST_F(ClearTest, AFieldPastTheRecordLengthIsNotWrittenBeyondIt) {
  DeclaredFile file;
  file.declareNoKeysOrMemos();
  file.declareRecord({field(kTypeGroup, 0, 12, "R", 2), field(kTypeLong, 0, 4, "L"), field(kTypeString, 4, 8, "S")}, 6);
  file.call(opClear, {0});
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(textAt(file, 4, 2), "\xAA\xAA");  // the STRING does not fit: left alone
}

std::string gBlobRequest;

TEST_F(ClearTest, ABlobIsResizedToNothingOnlyByAClearWithZero) {
  DeclaredFile file;
  file.memo.flags = kMemoBlob;
  file.memo.size = 0;
  ScopedHandler blobProperty(opBlobGetProp, [](OperationCall& call) -> ErrorCode {
    gBlobRequest = std::to_string(call.arg(0)) + " " + call.text2 + "=" + call.text1;
    return 0;
  });
  gBlobRequest.clear();
  file.call(opClear, {1});
  EXPECT_EQ(gBlobRequest, "");
  file.call(opClear, {0});
  EXPECT_EQ(gBlobRequest, "1 31929=0");
}

}  // namespace
}  // namespace kestrand
