#include "store/page_cache.h"

#include <gtest/gtest.h>

#include "store/corruption.h"
#include "store/record_tree.h"
#include "store/store_test_support.h"

namespace kestrand {
namespace {

// Clean pages 0..count-1, added oldest first; `createdLongAgo` makes every page look
// old with recent use, which the idle rule keeps.
void addPages(DataFile& file, int count, bool createdLongAgo) {
  file.useClock = 100000;
  for (int n = 0; n < count; ++n) {
    PageNode* page = addCleanPage(file, n);
    if (createdLongAgo) page->created = 0;
  }
}

TEST(PageCacheTest, EvictionBounds) {
  struct Case {
    int pages;
    bool createdLongAgo;
    uint32_t remaining;
  } cases[] = {
      {150, true, 99},   // down below 100, then the oldest is worth keeping
      {150, false, 19},  // every page idle: down to the lower bound
      {19, false, 19},   // below 20 nothing goes, however old
  };
  for (const Case& c : cases) {
    DataFile file;
    addPages(file, c.pages, c.createdLongAgo);
    trimCache(file);
    EXPECT_EQ(file.cleanPageCount, c.remaining) << c.pages << " " << c.createdLongAgo;
    // The survivors are the newest pages.
    EXPECT_NE(findCachedPage(file, c.pages - 1), nullptr);
    EXPECT_EQ(findCachedPage(file, c.pages - 1 - int(c.remaining)), nullptr);
  }
}

TEST(PageCacheTest, DirtyAndPinnedPagesAreNeverEvicted) {
  DataFile file;
  addPages(file, 150, false);
  markDirty(*findCachedPage(file, 0));
  PagePin pin(findCachedPage(file, 1));
  EXPECT_EQ(file.cleanPageCount, 149u);
  EXPECT_EQ(file.dirtyPageCount, 1u);
  trimCache(file);
  EXPECT_NE(findCachedPage(file, 0), nullptr);
  EXPECT_NE(findCachedPage(file, 1), nullptr);  // the trim stops at a pinned oldest page
  EXPECT_EQ(file.dirtyPageCount, 1u);
}

TEST(PageCacheTest, PageNumbersHashAsUnsigned) {
  DataFile file;
  PageNode* page = addCleanPage(file, -5);
  EXPECT_EQ(file.pageHash[91].at(-5).get(), page);  // 4294967291 mod 100
  renumberPage(*page, 7);
  EXPECT_EQ(file.pageHash[7].at(7).get(), page);
  EXPECT_EQ(findCachedPage(file, -5), nullptr);
}

TEST(PageCacheTest, DropCacheDiscardsDirtyPagesToo) {
  armErrorExit();
  DataFile file;
  for (int i = 0; i < 100; ++i) testing_support::insertText(file, "k" + std::to_string(i), std::string(100, 'x'));
  EXPECT_GT(file.dirtyPageCount, 1u);
  dropCache(file);
  EXPECT_EQ(file.dirtyPageCount, 0u);
  EXPECT_EQ(file.cleanPageCount, 0u);
  EXPECT_EQ(file.cleanRing, nullptr);
  EXPECT_EQ(file.dirtyRing, nullptr);
}

}  // namespace
}  // namespace kestrand
