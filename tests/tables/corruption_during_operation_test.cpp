// A consistency failure in the middle of an operation on an open table: what the
// operation had changed so far must never reach the file.
#include <gtest/gtest.h>

#include "driver/dispatch_test_seam.h"
#include "filelayer/error_state.h"
#include "filelayer/operation_code.h"
#include "store/corruption.h"
#include "tables/data_record_append.h"
#include "tables/table_test_support.h"

namespace kestrand {
namespace {

using testing_support::fileRecords;
using testing_support::makeTables;
using testing_support::RecordList;
using testing_support::TableBlock;

using CorruptionDuringOperationTest = testing_support::TableTest;

// Changes the table's data file, then fails as a split that cannot go on would.
ErrorCode changeThenFail(OperationCall& call) {
  appendDataRecords(*call.context, 40, [](uint32_t i, uint8_t* image) { image[0] = static_cast<uint8_t>(i); });
  reportCorruption(1364);
}

TEST_F(CorruptionDuringOperationTest, HalfDoneChangesAreDroppedNotCommitted) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 3}, {"B", 3}});
  const RecordList before = fileRecords(path);

  TableBlock table(path + "\\!a");
  ASSERT_EQ(table.open(), 0);
  {
    testing_seam::ScopedHandler failing(opAdd, changeThenFail);
    EXPECT_EQ(table.call(opAdd), 90);
  }
  EXPECT_EQ(fileErrorCode().substr(0, 5), "1364 ");
  EXPECT_EQ(fileRecords(path), before);  // the end of the operation committed nothing

  EXPECT_EQ(table.call(opRecordsFile), 90);  // later operations repeat the failure
  EXPECT_EQ(table.close(), 0);
  EXPECT_EQ(fileRecords(path), before);
  EXPECT_EQ(table.open(), 0);  // and the table opens again
  EXPECT_EQ(table.close(), 0);
}

}  // namespace
}  // namespace kestrand
