// Opening, creating and closing tables, and the data files they share.
#include "tables/table_open.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "filelayer/operation_code.h"
#include "store/record_tree.h"
#include "tables/data_file_registry.h"
#include "tables/table_close.h"
#include "tables/table_name.h"
#include "tables/table_records.h"
#include "tables/table_test_support.h"

namespace kestrand {
namespace {

using testing_support::fileBytes;
using testing_support::fileRecords;
using testing_support::makeTables;
using testing_support::RecordList;
using testing_support::TableBlock;
using testing_support::tableNames;
using testing_support::tableRecords;

using TableOpenTest = testing_support::TableTest;

TEST_F(TableOpenTest, CreateReplacesAnExistingTableAndKeepsTheOthers) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 5}, {"B", 3}});
  const RecordList before = fileRecords(path);
  TableBlock again(path + "\\!a");
  ASSERT_EQ(again.create(), 0);

  const RecordList after = fileRecords(path);
  EXPECT_EQ(tableRecords(after, "B"), tableRecords(before, "B"));
  const RecordList a = tableRecords(after, "A");
  ASSERT_FALSE(a.empty());
  EXPECT_GT(a[0].second, tableRecords(before, "A")[0].second);  // a new number
  for (auto r = a.begin() + 1; r != a.end(); ++r) EXPECT_NE(uint8_t(r->first[4]), 0xF3) << "a data record survived";
  // The old number owns nothing any more.
  const std::string oldNumber = tableRecords(before, "A")[0].second;
  for (const auto& [key, data] : after) EXPECT_NE(key.substr(0, 4), oldNumber);
}

TEST_F(TableOpenTest, CreateOnAMissingFileMakesTheFileWithThatTable) {
  const std::string path = file("new.kst");
  TableBlock table(path + "\\!only");
  ASSERT_EQ(table.create(), 0);
  EXPECT_EQ(table.context()->stateFlags & kStateTableOpen, 0u);  // left closed
  EXPECT_EQ(tableNames(fileRecords(path)), std::vector<std::string>{"ONLY"});
}

TEST_F(TableOpenTest, CreateThroughABlockThatOpenedAnotherTableKeepsIt) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 4}});
  const RecordList before = fileRecords(path);
  TableBlock table(path + "\\!a");
  ASSERT_EQ(table.open(), 0);
  ASSERT_EQ(table.close(), 0);
  table.setName(path + "\\!c");
  ASSERT_EQ(table.create(), 0);
  const RecordList after = fileRecords(path);
  EXPECT_EQ(tableRecords(after, "A"), tableRecords(before, "A"));
  EXPECT_EQ(tableNames(after), (std::vector<std::string>{"A", "C"}));
}

TEST_F(TableOpenTest, OpenOfAMissingTableChangesNothing) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 4}});
  const std::string before = fileBytes(path);
  TableBlock table(path + "\\!nosuch");
  EXPECT_EQ(table.open(), 2);
  EXPECT_EQ(fileBytes(path), before);
  EXPECT_EQ(registeredDataFiles(), 0u);
  table.setName(path + "\\!a");
  EXPECT_EQ(table.open(), 0);
}

TEST_F(TableOpenTest, OpenNamesTheTableCanonically) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"UNNAMED", 1}, {"orders", 1}});
  TableBlock unnamed(file("shop"));  // no separator, no extension
  ASSERT_EQ(unnamed.open(), 0);
  EXPECT_EQ(unnamed.context()->name, path);
  TableBlock orders(path + "\\!Orders");
  ASSERT_EQ(orders.open(), 0);
  EXPECT_EQ(orders.context()->name, path + "\\!ORDERS");
}

TEST_F(TableOpenTest, WriteOnlyOpenIsRefused) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 1}});
  TableBlock table(path + "\\!a");
  EXPECT_EQ(table.open(0x41), 5);
  EXPECT_EQ(table.call(opShare, {0x41}), 5);
  EXPECT_EQ(registeredDataFiles(), 0u);
}

TEST_F(TableOpenTest, CloseOfATableThatIsNotOpenDoesNothing) {
  DriverContext ctx;
  EXPECT_EQ(closeTable(ctx), 0);
}

TEST_F(TableOpenTest, NamesInAnotherLetterCaseFindTheFile) {
  makeTables(file("Shop.kst"), {{"A", 2}});
  TableBlock found(file("shop") + "\\!a");
  ASSERT_EQ(found.open(), 0);
  EXPECT_EQ(found.context()->name, file("Shop.kst") + "\\!A");
  // A new file takes the name as given.
  TableBlock created(file("Fresh") + "\\!t");
  ASSERT_EQ(created.create(), 0);
  EXPECT_TRUE(std::filesystem::exists(file("Fresh.KST")));
}

TEST_F(TableOpenTest, AnEmptyFileIsNoTableAndStaysEmpty) {
  const std::string path = file("empty.kst");
  std::ofstream(path).close();
  for (uint32_t mode : {0x40u, 0x42u}) {
    TableBlock table(path + "\\!a");
    EXPECT_EQ(table.open(mode), 2);
    EXPECT_EQ(table.remove(), 2);
  }
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(TableOpenTest, TwoBlocksOnOneFileShareOneDataFile) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 3}, {"B", 2}});
  std::filesystem::create_symlink(path, file("link.kst"));
  TableBlock a(path + "\\!a");
  TableBlock b(file("link.kst") + "\\!b");  // another name of the same file
  ASSERT_EQ(a.open(), 0);
  ASSERT_EQ(b.open(), 0);
  ASSERT_EQ(a.context()->dataFile, b.context()->dataFile);
  DataFile& shared = *b.context()->dataFile;
  EXPECT_EQ(registeredDataFiles(), 1u);
  EXPECT_EQ(dataFileHolders(shared), 2u);

  ASSERT_EQ(a.close(), 0);
  EXPECT_EQ(dataFileHolders(shared), 1u);
  RecordPtr probe = tableNameRecord("B");
  EXPECT_NE(findExact(shared, *probe), nullptr);  // still working for the other
  ASSERT_EQ(b.close(), 0);
  EXPECT_EQ(registeredDataFiles(), 0u);
}

TEST_F(TableOpenTest, NamesDifferingInCaseAreTwoFiles) {
  makeTables(file("x.kst"), {{"A", 1}});
  std::filesystem::copy_file(file("x.kst"), file("X.kst"));
  TableBlock lower(file("x.kst") + "\\!a");
  TableBlock upper(file("X.kst") + "\\!a");
  ASSERT_EQ(lower.open(), 0);
  ASSERT_EQ(upper.open(), 0);
  EXPECT_NE(lower.context()->dataFile, upper.context()->dataFile);
  EXPECT_EQ(registeredDataFiles(), 2u);
}

TEST_F(TableOpenTest, AFailedOpenIsSharedWithNobody) {
  DataFile* first = nullptr;
  DataFile* second = nullptr;
  EXPECT_EQ(acquireDataFile(file("gone.KST"), "", 0x42, first), 2);
  // Tried again, not handed out as if it were open.
  EXPECT_EQ(acquireDataFile(file("gone.KST"), "", 0x42, second), 2);
  EXPECT_NE(first, second);
  releaseDataFile(*first);
  releaseDataFile(*second);
  EXPECT_EQ(registeredDataFiles(), 0u);
}

}  // namespace
}  // namespace kestrand
