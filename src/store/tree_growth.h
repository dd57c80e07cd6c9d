// How the record tree grows: a record hung into the page of its level, pages split
// when they grow too large, separators for the new pages one level up.
#pragma once

#include <cstdint>

#include "store/data_file.h"
#include "store/record_tree.h"
#include "store/store_record.h"

namespace kestrand {

// What a record adds to its page's size estimate.
inline int32_t recordCost(const StoreRecord& record, uint8_t level) {
  return int32_t(record.totalLength) + (level == 0 ? 5 : 9);
}

// The page that holds `key` at `level`, descending from the root by the last separator
// at or below the key.
PageNode* descendTo(DataFile& dataFile, const uint8_t* key, uint32_t keyLength, uint8_t level);
// Inserts a record at a level: into the page of its key there, then splits.
void insertAt(DataFile& dataFile, RecordPtr record, uint8_t level);
// Hangs a record into one page's tree, marks the page dirty and grows its estimate.
StoreRecord* insertIntoPage(PageNode& page, RecordPtr record, uint8_t level);
// Splits the page when it is too large; whether it split. Report 1364 when it cannot.
bool splitPage(DataFile& dataFile, PageNode& page);
// Puts a separator for the page (a key copy of its first record) one level up.
void insertSeparator(DataFile& dataFile, PageNode& page);

}  // namespace kestrand
