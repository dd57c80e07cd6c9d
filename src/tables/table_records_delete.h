// Erasing every record that belongs to one table.
#pragma once

#include "driver/driver_context.h"
#include "store/data_file.h"
#include "tables/table_records.h"

namespace kestrand {

// Erases every record whose key begins with the TableNumber, from the last to the
// first; TableNameRecord items are never touched. On behalf of a context, the
// contents of its dynamic indexes (kept in memory only) are dropped too.
void deleteTableRecords(DataFile& dataFile, const TableNumber& number, DriverContext* ctx = nullptr);

}  // namespace kestrand
