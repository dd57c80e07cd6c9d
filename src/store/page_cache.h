// The page cache of a DataFile: 100 hash buckets by page number, a ring of clean pages
// in order of last use (evicted oldest first) and a ring of dirty pages in the order
// they became dirty (never evicted; written back in that order by the commit).
//
// Invariants:
//   1. Every PageNode is in exactly one hash bucket (number as unsigned, mod 100) and on
//      exactly one ring; cleanPageCount and dirtyPageCount count the rings.
//   2. A dirty or pinned page is never evicted.
//   3. Page numbers within one DataFile are unique.
#pragma once

#include <cstdint>
#include <vector>

#include "store/data_file.h"

namespace kestrand {

// The page numbered n, loaded (a negative n that is not cached starts an empty tree with
// the sentinel record).
PageNode* getPage(DataFile& dataFile, int32_t n);
// The root page; a file whose tree was never committed gets root -1 holding the
// sentinel. Report 1013 when the access lock is not obtained.
PageNode* getRoot(DataFile& dataFile);
// The page's stored image, read from its slot (or its place in a pending commit area).
// Report 1477 when the stored size does not fit the slot.
const std::vector<uint8_t>& readPageImage(DataFile& dataFile, PageNode& page);
void markDirty(PageNode& page);
// Detaches the page's cursors and frees it.
void destroyPage(PageNode& page);
// Destroys every cached page (dirty ones too) and forgets the relocation list.
void dropCache(DataFile& dataFile);
// A new, empty, dirty page under a fresh temporary number (for page splits).
PageNode* newTemporaryPage(DataFile& dataFile, uint8_t level);
// Files a page under a new number.
void renumberPage(PageNode& page, int32_t number);
// The cached page numbered n, or null.
PageNode* findCachedPage(DataFile& dataFile, int32_t n);
int32_t nextTemporaryNumber(DataFile& dataFile);

// Files a new, unloaded page under n as the newest clean page (getPage's first step for
// a page it does not hold).
PageNode* addCleanPage(DataFile& dataFile, int32_t n);

// Internal to getPage; exposed for the cache's own tests.
void trimCache(DataFile& dataFile);
void touchPage(PageNode& page);

}  // namespace kestrand
