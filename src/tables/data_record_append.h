// Appending data records to an open table at the storage level, with the table's
// record count: what ADD does for a table without keys or memos. It serves the sample
// builder, the tests and the benchmarks until the record operations exist; the file
// it leaves is exactly what ADD would leave (numbers from the file's one counter, the
// count in the table's 0xF3 CountersRecord).
#pragma once

#include <cstdint>
#include <functional>

#include "driver/driver_context.h"

namespace kestrand {

// Fills the record image of the i-th new record (ctx.recordLength bytes, zeroed).
using RecordFiller = std::function<void(uint32_t i, uint8_t* image)>;

// 0; 37 when the table is not open; 80 for a table with keys or memos (whose entries
// and segments this does not write); 5 when the table has no counters record. The
// changes are pending until the table's data file commits.
ErrorCode appendDataRecords(DriverContext& ctx, uint32_t count, const RecordFiller& fill);

// The table's record count, from its 0xF3 CountersRecord (0 when it has none).
uint32_t tableRecordCount(DriverContext& ctx);

}  // namespace kestrand
