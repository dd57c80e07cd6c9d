#include "store/store_cursor.h"

#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_cache.h"
#include "store/page_tree.h"
#include "store/record_tree.h"
#include "store/tree_growth.h"

#include <vector>

namespace kestrand {

namespace {

void leavePage(StoreCursor& cursor) {
  if (cursor.page == nullptr) return;
  StoreCursor** link = &cursor.page->cursors;
  while (*link != nullptr && *link != &cursor) link = &(*link)->nextOnPage;
  if (*link == &cursor) *link = cursor.nextOnPage;
  cursor.page = nullptr;
  cursor.nextOnPage = nullptr;
  cursor.current = nullptr;
}

void detachOne(StoreCursor& cursor) {
  cursor.owned = cursor.current != nullptr ? copyKey(*cursor.current) : nullptr;
  cursor.current = cursor.owned.get();
  cursor.page = nullptr;
  cursor.nextOnPage = nullptr;
}

}  // namespace

StoreCursor::~StoreCursor() { leavePage(*this); }

void cursorInit(StoreCursor& cursor, DataFile& dataFile) {
  leavePage(cursor);
  cursor.dataFile = &dataFile;
  cursor.owned.reset();
  cursor.current = nullptr;
}

void detachCursors(PageNode& page) {
  StoreCursor* cursor = page.cursors;
  page.cursors = nullptr;
  while (cursor != nullptr) {
    StoreCursor* next = cursor->nextOnPage;
    detachOne(*cursor);
    cursor = next;
  }
}

void cursorSet(StoreCursor& cursor, RecordPtr record, bool insertToo) {
  leavePage(cursor);
  cursor.owned.reset();
  if (record != nullptr && insertToo) {
    RecordPtr key = copyKey(*record);
    insertRecord(*cursor.dataFile, std::move(record));
    record = std::move(key);
  }
  cursor.owned = std::move(record);
  cursor.current = cursor.owned.get();
}

void cursorReset(StoreCursor& cursor) { cursorSet(cursor, nullptr, false); }

StoreRecord* cursorFetch(StoreCursor& cursor) {
  DataFile& dataFile = *cursor.dataFile;
  if (lockAndRefresh(dataFile, true) != 0) reportCorruption(256);
  if (cursor.page == nullptr) {
    if (cursor.owned == nullptr) return nullptr;
    RecordPtr key = std::move(cursor.owned);
    cursor.current = nullptr;
    // The leaf that holds the key, as findExact descends.
    PageNode* page = getRoot(dataFile);
    while (page->level > 0) {
      StoreRecord* s = treeLastAtMost(page->tree, key->bytes(), key->keyLength);
      if (s == nullptr) reportCorruption(780);
      page = getPage(dataFile, s->childPage);
    }
    StoreRecord* x = treeLastAtMost(page->tree, key->bytes(), key->keyLength);
    cursor.current = x != nullptr && compareKeys(*x, *key) == 0 ? x : nullptr;
    cursor.page = page;
    cursor.nextOnPage = page->cursors;
    page->cursors = &cursor;
  }
  if (cursor.current != nullptr && cursor.current->keyLength == 0) cursor.current = nullptr;
  return cursor.current;
}

void cursorInsert(StoreCursor& cursor, RecordPtr record) {
  DataFile& dataFile = *cursor.dataFile;
  if (dataFile.readMode) reportCorruption(231);
  if (lockAndRefresh(dataFile, true) != 0) reportCorruption(232);
  RecordPtr key;
  if (cursor.page != nullptr) {
    PageNode& page = *cursor.page;
    StoreRecord* stored = insertIntoPage(page, std::move(record), 0);
    if (!splitPage(dataFile, page)) {
      cursor.current = stored;
      return;
    }
    key = copyKey(*stored);  // the split left it in one of the two (dirty) pages
  } else {
    key = copyKey(*record);
    insertRecord(dataFile, std::move(record));
  }
  cursorSet(cursor, std::move(key), false);
  cursorFetch(cursor);
}

void cursorEraseBackward(StoreCursor& cursor) {
  DataFile& dataFile = *cursor.dataFile;
  StoreRecord* x = cursor.current;
  if (cursor.page == nullptr || x == nullptr) return;
  PageNode& page = *cursor.page;
  if (StoreRecord* p = treePredecessor(x)) {
    if (dataFile.readMode) reportCorruption(337);
    // Other cursors on the erased record keep its key.
    std::vector<StoreCursor*> onErased;
    for (StoreCursor* other = page.cursors; other != nullptr; other = other->nextOnPage)
      if (other != &cursor && other->current == x) onErased.push_back(other);
    for (StoreCursor* other : onErased) {
      leavePage(*other);
      other->owned = copyKey(*x);
      other->current = other->owned.get();
    }
    cursor.current = p;
    page.sizeEstimate -= int32_t(x->totalLength) + 5;
    treeUnlink(page.tree, x);
    cursorTouch(cursor);
    freeStoreRecord(x);
    return;
  }
  RecordPtr erasedKey = copyKey(*x);
  StoreRecord* before = findBefore(dataFile, *erasedKey);
  cursorSet(cursor, before != nullptr ? copyKey(*before) : newStoreRecord(0, 0), false);
  // Re-found: the search above may have let the page leave the cache.
  if (StoreRecord* stored = findExact(dataFile, *erasedKey)) eraseRecord(dataFile, stored);
}

void cursorTouch(StoreCursor& cursor) {
  if (cursor.dataFile->readMode) reportCorruption(337);
  if (cursor.page != nullptr) markDirty(*cursor.page);
}

}  // namespace kestrand
