#include "store/record_tree.h"

#include <gtest/gtest.h>

#include "store/corruption.h"
#include "store/page_cache.h"
#include "store/page_tree.h"
#include "store/store_cursor.h"
#include "store/store_test_support.h"

namespace kestrand {
namespace {

using testing_support::insertText;
using testing_support::readAll;
using testing_support::record;
using testing_support::reportOf;

class RecordTreeTest : public ::testing::Test {
 protected:
  void SetUp() override { armErrorExit(); }


  DataFile store;  // never opened: a memory-only store
};

TEST_F(RecordTreeTest, NewStoreHoldsOnlyTheSentinel) {
  EXPECT_TRUE(readAll(store).empty());
  EXPECT_EQ(findBefore(store, *record("\x01")), nullptr);
  EXPECT_EQ(findAfter(store, *record("")), nullptr);
  PageNode* root = getRoot(store);
  EXPECT_EQ(root->number, -1);
  EXPECT_EQ(root->recordCount(), 1u);
  EXPECT_EQ(store.header.changeCount(), 1);
}

TEST_F(RecordTreeTest, KeysOrderAsUnsignedBytesPrefixFirst) {
  for (const char* key : {"ab", "a", "\xff", "abc", "b", "\x01"}) insertText(store, key);
  std::vector<std::string> keys;
  for (const auto& entry : readAll(store)) keys.push_back(entry.first);
  EXPECT_EQ(keys, (std::vector<std::string>{"\x01", "a", "ab", "abc", "b", "\xff"}));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(findBefore(store, *record("ab"))->bytes()), 1), "a");
  EXPECT_EQ(findBefore(store, *record("\x01")), nullptr);
  EXPECT_EQ(findAfter(store, *record("\xff")), nullptr);
}

TEST_F(RecordTreeTest, DataNeverTakesPartInTheOrderAndEqualKeysAreRefused) {
  insertText(store, "k", "one");
  EXPECT_EQ(reportOf([&] { insertText(store, "k", "two"); }), 706);
  StoreCursor cursor;
  cursorInit(cursor, store);
  cursorSet(cursor, record("k"), false);
  ASSERT_NE(cursorFetch(cursor), nullptr);
  EXPECT_EQ(reportOf([&] { cursorInsert(cursor, record("k", "x")); }), 706);
  EXPECT_EQ(readAll(store).at("k"), "one");
}

TEST_F(RecordTreeTest, ChangesInReadModeAreRefused) {
  insertText(store, "k", "v");
  StoreCursor cursor;
  cursorInit(cursor, store);
  cursorSet(cursor, record("k"), false);
  StoreRecord* stored = cursorFetch(cursor);
  ASSERT_NE(stored, nullptr);
  store.readMode = true;
  EXPECT_EQ(reportOf([&] { insertText(store, "j"); }), 1194);
  EXPECT_EQ(reportOf([&] { eraseRecord(store, stored); }), 1203);
  EXPECT_EQ(reportOf([&] { cursorInsert(cursor, record("l")); }), 231);
  EXPECT_EQ(reportOf([&] { cursorTouch(cursor); }), 337);
  store.readMode = false;
  EXPECT_EQ(readAll(store), (testing_support::RecordSet{{"k", "v"}}));
}

TEST_F(RecordTreeTest, RecordLengthLimits) {
  EXPECT_EQ(reportOf([] { newStoreRecord(10, kRecordLengthLimit - 10); }), 824);
  EXPECT_EQ(reportOf([] { newStoreRecord(10, kRecordLengthLimit - 11); }), 0);
  // A record too long to stand alone in a leaf cannot be split off.
  insertText(store, "a", std::string(8000, 'a'));
  EXPECT_EQ(reportOf([&] { insertText(store, "b", std::string(kMaxLeafRecordLength, 'b')); }), 1364);
}

