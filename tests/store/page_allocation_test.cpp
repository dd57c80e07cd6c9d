#include "store/page_allocation.h"

#include <gtest/gtest.h>

#include "store/commit.h"
#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_cache.h"
#include "store/page_tree.h"
#include "store/record_tree.h"
#include "store/store_test_support.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using namespace testing_support;

class PageAllocationTest : public ::testing::Test {
 protected:
  void SetUp() override { armErrorExit(); }
  TempDir dir;
};

TEST_F(PageAllocationTest, FirstPageGetsPageZeroAndASmallerClassMovesIt) {
  DataFile file;
  PageNode* root = getRoot(file);
  placePage(file, root->number, 3);
  const FileHeader& h = file.header;
  EXPECT_EQ(root->number, 0);
  EXPECT_EQ(h.rootPage(), 0);
  EXPECT_EQ(h.start(3), 0u);
  EXPECT_EQ(h.end(3), 3u);
  for (int k = 4; k <= kSizeClasses; ++k) EXPECT_EQ(h.start(k), 3u);
  EXPECT_EQ(allocPage(file, 1), 0);
  EXPECT_EQ(root->number, 1);
  EXPECT_EQ(h.rootPage(), 1);
  EXPECT_EQ(h.start(3), 1u);
  EXPECT_EQ(h.end(3), 4u);
  EXPECT_EQ(h.end(1), 1u);
  EXPECT_EQ(sizeClass(file, 1), 3);
  EXPECT_EQ(sizeClass(file, -1), 0);
  EXPECT_EQ(reportOf([&] { sizeClass(file, 4); }), 1735);
}

// A middle leaf emptied: the region's last page fills its slot and its parent follows.
TEST_F(PageAllocationTest, FreeingAMiddleSlotRepointsTheMovedPagesParent) {
  std::string path = dir.file("slots.kst");
  RecordSet records;
  for (int i = 0; i < 400; ++i) records["k" + std::to_string(10000 + i)] = std::string(60, 'r');
  DataFile file;
  ASSERT_EQ(openForWrite(file, path, kCreate | kDenyNone | kReadWrite), 0);
  insertAll(file, records);
  ASSERT_EQ(commit(file), 0);
  ASSERT_EQ(lockAndRefresh(file, true), 0);
  PageNode* root = getRoot(file);
  ASSERT_EQ(root->level, 1);
  // Leaves of 4096-odd bytes are class 16 or 17; take the class of the first leaf.
  int k = sizeClass(file, treeFirst(root->tree)->childPage);
  uint32_t count = (file.header.end(k) - file.header.start(k)) / uint32_t(k);
  ASSERT_GE(count, 3u);
  int32_t last = int32_t(file.header.end(k)) - k;
  // A slot before the region's last whose leaf is not the leftmost (which keeps the sentinel).
  int32_t middle = -1;
  std::string low, high;
  for (StoreRecord* s = treeSuccessor(treeFirst(root->tree)); s != nullptr && middle < 0; s = treeSuccessor(s)) {
    if (s->childPage >= last || sizeClass(file, s->childPage) != k) continue;
    middle = s->childPage;
    low.assign(reinterpret_cast<char*>(s->bytes()), s->keyLength);
    StoreRecord* next = treeSuccessor(s);
    high = next ? std::string(reinterpret_cast<char*>(next->bytes()), next->keyLength) : "\xff";
  }
  ASSERT_GE(middle, 0);
  for (auto it = records.lower_bound(low); it != records.end() && it->first < high;) {
    ASSERT_TRUE(eraseText(file, it->first));
    it = records.erase(it);
  }
  EXPECT_EQ(file.header.end(k), uint32_t(last));
  bool repointed = false;
  for (StoreRecord* s = treeFirst(getRoot(file)->tree); s != nullptr; s = treeSuccessor(s)) {
    EXPECT_NE(s->childPage, last);
    repointed |= s->childPage == middle;
  }
  EXPECT_TRUE(repointed);
  EXPECT_EQ(readAll(file), records);
  ASSERT_EQ(commit(file), 0);
  truncateToUsed(file);
  EXPECT_EQ(checkerProblems(path), "");
}

TEST_F(PageAllocationTest, CompactingAFileWithoutGapsMovesNothing) {
  std::string path = dir.file("compact.kst");
  DataFile file;
  ASSERT_EQ(openForWrite(file, path, kCreate | kDenyNone | kReadWrite), 0);
  for (int i = 0; i < 300; ++i) insertText(file, std::to_string(i), std::string(i % 700, 'c'));
  ASSERT_EQ(commit(file), 0);
  ASSERT_EQ(lockAndRefresh(file, true), 0);
  FileHeader before = file.header;
  compactRegions(file);
  EXPECT_EQ(file.dirtyPageCount, 0u);
  EXPECT_EQ(file.header.bytes, before.bytes);
}

TEST_F(PageAllocationTest, NumberCounter) {
  DataFile file;
  ASSERT_EQ(lockAndRefresh(file, true), 0);
  setLastNumber(file, {0x00, 0x00, 0x00, 0xFF});
  EXPECT_FALSE(file.modified);
  EXPECT_EQ(nextNumber(file), (std::array<uint8_t, 4>{0x00, 0x00, 0x01, 0x00}));
  EXPECT_TRUE(file.modified);
  setLastNumber(file, {0xFD, 0xFF, 0xFF, 0xFE});
  EXPECT_EQ(nextNumber(file), (std::array<uint8_t, 4>{0xFD, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(reportOf([&] { nextNumber(file); }), 1173);
  EXPECT_EQ(reportOf([&] { nextNumber(file); }), 1173);  // the counter stays at its limit
  file.readMode = true;
  EXPECT_EQ(reportOf([&] { nextNumber(file); }), 1163);
}

}  // namespace
}  // namespace kestrand
