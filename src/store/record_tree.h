// The one ordered set of records of a data file, kept in a tree of pages: leaves hold
// the records, interior pages hold separators (key-only copies of their child's first
// key) leading to child pages. The leftmost separator of every level has the empty key,
// and every data file holds the sentinel record (empty key, no data), smallest of all,
// which no lookup returns.
//
// Invariants (between any two tree operations):
//   1. Keys ascend strictly across the leaves, left to right; the sentinel is first.
//   2. A separator's key equals (never exceeds) the first key of its child's subtree,
//      and every key below it is smaller than the next separator's key.
//   3. A leaf has level 0; an interior page has its children's level + 1.
//   4. Every page but the root holds a record; a page that becomes empty leaves the
//      tree and gives its slot back. Pages are never merged.
//   5. A page's size estimate (13 + total + 5 per record, + 4 more per separator) is an
//      upper bound of its stored size; a page splits when it exceeds 15094, or 4096
//      with more than 20 records.
#pragma once

#include <cstdint>

#include "store/data_file.h"
#include "store/store_record.h"

namespace kestrand {

inline constexpr int32_t kSplitLimit = 15094;
inline constexpr int32_t kSplitSoftLimit = 4096;
inline constexpr uint32_t kSplitSoftCount = 20;
// The longest key the tree can always hold. An interior page must hold two separators
// of it: 13 + 2 x (key + 9) <= 15094. With two longer keys next to each other every
// split would put their separators side by side again one level up, without end; such a
// split ends with report 1364 instead. Key declarations are limited to this bound.
inline constexpr uint32_t kMaxTreeKeyLength = (uint32_t(kSplitLimit) - 13) / 2 - 9;

// The stored record with the probe's key, or null.
StoreRecord* findExact(DataFile& dataFile, const StoreRecord& probe);
// The last stored record below the probe's (non-empty) key; null instead of the sentinel.
StoreRecord* findBefore(DataFile& dataFile, const StoreRecord& probe);
// The first stored record above the given record's key, or null.
StoreRecord* findAfter(DataFile& dataFile, const StoreRecord& record);
// The tree takes the record over. Reports 1194 (read mode), 706 (key already stored).
void insertRecord(DataFile& dataFile, RecordPtr record);
// `stored` must be the stored record itself (as a find returned it); it is freed.
// Report 1203 in read mode.
void eraseRecord(DataFile& dataFile, StoreRecord* stored);

}  // namespace kestrand
