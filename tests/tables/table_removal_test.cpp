// REMOVE through the driver: what counts as another table, shared files, other
// processes, a commit that fails and a crash at every step of the commit.
#include "tables/table_removal.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "filelayer/operation_code.h"
#include "platform/fault_seam.h"
#include "store/data_file_access.h"
#include "store/store_test_support.h"
#include "support/child_process.h"
#include "tables/table_test_support.h"

namespace kestrand {
namespace {

using testing_support::fileBytes;
using testing_support::fileExists;
using testing_support::fileRecords;
using testing_support::makeTables;
using testing_support::RecordList;
using testing_support::TableBlock;
using testing_support::tableNames;
using testing_support::tableRecords;

using TableRemovalTest = testing_support::TableTest;

TEST_F(TableRemovalTest, ATableThatDoesNotMatchTheDeclarationGoesAllTheSame) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 5}, {"B", 5}});
  TableBlock other(path + "\\!a");
  other.declarePlainRecord(20);
  EXPECT_EQ(other.open(), 47);
  EXPECT_EQ(other.remove(), 0);
  EXPECT_EQ(tableNames(fileRecords(path)), std::vector<std::string>{"B"});
}

TEST_F(TableRemovalTest, TheTransactionMarkerIsNoTable) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 5}});
  {
    DataFile dataFile;
    ASSERT_EQ(testing_support::openForWrite(dataFile, path, 0x42), 0);
    testing_support::insertText(dataFile, "\xFF", "marker");
    destroyDataFile(dataFile);
  }
  EXPECT_EQ(TableBlock(path + "\\!a").remove(), 0);
  EXPECT_FALSE(fileExists(path));
}

TEST_F(TableRemovalTest, TheEmptyNameIsATableAndUnnamedIsToo) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"", 2}, {"X", 2}});
  const RecordList before = fileRecords(path);
  EXPECT_EQ(TableBlock(path + "\\!x").remove(), 0);
  const RecordList after = fileRecords(path);
  EXPECT_EQ(tableNames(after), std::vector<std::string>{""});
  EXPECT_EQ(tableRecords(after, ""), tableRecords(before, ""));
  EXPECT_EQ(TableBlock(path + "\\!").open(), 0);

  const std::string unnamed = file("plain.kst");
  makeTables(unnamed, {{"UNNAMED", 2}});
  EXPECT_EQ(TableBlock(unnamed).remove(), 0);
  EXPECT_FALSE(fileExists(unnamed));
}

TEST_F(TableRemovalTest, ADirectoryIsNoDataFile) {
  std::filesystem::create_directory(file("folder.kst"));
  EXPECT_EQ(TableBlock(file("folder.kst")).remove(), 5);
  EXPECT_TRUE(std::filesystem::is_directory(file("folder.kst")));
}

TEST_F(TableRemovalTest, TheLastTableStaysWhileAnotherBlockHoldsIt) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 5}});
  const RecordList before = fileRecords(path);
  TableBlock holder(path + "\\!a");
  ASSERT_EQ(holder.open(), 0);
  EXPECT_EQ(TableBlock(path + "\\!a").remove(), 32);
  EXPECT_EQ(holder.close(), 0);
  EXPECT_EQ(fileRecords(path), before);
  EXPECT_EQ(holder.open(), 0);
}

TEST_F(TableRemovalTest, AnotherProcessHoldingTheFileKeepsItsLastTable) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 5}, {"B", 5}});
  testing_support::Signal opened;
  testing_support::Signal done;
  testing_support::Child child([&] {
    TableBlock holder(path + "\\!a");
    if (holder.open() != 0) return 1;
    opened.notify();
    done.wait();
    return holder.close() == 0 ? 0 : 2;
  });
  ASSERT_TRUE(opened.wait());
  // Another table can go while the other process reads: it holds no lock between
  // operations.
  EXPECT_EQ(TableBlock(path + "\\!b").remove(), 0);
  const std::string before = fileBytes(path);
  EXPECT_EQ(TableBlock(path + "\\!a").remove(), 32);
  EXPECT_EQ(fileBytes(path), before);
  done.notify();
  EXPECT_EQ(child.wait(), 0);
  EXPECT_EQ(TableBlock(path + "\\!a").remove(), 0);
  EXPECT_FALSE(fileExists(path));
}

TEST_F(TableRemovalTest, ARemovalWhoseCommitFailsIsReportedAndChangesNothing) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 50}, {"B", 50}});
  const std::string before = fileBytes(path);
  platform::FaultPlan plan;
  plan.failWrite = 1;
  plan.failLaterWrites = true;  // a full disk
  ErrorCode result = 0;
  {
    platform::ScopedFaults full(plan);
    result = TableBlock(path + "\\!b").remove();
  }
  EXPECT_NE(result, 0);
  EXPECT_EQ(fileBytes(path), before);
}

TEST_F(TableRemovalTest, ACrashAtAnyStepOfTheCommitLeavesAllOrAllButTheTable) {
  const std::string original = file("original.kst");
  const std::string path = file("shop.kst");
  makeTables(original, {{"A", 40}, {"B", 400, 40}, {"C", 40}});
  const RecordList all = fileRecords(original);
  RecordList withoutB;
  const RecordList b = tableRecords(all, "B");
  for (const auto& record : all) {
    if (std::find(b.begin(), b.end(), record) == b.end()) withoutB.push_back(record);
  }

  std::filesystem::copy_file(original, path);
  uint64_t steps = 0;
  {
    platform::ScopedFaults counting(platform::FaultPlan{});
    ASSERT_EQ(TableBlock(path + "\\!b").remove(), 0);
    steps = platform::faultCounts().steps;
  }
  ASSERT_GT(steps, 3u);
  ASSERT_EQ(fileRecords(path), withoutB);

  uint64_t kept = 0, removed = 0;
  for (uint64_t k = 1; k <= steps; ++k) {
    SCOPED_TRACE(k);
    std::filesystem::copy_file(original, path, std::filesystem::copy_options::overwrite_existing);
    int status = testing_support::runInChild([&] {
      platform::FaultPlan plan;
      plan.crashAfterStep = k;
      platform::ScopedFaults crash(plan);
      TableBlock(path + "\\!b").remove();
      return 0;
    });
    EXPECT_EQ(status, platform::kFaultCrashExitCode);
    {
      // The next writer completes or discards what the crash left.
      DataFile dataFile;
      ASSERT_EQ(testing_support::openForWrite(dataFile, path, 0x42), 0);
      destroyDataFile(dataFile);
    }
    const RecordList after = fileRecords(path);
    EXPECT_TRUE(after == all || after == withoutB) << after.size() << " records";
    kept += after == all ? 1 : 0;
    removed += after == withoutB ? 1 : 0;
  }
  // Crashes before the commit's turning point keep the table, crashes after it do not.
  EXPECT_GT(kept, 0u);
  EXPECT_GT(removed, 0u);
}

}  // namespace
}  // namespace kestrand