TEST_F(RecordTreeTest, LeafSplitRules) {
  // With the sentinel, 20 records of 200 bytes estimate 3913; the 21st passes both 4096
  // and 20 records (4118) and splits the page.
  for (int i = 0; i < 19; ++i) insertText(store, std::string(1, char('a' + i)), std::string(199, 'x'));
  EXPECT_EQ(getRoot(store)->level, 0);
  EXPECT_EQ(getRoot(store)->recordCount(), 20u);
  insertText(store, "z", std::string(199, 'x'));
  EXPECT_EQ(getRoot(store)->recordCount(), 2u);
  EXPECT_EQ(getRoot(store)->level, 1);

  DataFile other;
  // 20 records (sentinel included) of 700 bytes stay one page until 15094 is passed.
  for (int i = 0; i < 19; ++i) insertText(other, std::string(1, char('a' + i)), std::string(700, 'y'));
  EXPECT_EQ(getRoot(other)->level, 0);
  EXPECT_GT(getRoot(other)->sizeEstimate, 4096);
  insertText(other, "zz", std::string(2000, 'y'));
  EXPECT_EQ(getRoot(other)->level, 1);
}

TEST_F(RecordTreeTest, ErasingFirstRecordRepairsItsSeparatorAndAnEmptyLeafLeaves) {
  for (int i = 0; i < 200; ++i) insertText(store, "key" + std::to_string(1000 + i), std::string(100, 'd'));
  PageNode* root = getRoot(store);
  ASSERT_GE(root->level, 1);
  // The second separator of the root and the first record of its subtree.
  StoreRecord* second = treeSuccessor(treeFirst(root->tree));
  std::string firstKey(reinterpret_cast<char*>(second->bytes()), second->keyLength);
  uint32_t separators = root->recordCount();
  ASSERT_TRUE(testing_support::eraseText(store, firstKey));
  second = treeSuccessor(treeFirst(getRoot(store)->tree));
  std::string repaired(reinterpret_cast<char*>(second->bytes()), second->keyLength);
  EXPECT_GT(repaired, firstKey);
  EXPECT_NE(findExact(store, *record(repaired)), nullptr);
  // Erase the whole subtree of that separator: its page leaves the tree.
  std::string next = treeSuccessor(second) ? std::string(reinterpret_cast<char*>(treeSuccessor(second)->bytes()), treeSuccessor(second)->keyLength) : "\xff";
  for (auto& [key, data] : readAll(store))
    if (key >= repaired && key < next) testing_support::eraseText(store, key);
  EXPECT_EQ(getRoot(store)->recordCount(), separators - 1);
}

// Keys of kMaxTreeKeyLength still split; one byte more, and two such keys side by side
// would split forever: the split ends with 1364.
TEST_F(RecordTreeTest, LongestKeyBound) {
  EXPECT_EQ(kMaxTreeKeyLength, 7531u);
  auto fill = [](DataFile& file, uint32_t keyLength) {
    for (char c : std::string("abcdefgh")) insertText(file, std::string(keyLength, c));
  };
  fill(store, kMaxTreeKeyLength);
  EXPECT_EQ(readAll(store).size(), 8u);
  DataFile longer;
  EXPECT_EQ(reportOf([&] { fill(longer, kMaxTreeKeyLength + 1); }), 1364);
}

TEST_F(RecordTreeTest, CursorAppendsAndErasesBackwardToTheRunStart) {
  insertText(store, "A");
  insertText(store, "C");
  StoreCursor cursor;
  cursorInit(cursor, store);
  cursorSet(cursor, record("B0000"), true);
  ASSERT_NE(cursorFetch(cursor), nullptr);
  for (int i = 1; i < 300; ++i) {
    char key[8];
    std::snprintf(key, sizeof key, "B%04d", i);
    cursorInsert(cursor, record(key, std::string(50, 'v')));
    ASSERT_EQ(std::string(reinterpret_cast<char*>(cursorFetch(cursor)->bytes()), 5), key);
  }
  EXPECT_EQ(readAll(store).size(), 302u);
  // Delete the B run from its end: the cursor stops at the record before it.
  cursorSet(cursor, record("B0299"), false);
  int erased = 0;
  for (StoreRecord* x = cursorFetch(cursor); x != nullptr && x->bytes()[0] == 'B'; x = cursorFetch(cursor)) {
    cursorEraseBackward(cursor);
    ++erased;
  }
  EXPECT_EQ(erased, 300);
  ASSERT_NE(cursorFetch(cursor), nullptr);
  EXPECT_EQ(cursorFetch(cursor)->bytes()[0], 'A');
  cursorEraseBackward(cursor);
  EXPECT_EQ(cursorFetch(cursor), nullptr);  // at the sentinel
  EXPECT_EQ(readAll(store).size(), 1u);
}

}  // namespace
}  // namespace kestrand
