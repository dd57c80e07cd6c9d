#include "store/tree_growth.h"

#include "store/corruption.h"
#include "store/page_cache.h"
#include "store/page_tree.h"
#include "store/store_cursor.h"

namespace kestrand {

namespace {

void recomputeEstimate(PageNode& page) {
  int32_t estimate = kEmptyPageEstimate;
  for (StoreRecord* x = treeFirst(page.tree); x != nullptr; x = treeSuccessor(x)) estimate += recordCost(*x, page.level);
  page.sizeEstimate = estimate;
}

}  // namespace

PageNode* descendTo(DataFile& dataFile, const uint8_t* key, uint32_t keyLength, uint8_t level) {
  PageNode* page = getRoot(dataFile);
  while (page->level > level) {
    StoreRecord* s = treeLastAtMost(page->tree, key, keyLength);
    if (s == nullptr) reportCorruption(780);
    page = getPage(dataFile, s->childPage);
  }
  return page;
}

StoreRecord* insertIntoPage(PageNode& page, RecordPtr record, uint8_t level) {
  treeInsert(page.tree, record.get());
  StoreRecord* stored = record.release();
  markDirty(page);
  page.sizeEstimate += recordCost(*stored, level);
  return stored;
}

void insertAt(DataFile& dataFile, RecordPtr record, uint8_t level) {
  PageNode* page = descendTo(dataFile, record->bytes(), record->keyLength, level);
  insertIntoPage(*page, std::move(record), level);
  splitPage(dataFile, *page);
}

void insertSeparator(DataFile& dataFile, PageNode& page) {
  RecordPtr separator = copyKey(*treeFirst(page.tree));
  separator->childPage = page.number;
  insertAt(dataFile, std::move(separator), uint8_t(page.level + 1));
}

bool splitPage(DataFile& dataFile, PageNode& page) {
  uint32_t count = page.recordCount();
  bool tooLarge = page.sizeEstimate > kSplitLimit || (page.sizeEstimate > kSplitSoftLimit && count > kSplitSoftCount);
  if (!tooLarge) return false;
  // An interior page of two separators that does not fit can only split into two pages
  // whose separators meet again one level up: no split would ever end.
  if (count <= 1 || (page.level > 0 && count <= 2)) reportCorruption(1364);
  detachCursors(page);
  PageNode* splitting = &page;
  if (page.number == dataFile.header.rootPage()) {
    PageNode* below = newTemporaryPage(dataFile, page.level);
    markDirty(page);
    below->tree = page.tree;
    below->sizeEstimate = page.sizeEstimate;
    page.tree = nullptr;
    page.level = uint8_t(page.level + 1);
    page.sizeEstimate = kEmptyPageEstimate;
    insertSeparator(dataFile, *below);
    splitting = below;
  }
  PageNode* sibling = newTemporaryPage(dataFile, splitting->level);
  markDirty(*splitting);
  treeSplitAtRoot(splitting->tree, sibling->tree);
  recomputeEstimate(*splitting);
  recomputeEstimate(*sibling);
  insertSeparator(dataFile, *sibling);
  splitPage(dataFile, *splitting);
  splitPage(dataFile, *sibling);
  return true;
}

}  // namespace kestrand
