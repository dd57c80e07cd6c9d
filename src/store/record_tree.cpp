#include "store/record_tree.h"

#include "store/corruption.h"
#include "store/page_allocation.h"
#include "store/page_cache.h"
#include "store/page_tree.h"
#include "store/store_cursor.h"
#include "store/tree_growth.h"

namespace kestrand {

namespace {

// Removes `record` from the subtree of `page` at `level`, repairing separators and
// freeing pages that became empty.
void eraseAt(DataFile& dataFile, StoreRecord* record, PageNode& page, uint8_t level) {
  if (page.level <= level) {
    treeRemove(page.tree, record);
    markDirty(page);
    page.sizeEstimate -= recordCost(*record, level);
    record->subtreeSize = 1;
    detachCursors(page);
    return;
  }
  PagePin pinned(&page);
  StoreRecord* s = treeLastAtMost(page.tree, record->bytes(), record->keyLength);
  if (s == nullptr) reportCorruption(780);
  PageNode* child = getPage(dataFile, s->childPage);
  eraseAt(dataFile, record, *child, level);
  if (child->tree != nullptr) {
    if (compareKeys(*treeFirst(child->tree), *s) <= 0) return;
    markDirty(page);
    eraseAt(dataFile, s, page, page.level);
    freeStoreRecord(s);
    insertSeparator(dataFile, *child);
  } else {
    markDirty(page);
    int32_t emptied = child->number;
    destroyPage(*child);
    freeSlot(dataFile, emptied);
    eraseAt(dataFile, s, page, page.level);
    freeStoreRecord(s);
  }
}

// The first record above key in the subtree of page n.
StoreRecord* searchAfter(DataFile& dataFile, int32_t n, const uint8_t* key, uint32_t keyLength) {
  PageNode* page = getPage(dataFile, n);
  if (page->level == 0) return treeFirstAbove(page->tree, key, keyLength);
  StoreRecord* s = treeLastAtMost(page->tree, key, keyLength);
  StoreRecord* t = treeFirstAbove(page->tree, key, keyLength);
  int32_t second = t != nullptr ? t->childPage : 0;
  bool hasSecond = t != nullptr;
  if (s != nullptr) {
    if (StoreRecord* found = searchAfter(dataFile, s->childPage, key, keyLength)) return found;
  }
  return hasSecond ? searchAfter(dataFile, second, key, keyLength) : nullptr;
}

}  // namespace

StoreRecord* findExact(DataFile& dataFile, const StoreRecord& probe) {
  PageNode* leaf = descendTo(dataFile, probe.bytes(), probe.keyLength, 0);
  StoreRecord* x = treeLastAtMost(leaf->tree, probe.bytes(), probe.keyLength);
  return x != nullptr && compareKeys(*x, probe) == 0 ? x : nullptr;
}

StoreRecord* findBefore(DataFile& dataFile, const StoreRecord& probe) {
  PageNode* page = getRoot(dataFile);
  while (page->level > 0) {
    StoreRecord* s = treeLastBelow(page->tree, probe.bytes(), probe.keyLength);
    if (s == nullptr) return nullptr;
    page = getPage(dataFile, s->childPage);
  }
  StoreRecord* x = treeLastBelow(page->tree, probe.bytes(), probe.keyLength);
  return x != nullptr && x->keyLength != 0 ? x : nullptr;
}

StoreRecord* findAfter(DataFile& dataFile, const StoreRecord& record) {
  if (record.subtreeSize != 0) {
    if (StoreRecord* next = treeSuccessor(const_cast<StoreRecord*>(&record))) return next;
  }
  PageNode* root = getRoot(dataFile);
  return searchAfter(dataFile, root->number, record.bytes(), record.keyLength);
}

void insertRecord(DataFile& dataFile, RecordPtr record) {
  if (dataFile.readMode) reportCorruption(1194);
  dataFile.modified = true;
  insertAt(dataFile, std::move(record), 0);
}

void eraseRecord(DataFile& dataFile, StoreRecord* stored) {
  if (dataFile.readMode) reportCorruption(1203);
  dataFile.modified = true;
  PageNode* root = getRoot(dataFile);
  eraseAt(dataFile, stored, *root, 0);
  freeStoreRecord(stored);
}

}  // namespace kestrand
