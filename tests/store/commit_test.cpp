#include "store/commit.h"

#include <gtest/gtest.h>

#include <fstream>

#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "store/page_cache.h"
#include "store/record_tree.h"
#include "store/store_test_support.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using namespace testing_support;

class CommitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    armErrorExit();
    path = dir.file("data.kst");
  }
  TempDir dir;
  std::string path;
};

TEST_F(CommitTest, FirstCommitOfAnEmptyFile) {
  DataFile file;
  ASSERT_EQ(openForWrite(file, path, kCreate | kDenyNone | kReadWrite), 0);
  getRoot(file);  // the sentinel alone: a class-1 leaf
  ASSERT_EQ(commit(file), 0);
  std::string bytes = fileBytes(path);
  ASSERT_EQ(bytes.size(), 1280u);
  FileHeader header;
  std::memcpy(header.data(), bytes.data(), kHeaderBytes);
  EXPECT_TRUE(header.hasSignature());
  EXPECT_EQ(header.rootPage(), 0);
  EXPECT_EQ(header.start(1), 0u);
  EXPECT_EQ(header.end(1), 1u);
  for (int k = 2; k <= kSizeClasses; ++k) {
    EXPECT_EQ(header.start(k), 1u) << k;
    EXPECT_EQ(header.end(k), 1u) << k;
  }
  EXPECT_EQ(header.commitStart(), 768u);
  EXPECT_EQ(header.commitEnd(), 768u);
  EXPECT_EQ(header.changeCount(), 3);
  // The leaf at page 0: home 512, 18 bytes stored, the sentinel's entry.
  const uint8_t expected[] = {0x00, 0x02, 0, 0, 18, 0, 18, 0, 18, 0, 1, 0, 0, 0xC0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes.data() + 512, expected, sizeof expected), 0);
  truncateToUsed(file);
  EXPECT_EQ(fileBytes(path).size(), 768u);
  destroyDataFile(file);
  EXPECT_EQ(checkerProblems(path), "");
}

TEST_F(CommitTest, ChangesSurviveReopeningAlsoWithAPassword) {
  for (const std::string password : {"", "secret"}) {
    std::string name = dir.file("p" + std::to_string(password.size()) + ".kst");
    RecordSet expected;
    {
      DataFile file;
      ASSERT_EQ(openForWrite(file, name, kCreate | kDenyNone | kReadWrite, password), 0);
      for (int i = 0; i < 500; ++i) expected["k" + std::to_string(i * 7919 % 1000)] = std::string(i % 300, char('a' + i % 26));
      insertAll(file, expected);
      destroyDataFile(file);
    }
    EXPECT_EQ(checkerProblems(name, password), "");
    DataFile reread;
    ASSERT_EQ(openDataFile(reread, name, kDenyNone | kReadWrite, password), 0);
    EXPECT_EQ(readAll(reread), expected);
    if (!password.empty()) {
      DataFile wrong;
      EXPECT_EQ(openDataFile(wrong, name, kDenyNone | kReadWrite, "other"), 36);
      EXPECT_FALSE(wrong.diskFile.handle.valid());
    }
  }
}

TEST_F(CommitTest, DamagedStoredSizeIsReported) {
  {
    DataFile file;
    ASSERT_EQ(openForWrite(file, path, kCreate | kDenyNone | kReadWrite), 0);
    insertText(file, "a", "1");
    destroyDataFile(file);
  }
  std::string bytes = fileBytes(path);
  bytes[512 + 4] = char(0x40);  // stored size 0x140: two units in a class-1 slot
  bytes[512 + 5] = char(0x01);
  writeBytes(path, bytes);
  DataFile file;
  ASSERT_EQ(openDataFile(file, path, kDenyNone | kReadWrite, ""), 0);
  EXPECT_EQ(reportOf([&] { findExact(file, *record("a")); }), 1477);
}

}  // namespace
}  // namespace kestrand
