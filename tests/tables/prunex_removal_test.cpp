// REMOVE through the real prunex process: what the user sees, and what is left of the
// file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/expected_boxes.h"
#include "support/child_process.h"
#include "tables/table_test_support.h"

namespace kestrand {
namespace {

using testing_support::fileBytes;
using testing_support::fileExists;
using testing_support::fileRecords;
using testing_support::makeTables;
using testing_support::RecordList;
using testing_support::runProgram;
using testing_support::tableNames;
using testing_support::tableRecords;

using PrunexRemovalTest = testing_support::TableTest;

testing_support::ProcessResult prunex(const std::vector<std::string>& args) { return runProgram(PRUNEX_PATH, args); }

void expectRemoved(const testing_support::ProcessResult& result, const std::string& shownName) {
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "Success\nRemoved: " + shownName + "\n");
  EXPECT_EQ(result.err, "");
}

void expectError(const testing_support::ProcessResult& result, const std::string& text) {
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, expected::errorBox(text));
}

TEST_F(PrunexRemovalTest, RemovesOneOfThreeTables) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"CUSTOMERS", 40}, {"PRODUCTS", 30}, {"ORDERS", 600, 60}});
  const RecordList before = fileRecords(path);
  const auto sizeBefore = std::filesystem::file_size(path);

  expectRemoved(prunex({path, "orders"}), path + "\\!orders");

  const RecordList after = fileRecords(path);
  EXPECT_EQ(tableNames(after), (std::vector<std::string>{"CUSTOMERS", "PRODUCTS"}));
  EXPECT_EQ(tableRecords(after, "CUSTOMERS"), tableRecords(before, "CUSTOMERS"));
  EXPECT_EQ(tableRecords(after, "PRODUCTS"), tableRecords(before, "PRODUCTS"));
  EXPECT_EQ(after.size(), before.size() - tableRecords(before, "ORDERS").size());
  EXPECT_LT(std::filesystem::file_size(path), sizeBefore / 2);  // its pages were at the end

  testing_support::TableBlock orders(path + "\\!orders");
  EXPECT_EQ(orders.open(), 2);
  testing_support::TableBlock customers(path + "\\!customers");
  EXPECT_EQ(customers.open(), 0);
}

TEST_F(PrunexRemovalTest, TheLastTableTakesTheFileWithIt) {
  const std::string path = file("one.kst");
  makeTables(path, {{"ONLY", 20}});
  expectRemoved(prunex({file("one"), "Only"}), file("one") + "\\!Only");
  EXPECT_FALSE(fileExists(path));
}

TEST_F(PrunexRemovalTest, RemovingTwiceFindsNothingTheSecondTime) {
  const std::string path = file("shop.kst");
  makeTables(path, {{"A", 5}, {"B", 5}});
  expectRemoved(prunex({path, "b"}), path + "\\!b");
  const std::string between = fileBytes(path);
  expectError(prunex({path, "b"}), "File Not Found");
  EXPECT_EQ(fileBytes(path), between);
}

TEST_F(PrunexRemovalTest, PasswordsMustOpenTheHeader) {
  const std::string vault = file("vault.kst");
  const std::string plain = file("plain.kst");
  makeTables(vault, {{"A", 5}, {"B", 5}}, "s3cret");
  makeTables(plain, {{"A", 5}, {"B", 5}});
  struct Case {
    std::string path;
    std::vector<std::string> password;
  };
  const std::vector<Case> cases = {{vault, {"wrong"}}, {vault, {}}, {vault, {"S3CRET"}}, {plain, {"s3cret"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + (c.password.empty() ? "" : " " + c.password[0]));
    const std::string before = fileBytes(c.path);
    std::vector<std::string> args = {c.path, "a"};
    args.insert(args.end(), c.password.begin(), c.password.end());
    expectError(prunex(args), "Invalid Data File");
    EXPECT_EQ(fileBytes(c.path), before);
  }
  expectRemoved(prunex({vault, "a", "s3cret"}), vault + "\\!a");
  EXPECT_EQ(tableNames(fileRecords(vault, "s3cret")), std::vector<std::string>{"B"});
}

TEST_F(PrunexRemovalTest, WhatIsNoDataFileIsLeftAsItWas) {
  std::filesystem::create_directory(file("folder.kst"));
  std::ofstream(file("empty.kst")).close();
  std::ofstream(file("noise.kst"), std::ios::binary) << std::string(4096, '\x5A') + "kEsT";
  makeTables(file("cut.kst"), {{"A", 300}, {"B", 300}});
  std::filesystem::resize_file(file("cut.kst"), std::filesystem::file_size(file("cut.kst")) / 2);
  struct Case {
    std::string name;
    std::string box;
  };
  const std::vector<Case> cases = {{"missing.kst", "File Not Found"},
                                   {"folder.kst", "File Not Found"},
                                   {"empty.kst", "File Not Found"},
                                   {"noise.kst", "Invalid Data File"},
                                   {"cut.kst", "File System Error"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = file(c.name);
    const bool existed = fileExists(path);
    const std::string before = fileBytes(path);
    expectError(prunex({path, "a"}), c.box);
    EXPECT_EQ(fileExists(path), existed);
    EXPECT_EQ(fileBytes(path), before);
  }
  EXPECT_TRUE(std::filesystem::is_directory(file("folder.kst")));
}

}  // namespace
}  // namespace kestrand
