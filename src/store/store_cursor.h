// A position in the record tree that survives page changes: attached, it points at a
// record of a loaded leaf; detached, it owns a key-only copy of that record (or nothing)
// and finds its way back by key on the next fetch. Cursors let appends and backward
// deletions work inside one page without descending from the root.
#pragma once

#include "store/data_file.h"
#include "store/store_record.h"

namespace kestrand {

struct StoreCursor {
  DataFile* dataFile = nullptr;
  PageNode* page = nullptr;            // the leaf it is attached to, or null
  StoreCursor* nextOnPage = nullptr;   // the page's cursor list
  StoreRecord* current = nullptr;      // a record of page's tree, or owned.get()
  RecordPtr owned;                     // the key copy of a detached cursor

  StoreCursor() = default;
  ~StoreCursor();  // leaves its page's cursor list
  StoreCursor(const StoreCursor&) = delete;
  StoreCursor& operator=(const StoreCursor&) = delete;
};

// Detached, no record.
void cursorInit(StoreCursor& cursor, DataFile& dataFile);
// Makes `record` the cursor's key (detached). With insertToo the record is inserted
// first and the cursor keeps a key copy of it.
void cursorSet(StoreCursor& cursor, RecordPtr record, bool insertToo);
void cursorReset(StoreCursor& cursor);
// The current record (re-found by key when detached), or null; never the sentinel.
// Report 256 when the access lock is not obtained.
StoreRecord* cursorFetch(StoreCursor& cursor);
// Inserts a record; attached, straight into the cursor's page (for keys that follow the
// current record with no stored key between them). The record becomes current. Reports
// 231 (read mode), 232 (no access lock), 706 (key already stored).
void cursorInsert(StoreCursor& cursor, RecordPtr record);
// Erases the current record and moves to the one before it (the sentinel's empty key
// when there is none).
void cursorEraseBackward(StoreCursor& cursor);
// After data bytes of the current record were changed in place. Report 337 in read mode.
void cursorTouch(StoreCursor& cursor);
// Every cursor on the page keeps a key copy of its record and is detached.
void detachCursors(PageNode& page);

}  // namespace kestrand
